#include "forms/frmClone.h"

#include <optional>

#include "forms/program.h"
#include "forms/progress.h"
#include "shared/deployment.h"

namespace forms {

frmClone::frmClone(Program& program) : ServerChooser(program) {}

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

    const std::string source = srcServer.Caption();
    const int16_t count = lstDestServers.ListCount();
    std::optional<RecordedRun> record;
    record.emplace(program_, "Clone",
                   "Clone " + source + " to " + std::to_string(count) + " servers");
    RunWithProgress(pbStatus, count, [&](int32_t i) {
        const std::string destination = lstDestServers.List(static_cast<int16_t>(i));
        if (destination != source) {  // never onto itself
            shared::RethrowFailure(shared::CloneServerApps(module_, source, destination));
        }
    });

    record.reset();
    desktop.SetBusy(false);
    ResetProgress(pbStatus);
    Message("Cloned " + std::to_string(count) + " servers", "Finished",
            shared::MessageIcon::Information);
}

}  // namespace forms
