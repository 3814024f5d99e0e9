#include "forms/frmClone.h"

#include "forms/program.h"
#include "shared/deployment.h"

namespace forms {

frmClone::frmClone(Program& program) : ServerChooser(program.Desktop(), program.Shared()) {}

std::string frmClone::HintText() const {
    return "Choose the servers on which published applications will run.";
}

void frmClone::CreateOwnControls() {
    lblSrcServer.Create(*this, {5040, 120, 1920, 255}, "Source Server:");
    srcServer.Create(*this, {5040, 375, 1920, 255}, {});
}

void frmClone::btnClone_Click() {
    ui::Desktop& desktop = GetDesktop();
    desktop.SetBusy(true);
    StartProgress();
    double progress = 0;

    const std::string source = srcServer.Caption();
    const int16_t count = lstDestServers.ListCount();
    for (int16_t i = 0; i < count; ++i) {
        // One step ahead: the bar moves before the server's work.
        progress += 99.0 / count;
        pbStatus.SetValue(static_cast<float>(progress));
        const std::string destination = lstDestServers.List(i);
        if (destination == source) {
            continue;  // never onto itself
        }
        shared::CloneServerApps(module_, source, destination);
    }

    desktop.SetBusy(false);
    StopProgress();
    Message("Cloned " + std::to_string(count) + " servers", "Finished",
            shared::MessageIcon::Information);
}

}  // namespace forms
