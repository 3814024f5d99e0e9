#include "forms/frmLogin.h"

#include "base/error.h"
#include "farm/farm.h"
#include "forms/frmAbout.h"
#include "forms/frmMain.h"
#include "forms/program.h"

namespace forms {

std::string AdministratorMessageText() {
    return std::string(80, ' ') + "\r     You must be a Citrix administrator.\r\r\r";
}

frmLogin::frmLogin(Program& program) : Form(program.Desktop()), program_(program) {}

ui::FormStyle frmLogin::Style() const {
    return {.caption = "Log on to Server Farm",
            .width = 5685,
            .height = 1920,
            .placement = ui::Placement::CenterScreen,
            .border = ui::Border::FixedDialog,
            .keyPreview = true};
}

void frmLogin::CreateControls() {
    lblLabels[4].Create(
        *this, {120, 120, 5520, 240},
        "Enter the name of a server that is in the farm to which you want to connect.");
    lblLabels[3].Create(*this, {240, 360, 1440, 240}, "Metaframe Server:");
    Server.Create(*this, {360, 600, 3855, 315});
    cmdCancel.Create(*this, {4440, 1440, 1140, 390}, "&Cancel");
    cmdPasstrough.Create(*this, {3120, 1440, 1140, 390}, "&Passtrough");
    Line1.Create(*this, 120, 1260, 5565);
    SetDefaultButton(cmdPasstrough);
    SetCancelButton(cmdCancel);
    OnClick(cmdPasstrough, [this] { cmdPasstrough_Click(); });
    OnClick(cmdCancel, [this] { cmdCancel_Click(); });
}

void frmLogin::CheckAdministrator() {
    LoginSucceeded = false;
    farm::Farm& farm = program_.Shared().OpenFarm();
    const farm::Value answer = farm.WinFarmObject()->IsCitrixAdministrator();
    LoginSucceeded = farm::AsNumber(answer) != 0;
}

void frmLogin::ShowAdministratorMessage() {
    Message(AdministratorMessageText(), "Error", shared::MessageIcon::Critical);
}

void frmLogin::OpenMainWindow() {
    Unload();
    program_.Main().Show();
}

void frmLogin::Form_Load() {
    program_.About().ShowModal(this);
    try {
        CheckAdministrator();
    } catch (const farm::FarmError&) {
        // At start a missing farm and missing rights look the same to the user.
        LoginSucceeded = false;
    }
    if (LoginSucceeded) {
        OpenMainWindow();
    } else {
        ShowAdministratorMessage();
    }
}

void frmLogin::cmdPasstrough_Click() {
    const std::string serverName = Server.Text();
    if (serverName.empty()) {
        return;
    }
    try {
        const std::string tool =
            InFolder(program_.GetServices().makeFileSystem()->CurrentDirectory(), "mfreg.exe");
        ui::ProcessLauncher& launcher = program_.GetServices().launcher;
        // The dialog repaints while the tool runs, but takes no second click.
        ui::BusyForm busy(*this);
        launcher.Run({tool, ui::QuoteProgram(tool) + " /u" + serverName}, kToolTimeLimit);
        launcher.Run({tool, ui::QuoteProgram(tool) + " " + serverName}, kToolTimeLimit);
        CheckAdministrator();
    } catch (const base::Error&) {
        const shared::ErrorInfo error = shared::CurrentError();
        Message(shared::UnexpectedErrorText(error.number, error.description), "Error",
                shared::MessageIcon::Critical);
        return;
    }
    if (LoginSucceeded) {
        OpenMainWindow();
    } else {
        ShowAdministratorMessage();
        Unload();
    }
}

void frmLogin::cmdCancel_Click() {
    LoginSucceeded = false;
    Unload();
}

void frmLogin::Form_KeyUp(int16_t keyCode, int16_t) {
    if (keyCode == VK_ESCAPE) {
        Unload();
    }
}

}  // namespace forms
