#include "forms/frmPublish.h"

#include "forms/program.h"
#include "shared/deployment.h"

namespace forms {

frmPublish::frmPublish(Program& program) : ServerChooser(program) {}

std::string frmPublish::HintText() const {
    return "Choose the servers on which selected published applications will run.";
}

void frmPublish::CreateOwnControls() {
    lstApps.Create(*this, {0, 0, 0, 0}, {.sorted = false, .selection = ui::Selection::Single});
    lstApps.SetVisible(false);
}

void frmPublish::btnPublish_Click() {
    RunPairs(
        lstApps,
        [this](const std::string& distinguishedName, const std::string& serverName) {
            return shared::PublishAppOnServer(module_, distinguishedName, serverName);
        },
        "Published ", "Publish");
}

}  // namespace forms
