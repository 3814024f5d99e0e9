// The options dialog: one set of session settings (window size, colours, encryption, audio)
// written into every application handed over by the main window. It starts from fixed
// defaults and never reads the applications' present settings.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "forms/ui/controls.h"
#include "forms/ui/form.h"

namespace shared {
class Shared;
}

namespace forms {

class Program;

class frmAppOptions : public ui::Form {
  public:
    explicit frmAppOptions(Program& program);

    ui::Label lblAppOptions;  // "Application Options", 18 pt
    ui::Label lblColors;
    ui::ComboBox WindowColorList;
    ui::Label lblSize;
    ui::ComboBox WindowSizeList;
    ui::Label lblWidth;
    ui::TextBox txtWidth;
    ui::Label lblPercent;
    ui::TextBox txtPercent;  // in the width box's place; never shown with it
    ui::Label lblHeight;
    ui::TextBox txtHeight;
    ui::Label lblEncryption;
    ui::ComboBox EncryptionList;
    ui::Label lblAudio;
    ui::ComboBox AudioList;
    // The distinguished names to change, in the order handed over; held, not shown.
    ui::ListBox lstApps;
    ui::ProgressBar pbStatus;
    ui::Button btnSetOptions;
    ui::Button btnCancel;
    std::array<ui::EtchedLine, 2> Line1;

    void WindowSizeList_Click();
    void btnSetOptions_Click();
    void btnCancel_Click();

  protected:
    ui::FormStyle Style() const override;
    void CreateControls() override;
    void Form_Load() override;
    // The unexpected-error message, the default pointer, the bar hidden and reset.
    void ReportError() override;

  private:
    // The box's text as a 16-bit number; nothing (after telling the user) when it is none.
    std::optional<int16_t> ReadNumber(const ui::TextBox& box, const std::string& field);

    shared::Shared& module_;
    Program& program_;
};

}  // namespace forms
