#include "shared/change_journal.h"

#include "shared/server_mapping.h"
#include "shared/shared.h"

namespace shared {

void NoteBindingChange(Shared& shared, farm::Application& application,
                       const std::string& distinguishedName, const std::string& server,
                       bool boundAfter) {
    if (shared.journal != nullptr) {
        shared.journal->BindingChanging(distinguishedName, server, IsBoundTo(application, server),
                                        boundAfter);
    }
}

bool IsBoundTo(farm::Application& application, std::string_view server) {
    const std::string wanted = FoldedName(server);
    for (const auto& binding : application.Servers()->Items()) {
        if (FoldedName(binding->ServerName()) == wanted) {
            return true;
        }
    }
    return false;
}

}  // namespace shared
