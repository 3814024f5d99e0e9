#include "shared/deployment.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "shared/shared.h"

namespace shared {

namespace {

// Runs a final commit step whose refusal by the farm is passed over: the run goes on.
template <class Step>
bool PassOverRefusal(Outcome& outcome, const std::string& application, const std::string& server,
                     Step&& step) {
    try {
        step();
    } catch (const farm::FarmError& e) {
        outcome.passedOver.push_back(PassedOverItem{
            PassedOver::Commit, {e.number(), e.description()}, 0, {}, application, server, {}});
        return false;
    }
    return true;
}

// A new application object bound to the distinguished name and loaded.
std::unique_ptr<farm::Application> OpenApplication(Shared& shared,
                                                   const std::string& distinguishedName) {
    std::unique_ptr<farm::Application> application = shared.factory.CreateApplication();
    application->Initialize(farm::kWinAppObject, distinguishedName);
    application->LoadData(true);
    return application;
}

// Runs an operation's body; whatever escapes it is the outcome's failure.
template <class Body>
Outcome Run(Operation operation, Body&& body) {
    Outcome outcome(operation);
    try {
        body(outcome);
    } catch (...) {
        outcome.failure = Failure{CurrentError(), 0, {}};
    }
    return outcome;
}

// The final commit of a binding change: the change, then the save, each refusal passed over;
// the binding counts as changed when the farm took both.
template <class Step>
void CommitBinding(Shared& shared, Outcome& outcome, ChangeKind kind,
                   farm::Application& application, const std::string& distinguishedName,
                   const std::string& serverName, Step&& change) {
    NoteBindingChange(shared, application, distinguishedName, serverName,
                      kind == ChangeKind::BindingAdded);
    const bool changed = PassOverRefusal(outcome, distinguishedName, serverName, change);
    const bool saved =
        PassOverRefusal(outcome, distinguishedName, serverName, [&] { application.SaveData(); });
    if (changed && saved) {
        outcome.changes.push_back(
            Change{kind, distinguishedName, serverName, {}, std::nullopt, std::nullopt});
    }
}

}  // namespace

Outcome CloneServerApps(Shared& shared, const std::string& sourceServer,
                        const std::string& destinationServer) {
    return Run(Operation::CloneServerApps, [&](Outcome& outcome) {
        shared.OpenFarm();

        const std::unique_ptr<farm::Server> server = shared.factory.CreateServer();
        server->Initialize(farm::kWinSrvObject, sourceServer);

        auto applications = server->Applications();
        for (auto& application : applications->Items()) {
            const std::unique_ptr<farm::Binding> binding = shared.factory.CreateBinding();
            application->LoadData(true);
            std::string distinguishedName = application->DistinguishedName();
            binding->Initialize(farm::kWinSrvObject, destinationServer, "");
            NoteBindingChange(shared, *application, distinguishedName, destinationServer, true);
            application->AddServer(*binding);
            application->SaveData();
            outcome.changes.push_back(Change{ChangeKind::BindingAdded,
                                             std::move(distinguishedName),
                                             destinationServer,
                                             {},
                                             std::nullopt,
                                             std::nullopt});
        }
    });
}

Outcome PublishAppOnServer(Shared& shared, const std::string& distinguishedName,
                           const std::string& serverName) {
    return Run(Operation::PublishAppOnServer, [&](Outcome& outcome) {
        shared.OpenFarm();
        const std::unique_ptr<farm::Application> application =
            OpenApplication(shared, distinguishedName);

        const std::unique_ptr<farm::Binding> binding = shared.factory.CreateBinding();
        binding->Initialize(farm::kWinSrvObject, serverName, "");

        CommitBinding(shared, outcome, ChangeKind::BindingAdded, *application, distinguishedName,
                      serverName, [&] { application->AddServer(*binding); });
    });
}

Outcome UnpublishAppFromServer(Shared& shared, const std::string& distinguishedName,
                               const std::string& serverName) {
    return Run(Operation::UnpublishAppFromServer, [&](Outcome& outcome) {
        shared.OpenFarm();
        const std::unique_ptr<farm::Application> application =
            OpenApplication(shared, distinguishedName);

        CommitBinding(shared, outcome, ChangeKind::BindingRemoved, *application, distinguishedName,
                      serverName, [&] { application->RemoveServer(serverName); });
    });
}

Outcome SetAppOptions(Shared& shared, const std::string& distinguishedName,
                      const AppOptions& options) {
    return Run(Operation::SetAppOptions, [&](Outcome& outcome) {
        const std::unique_ptr<farm::Application> application =
            OpenApplication(shared, distinguishedName);
        const std::unique_ptr<farm::WinApp> view = application->WinAppObject();
        const std::vector<std::pair<std::string_view, int32_t>> values = OptionValues(options);
        if (shared.journal != nullptr) {
            SettingValues before;
            SettingValues after;
            for (const auto& [name, value] : values) {
                before.emplace_back(std::string(name), view->Get(name));
                after.emplace_back(std::string(name), farm::Value{value});
            }
            shared.journal->SettingsChanging(distinguishedName, before, after);
        }
        for (const auto& [name, value] : values) {
            view->Put(name, farm::Value{value});
        }
        if (PassOverRefusal(outcome, distinguishedName, {}, [&] { view->SaveData(); })) {
            for (const auto& [name, value] : values) {
                outcome.changes.push_back(Change{ChangeKind::ApplicationSetting,
                                                 distinguishedName,
                                                 {},
                                                 std::string(name),
                                                 std::nullopt,
                                                 std::to_string(value)});
            }
        }
    });
}

void RunRefusals::Note(const std::string& application, const std::string& server,
                       const std::optional<Refusal>& refusal) {
    ++itemsRun_;
    if (refusal) {
        refused_.push_back({application, server, *refusal});
    }
}

std::string RunRefusals::CompletionText(std::string_view done) const {
    std::string text(done);
    if (refused_.empty()) {
        return text;
    }
    const bool pairs = items_ == RunItems::Pairs;
    const char* noun =
        pairs ? (itemsRun_ == 1 ? "application-server pair" : "application-server pairs")
              : (itemsRun_ == 1 ? "application" : "applications");
    text += "\r\n\r\nThe farm refused " + std::to_string(refused_.size()) + " of " +
            std::to_string(itemsRun_) + " " + noun + ":";
    std::vector<ListedRefusal> listed;
    for (const Item& item : refused_) {
        listed.push_back(
            {item.server.empty() ? item.application : item.application + " on " + item.server,
             item.refusal});
    }
    return text + RefusalList(listed);
}

MessageIcon RunRefusals::CompletionIcon() const {
    return refused_.empty() ? MessageIcon::Information : MessageIcon::Warning;
}

std::vector<std::pair<std::string_view, int32_t>> OptionValues(const AppOptions& options) {
    // The window type before the sizes; the 16-bit values widen with their sign.
    return {
        {"DefaultEncryption", options.encryption},
        {"DefaultSoundType", options.soundType},
        {"DefaultWindowColor", options.windowColor},
        {"DefaultWindowType", options.windowType},
        {"DefaultWindowScale", int32_t{options.windowScale}},
        {"DefaultWindowHeight", int32_t{options.windowHeight}},
        {"DefaultWindowWidth", int32_t{options.windowWidth}},
    };
}

std::vector<std::string_view> ApplicationOptionSettings() {
    std::vector<std::string_view> names;
    for (const auto& [name, value] : OptionValues({})) {
        names.push_back(name);
    }
    return names;
}

}  // namespace shared
