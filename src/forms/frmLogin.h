// The logon dialog, the program's start-up form: the About box, then the administrator
// check of the farm the workstation reaches; if that fails, the user names a server of the
// farm, the connection tool points the workstation at it and the check runs again.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include "forms/ui/controls.h"
#include "forms/ui/form.h"

namespace forms {

class Program;

// 80 blanks, CR, "     You must be a Citrix administrator.", CR CR CR.
std::string AdministratorMessageText();

class frmLogin : public ui::Form {
  public:
    // How long each run of the connection tool may take before the next step goes on.
    static constexpr std::chrono::seconds kToolTimeLimit{30};

    explicit frmLogin(Program& program);

    // True exactly when the farm's administrator check answered anything but False.
    bool LoginSucceeded = false;

    std::array<ui::Label, 5> lblLabels;  // indexes 3 and 4 exist
    ui::TextBox Server;
    ui::Button cmdCancel;
    ui::Button cmdPasstrough;
    ui::EtchedLine Line1;

    void cmdPasstrough_Click();
    void cmdCancel_Click();
    void Form_KeyUp(int16_t keyCode, int16_t shift) override;

  protected:
    ui::FormStyle Style() const override;
    void CreateControls() override;
    void Form_Load() override;

  private:
    // Sets LoginSucceeded from the farm's answer; a failure leaves it False and propagates.
    void CheckAdministrator();
    void ShowAdministratorMessage();
    // Unloads the dialog and shows the main window.
    void OpenMainWindow();

    Program& program_;
};

}  // namespace forms
