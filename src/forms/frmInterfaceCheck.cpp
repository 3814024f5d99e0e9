#include "forms/frmInterfaceCheck.h"

#include <string>

#include "farm/farm.h"
#include "forms/program.h"

namespace forms {

frmInterfaceCheck::frmInterfaceCheck(Program& program)
    : Form(program.Desktop()), program_(program) {}

ui::FormStyle frmInterfaceCheck::Style() const {
    return {.caption = "Farm Interface Check",
            .width = 12000,
            .height = 7200,
            .placement = ui::Placement::CenterOwner,
            .border = ui::Border::FixedDialog,
            .showInTaskbar = false};
}

void frmInterfaceCheck::CreateControls() {
    txtReport.Create(*this, {120, 120, 11760, 6300});
    cmdClose.Create(*this, {10665, 6600, 1215, 375}, "&Close");
    SetDefaultButton(cmdClose);
    SetCancelButton(cmdClose);
    OnClick(cmdClose, [this] { cmdClose_Click(); });
}

void frmInterfaceCheck::Form_Load() {
    ui::Desktop& desktop = GetDesktop();
    desktop.SetBusy(true);
    std::string report;
    try {
        report = program_.GetServices().checkFarmInterface();
    } catch (const farm::FarmError& e) {
        report = "The farm interface check could not run: " + e.description();
    }
    txtReport.SetReport(report);
    desktop.SetBusy(false);
}

void frmInterfaceCheck::cmdClose_Click() {
    Unload();
}

}  // namespace forms
