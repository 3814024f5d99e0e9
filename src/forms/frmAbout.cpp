#include "forms/frmAbout.h"

#include "forms/program.h"

namespace forms {

frmAbout::frmAbout(Program& program) : Form(program.Desktop()), program_(program) {}

ui::FormStyle frmAbout::Style() const {
    return {.caption = "About",
            .width = 6135,
            .height = 3555,
            .placement = ui::Placement::CenterOwner,
            .border = ui::Border::FixedDialog,
            .showInTaskbar = false};
}

void frmAbout::CreateControls() {
    picIcon.Create(*this, {240, 240, 480, 480}, program_.App().icon);
    lblTitle.Create(*this, {1050, 240, 4845, 480}, {}, ui::LabelFont::Heading);
    lblVersion.Create(*this, {1050, 840, 4845, 255}, {});
    Line1.Create(*this, 120, 2640, 6015);
    cmdOK.Create(*this, {4680, 2880, 1215, 375}, "&OK");
    SetDefaultButton(cmdOK);
    SetCancelButton(cmdOK);
    OnClick(cmdOK, [this] { cmdOK_Click(); });
}

void frmAbout::Form_Load() {
    const AppInfo& app = program_.App();
    SetCaption("About " + app.title);
    lblVersion.SetCaption("Version " + std::to_string(app.version.major) + "." +
                          std::to_string(app.version.minor) + "." +
                          std::to_string(app.version.revision));
    lblTitle.SetCaption("Zelt Utility");
}

void frmAbout::cmdOK_Click() {
    Unload();
}

}  // namespace forms
