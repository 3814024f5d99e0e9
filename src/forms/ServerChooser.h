// The form the clone, publish and unpublish dialogs are made of: a heading, a hint, the
// "Available Servers" and "Configured Servers" lists with "&Add  >>" and "<<  &Remove"
// between them, a progress bar, the dialog's action button and "&Cancel".
//
// Both lists are sorted without regard to case and take extended selections. Each has a
// current entry (the one the user last clicked or keyed to) or none, as right after filling.
// Add and Remove move the selected entries of one list to the other, walking backwards, and
// only when that list has a current entry; the action button is enabled exactly while the
// configured list is not empty. Cancel (the default button) and Esc unload the dialog.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "forms/ui/controls.h"
#include "forms/ui/form.h"
#include "shared/deployment.h"

namespace forms {

class Program;

class ServerChooser : public ui::Form {
  public:
    ui::Label lblSpecify;  // "Specify Servers", 18 pt
    ui::Label lblChoose;   // the dialog's hint line
    ui::Label lblServers;
    ui::ListBox lstServers;
    ui::Button btnAdd;
    ui::Button btnRemove;
    ui::Label lblDestServers;
    ui::ListBox lstDestServers;
    ui::ProgressBar pbStatus;
    ui::Button btnCancel;
    std::array<ui::EtchedLine, 2> Line1;

    void btnAdd_Click();
    void btnRemove_Click();
    void btnCancel_Click();

  protected:
    explicit ServerChooser(Program& program);

    // What each dialog adds: its caption, its hint line, the action button and its caption,
    // and the controls of its own (created after the common ones in tab order, hidden ones
    // and labels included).
    virtual std::string DialogCaption() const = 0;
    virtual std::string HintText() const = 0;
    virtual ui::Button& ActionButton() = 0;
    virtual std::string ActionCaption() const = 0;
    virtual void ActionClick() = 0;
    virtual void CreateOwnControls() {}

    ui::FormStyle Style() const final;
    void CreateControls() final;
    void Form_Load() override;
    // Reports a failed run: the unexpected-error message, the default pointer, and the
    // progress bar hidden and reset.
    void ReportError() override;

    // Runs every pair of configured server (outer) and application of `apps` (inner), with a
    // restore record named `operation`,
    // advancing the bar by 99 / (a * s) before each, then tells "<done> <a> applications",
    // followed by the pairs whose refusals `work` handed back.
    void RunPairs(const ui::ListBox& apps,
                  const std::function<shared::Outcome(const std::string& distinguishedName,
                                                      const std::string& serverName)>& work,
                  std::string_view done, std::string_view operation);

    shared::Shared& module_;
    Program& program_;

  private:
    // Moves the selected entries of `from` to `to`, from the last position down.
    void MoveSelected(ui::ListBox& from, bool& fromHasCurrent, ui::ListBox& to);
    void FollowConfiguredList();

    bool serversCurrent_ = false;
    bool destServersCurrent_ = false;
};

}  // namespace forms
