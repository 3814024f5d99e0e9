#include "shared/deployment.h"

#include <algorithm>
#include <utility>

#include "shared/shared.h"

namespace shared {

namespace {

// Runs a final commit step whose refusal by the farm is passed over: the run goes on, and
// the refusal is handed back.
template <class Step>
std::optional<Refusal> PassOverRefusal(Step&& step) {
    try {
        step();
    } catch (const farm::FarmError& e) {
        return Refusal{e.number(), e.description()};
    }
    return std::nullopt;
}

// The first of two refusals, when there is one.
std::optional<Refusal> First(std::optional<Refusal> first, std::optional<Refusal> second) {
    return first ? std::move(first) : std::move(second);
}

// A new application object bound to the distinguished name and loaded, kept as the
// current application.
farm::Application& OpenApplication(Shared& shared, const std::string& distinguishedName) {
    shared.currentApplication = shared.factory.CreateApplication();
    farm::Application& application = *shared.currentApplication;
    application.Initialize(farm::kWinAppObject, distinguishedName);
    application.LoadData(true);
    return application;
}

}  // namespace

void CloneServerApps(Shared& shared, const std::string& sourceServer,
                     const std::string& destinationServer) {
    shared.OpenFarm();

    shared.currentServer = shared.factory.CreateServer();
    shared.currentServer->Initialize(farm::kWinSrvObject, sourceServer);

    auto applications = shared.currentServer->Applications();
    for (auto& item : applications->Items()) {
        shared.currentApplication = std::move(item);
        farm::Application& application = *shared.currentApplication;

        shared.currentBinding = shared.factory.CreateBinding();
        application.LoadData(true);
        shared.currentBinding->Initialize(farm::kWinSrvObject, destinationServer, "");
        application.AddServer(*shared.currentBinding);
        application.SaveData();
    }
}

std::optional<Refusal> PublishAppOnServer(Shared& shared, const std::string& distinguishedName,
                                          const std::string& serverName) {
    shared.OpenFarm();
    farm::Application& application = OpenApplication(shared, distinguishedName);

    shared.currentBinding = shared.factory.CreateBinding();
    farm::Binding& binding = *shared.currentBinding;
    binding.Initialize(farm::kWinSrvObject, serverName, "");

    std::optional<Refusal> added = PassOverRefusal([&] { application.AddServer(binding); });
    std::optional<Refusal> saved = PassOverRefusal([&] { application.SaveData(); });
    return First(std::move(added), std::move(saved));
}

std::optional<Refusal> UnpublishAppFromServer(Shared& shared, const std::string& distinguishedName,
                                              const std::string& serverName) {
    shared.OpenFarm();
    farm::Application& application = OpenApplication(shared, distinguishedName);

    std::optional<Refusal> removed = PassOverRefusal([&] { application.RemoveServer(serverName); });
    std::optional<Refusal> saved = PassOverRefusal([&] { application.SaveData(); });
    return First(std::move(removed), std::move(saved));
}

std::optional<Refusal> SetAppOptions(Shared& shared, const std::string& distinguishedName,
                                     int32_t windowType, int32_t windowColor, int32_t encryption,
                                     int32_t soundType, int16_t windowScale, int16_t windowHeight,
                                     int16_t windowWidth) {
    farm::Application& application = OpenApplication(shared, distinguishedName);

    shared.currentWinApp = application.WinAppObject();
    farm::WinApp& view = *shared.currentWinApp;
    // The 16-bit values widen with their sign.
    view.Put("DefaultEncryption", farm::Value{encryption});
    view.Put("DefaultSoundType", farm::Value{soundType});
    view.Put("DefaultWindowColor", farm::Value{windowColor});
    view.Put("DefaultWindowType", farm::Value{windowType});
    view.Put("DefaultWindowScale", farm::Value{int32_t{windowScale}});
    view.Put("DefaultWindowHeight", farm::Value{int32_t{windowHeight}});
    view.Put("DefaultWindowWidth", farm::Value{int32_t{windowWidth}});

    return PassOverRefusal([&] { view.SaveData(); });
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
    const size_t listed = std::min(refused_.size(), kItemsListed);
    for (size_t i = 0; i < listed; ++i) {
        const Item& item = refused_[i];
        text += "\r\n" + item.application;
        if (!item.server.empty()) {
            text += " on " + item.server;
        }
        text += "\r\n     Error " + std::to_string(item.refusal.number) + ": " +
                item.refusal.description;
    }
    if (refused_.size() > listed) {
        text += "\r\n... and " + std::to_string(refused_.size() - listed) + " more.";
    }
    return text;
}

MessageIcon RunRefusals::CompletionIcon() const {
    return refused_.empty() ? MessageIcon::Information : MessageIcon::Warning;
}

std::vector<std::string_view> ApplicationOptionSettings() {
    return {"DefaultEncryption",  "DefaultSoundType",    "DefaultWindowColor", "DefaultWindowType",
            "DefaultWindowScale", "DefaultWindowHeight", "DefaultWindowWidth"};
}

}  // namespace shared
