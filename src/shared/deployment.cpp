#include "shared/deployment.h"

#include "shared/shared.h"

namespace shared {

namespace {

// Runs a final commit step whose refusal by the farm is passed over silently.
template <class Step>
void PassOverRefusal(Step&& step) {
    try {
        step();
    } catch (const farm::FarmError&) {
    }
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

void PublishAppOnServer(Shared& shared, const std::string& distinguishedName,
                        const std::string& serverName) {
    shared.OpenFarm();
    farm::Application& application = OpenApplication(shared, distinguishedName);

    shared.currentBinding = shared.factory.CreateBinding();
    farm::Binding& binding = *shared.currentBinding;
    binding.Initialize(farm::kWinSrvObject, serverName, "");

    PassOverRefusal([&] { application.AddServer(binding); });
    PassOverRefusal([&] { application.SaveData(); });
}

void UnpublishAppFromServer(Shared& shared, const std::string& distinguishedName,
                            const std::string& serverName) {
    shared.OpenFarm();
    farm::Application& application = OpenApplication(shared, distinguishedName);

    PassOverRefusal([&] { application.RemoveServer(serverName); });
    PassOverRefusal([&] { application.SaveData(); });
}

void SetAppOptions(Shared& shared, const std::string& distinguishedName, int32_t windowType,
                   int32_t windowColor, int32_t encryption, int32_t soundType, int16_t windowScale,
                   int16_t windowHeight, int16_t windowWidth) {
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

    PassOverRefusal([&] { view.SaveData(); });
}

std::vector<std::string_view> ApplicationOptionSettings() {
    return {"DefaultEncryption",  "DefaultSoundType",    "DefaultWindowColor", "DefaultWindowType",
            "DefaultWindowScale", "DefaultWindowHeight", "DefaultWindowWidth"};
}

}  // namespace shared
