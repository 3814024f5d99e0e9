#include "forms/frmUnPublish.h"

#include "forms/program.h"
#include "shared/deployment.h"

namespace forms {

frmUnPublish::frmUnPublish(Program& program) : ServerChooser(program) {}

std::string frmUnPublish::HintText() const {
    return "Choose the servers of which selected applications will be unpublished";
}

void frmUnPublish::CreateOwnControls() {
    lstApps.Create(*this, {0, 0, 0, 0}, {.sorted = false, .selection = ui::Selection::Single});
    lstApps.SetVisible(false);
}

void frmUnPublish::btnUnPublish_Click() {
    RunPairs(
        lstApps,
        [this](const std::string& distinguishedName, const std::string& serverName) {
            return shared::UnpublishAppFromServer(module_, distinguishedName, serverName);
        },
        "Unpublished ", "Unpublish");
}

}  // namespace forms
