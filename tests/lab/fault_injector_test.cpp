// Fault injection: by call number, by operation name, the count, and that every listed
// operation name is the one its call reports.
#include <algorithm>

#include "lab_fixture.h"

namespace lab::testing {
namespace {

constexpr int32_t kPlanned = -2147000001;

class FaultInjectorTest : public LabTest {};

TEST_F(FaultInjectorTest, FailsTheKthCallOnceAndKeepsCounting) {
    LabFactory factory = Factory();
    factory.Faults().FailCall(3, kPlanned, "third call");
    auto farm = factory.CreateFarm();  // 1
    farm->Initialize(1);               // 2
    try {
        farm->FarmName();  // 3
        ADD_FAILURE() << "call 3 did not fail";
    } catch (const farm::FarmError& error) {
        EXPECT_EQ(error.number(), kPlanned);
        EXPECT_EQ(error.description(), "third call");
    }
    EXPECT_EQ(farm->FarmName(), kDemoFarm);  // 4
    EXPECT_EQ(factory.Faults().CallCount(), 4);

    factory.Faults().ResetCount();
    auto servers = farm->Servers();                   // 1
    servers->Count();                                 // 2
    EXPECT_THROW(servers->Items(), farm::FarmError);  // 3 again after the reset
    EXPECT_EQ(factory.Faults().CallCount(), 3);
}

TEST_F(FaultInjectorTest, FailsEveryCallOfAnOperationAndTheFailingCallDoesNothing) {
    LabFactory factory = Factory();
    const FarmModel before = store->Read(kDemoFarm);
    factory.Faults().FailOperation("Application.SaveData", kPlanned, "no save");
    auto app = LoadApp(factory, "Applications/Calculator");
    app->WinAppObject()->Put("Description", std::string("changed"));
    for (int i = 0; i < 2; ++i) {
        EXPECT_THROW(app->SaveData(), farm::FarmError);
    }
    EXPECT_EQ(store->Read(kDemoFarm), before);

    factory.Faults().Clear();
    app->SaveData();
    EXPECT_EQ(store->Read(kDemoFarm).applications[1].description, "changed");
}

// Objects of every kind, made before any fault is planned, so that each named call below is
// exactly one call of the farm interface.
struct World {
    explicit World(LabTest& test, LabFactory& factory, const std::string& iconPath)
        : f(factory), icon(iconPath) {
        farm = f.CreateFarm();
        farm->Initialize(1);
        zones = farm->Zones();
        zone = std::move(zones->Items().front());
        servers = farm->Servers();
        server = farm->GetServer(6, "ZD-CTX01");
        winServer = server->WinServerObject();
        apps = farm->Applications();
        winFarm = farm->WinFarmObject();
        app = farm->GetApplication(3, "Applications/Notepad");
        app->LoadData(true);
        view = app->WinAppObject();
        view->WriteIconToFile(icon);
        bindings = app->Servers();
        accounts = app->Users();
        binding = f.CreateBinding();
        binding->Initialize(6, "ZD-CTX05", "");
        credential = f.CreateCredential();
        user = f.CreateUser();
        user->Initialize(1, "ZELTLAB", 2, "frank", *credential);
        group = f.CreateGroup();
        group->Initialize(1, "ZELTLAB", 2, "Sales", *credential);
        folder = f.CreateFolder();
        folder->Initialize(3, "Applications");
        (void)test;
    }
    LabFactory& f;
    std::string icon;
    std::unique_ptr<farm::Farm> farm;
    std::unique_ptr<farm::Collection<farm::Zone>> zones;
    std::unique_ptr<farm::Zone> zone;
    std::unique_ptr<farm::Collection<farm::Server>> servers;
    std::unique_ptr<farm::Server> server;
    std::unique_ptr<farm::WinServer> winServer;
    std::unique_ptr<farm::Collection<farm::Application>> apps;
    std::unique_ptr<farm::WinFarm> winFarm;
    std::unique_ptr<farm::Application> app;
    std::unique_ptr<farm::WinApp> view;
    std::unique_ptr<farm::Collection<farm::Binding>> bindings;
    std::unique_ptr<farm::Collection<farm::Account>> accounts;
    std::unique_ptr<farm::Binding> binding;
    std::unique_ptr<farm::Credential> credential;
    std::unique_ptr<farm::Account> user;
    std::unique_ptr<farm::Account> group;
    std::unique_ptr<farm::Folder> folder;
};

struct NamedCall {
    const char* operation;
    void (*call)(World&);
};

const NamedCall kCalls[] = {
    {"Factory.CreateFarm", [](World& w) { w.f.CreateFarm(); }},
    {"Factory.CreateServer", [](World& w) { w.f.CreateServer(); }},
    {"Factory.CreateApplication", [](World& w) { w.f.CreateApplication(); }},
    {"Factory.CreateFolder", [](World& w) { w.f.CreateFolder(); }},
    {"Factory.CreateBinding", [](World& w) { w.f.CreateBinding(); }},
    {"Factory.CreateUser", [](World& w) { w.f.CreateUser(); }},
    {"Factory.CreateGroup", [](World& w) { w.f.CreateGroup(); }},
    {"Factory.CreateCredential", [](World& w) { w.f.CreateCredential(); }},
    {"Farm.Initialize", [](World& w) { w.farm->Initialize(1); }},
    {"Farm.FarmName", [](World& w) { w.farm->FarmName(); }},
    {"Farm.Zones", [](World& w) { w.farm->Zones(); }},
    {"Farm.Servers", [](World& w) { w.farm->Servers(); }},
    {"Farm.Applications", [](World& w) { w.farm->Applications(); }},
    {"Farm.WinFarmObject", [](World& w) { w.farm->WinFarmObject(); }},
    {"Farm.AddApplication", [](World& w) { w.farm->AddApplication(3); }},
    {"Farm.GetApplication", [](World& w) { w.farm->GetApplication(3, "Applications/Notepad"); }},
    {"Farm.GetServer", [](World& w) { w.farm->GetServer(6, "ZD-CTX02"); }},
    {"Zones.Count", [](World& w) { w.zones->Count(); }},
    {"Zones.Items", [](World& w) { w.zones->Items(); }},
    {"Zone.ZoneName", [](World& w) { w.zone->ZoneName(); }},
    {"Zone.DataCollector", [](World& w) { w.zone->DataCollector(); }},
    {"Servers.Count", [](World& w) { w.servers->Count(); }},
    {"Servers.Items", [](World& w) { w.servers->Items(); }},
    {"Applications.Count", [](World& w) { w.apps->Count(); }},
    {"Applications.Items", [](World& w) { w.apps->Items(); }},
    {"WinFarm.IsCitrixAdministrator", [](World& w) { w.winFarm->IsCitrixAdministrator(); }},
    {"WinFarm.Get", [](World& w) { w.winFarm->Get("SRPort"); }},
    {"WinFarm.Put", [](World& w) { w.winFarm->Put("SRPort", 1); }},
    {"Server.Initialize", [](World& w) { w.server->Initialize(6, "ZD-CTX02"); }},
    {"Server.ServerName", [](World& w) { w.server->ServerName(); }},
    {"Server.Applications", [](World& w) { w.server->Applications(); }},
    {"Server.WinServerObject", [](World& w) { w.server->WinServerObject(); }},
    {"WinServer.WinNTVerMajor", [](World& w) { w.winServer->WinNTVerMajor(); }},
    {"WinServer.WinNTVerMinor", [](World& w) { w.winServer->WinNTVerMinor(); }},
    {"Application.Initialize", [](World& w) { w.app->Initialize(3, "Applications/Calculator"); }},
    {"Application.LoadData", [](World& w) { w.app->LoadData(true); }},
    {"Application.SaveData", [](World& w) { w.app->SaveData(); }},
    {"Application.AppName", [](World& w) { w.app->AppName(); }},
    {"Application.DistinguishedName", [](World& w) { w.app->DistinguishedName(); }},
    {"Application.Description", [](World& w) { w.app->Description(); }},
    {"Application.Servers", [](World& w) { w.app->Servers(); }},
    {"Application.Users", [](World& w) { w.app->Users(); }},
    {"Application.Groups", [](World& w) { w.app->Groups(); }},
    {"Application.WinAppObject", [](World& w) { w.app->WinAppObject(); }},
    {"Application.AddServer", [](World& w) { w.app->AddServer(*w.binding); }},
    {"Application.RemoveServer", [](World& w) { w.app->RemoveServer("ZD-CTX01"); }},
    {"Application.Delete", [](World& w) { w.app->Delete(); }},
    {"Bindings.Count", [](World& w) { w.bindings->Count(); }},
    {"Bindings.Items", [](World& w) { w.bindings->Items(); }},
    {"Accounts.Count", [](World& w) { w.accounts->Count(); }},
    {"Accounts.Items", [](World& w) { w.accounts->Items(); }},
    {"WinApp.Get", [](World& w) { w.view->Get("AppName"); }},
    {"WinApp.Put", [](World& w) { w.view->Put("Description", std::string("d")); }},
    {"WinApp.SaveData", [](World& w) { w.view->SaveData(); }},
    {"WinApp.AddServer", [](World& w) { w.view->AddServer(*w.binding); }},
    {"WinApp.RemoveServer", [](World& w) { w.view->RemoveServer("ZD-CTX01"); }},
    {"WinApp.AddUser", [](World& w) { w.view->AddUser(*w.user); }},
    {"WinApp.AddGroup", [](World& w) { w.view->AddGroup(*w.group); }},
    {"WinApp.WriteIconToFile", [](World& w) { w.view->WriteIconToFile(w.icon); }},
    {"WinApp.LoadIconFromFile", [](World& w) { w.view->LoadIconFromFile(w.icon, 0); }},
    {"Folder.Initialize", [](World& w) { w.folder->Initialize(3, "Applications/Office"); }},
    {"Folder.AddSubFolder", [](World& w) { w.folder->AddSubFolder("New"); }},
    {"Binding.Initialize", [](World& w) { w.binding->Initialize(6, "ZD-CTX04", ""); }},
    {"Binding.ServerName", [](World& w) { w.binding->ServerName(); }},
    {"Account.Initialize",
     [](World& w) { w.user->Initialize(1, "ZELTLAB", 2, "bob", *w.credential); }},
    {"Account.AAType", [](World& w) { w.user->AAType(); }},
    {"Account.AccountType", [](World& w) { w.user->AccountType(); }},
    {"Account.AAName", [](World& w) { w.user->AAName(); }},
    {"Account.AccountName", [](World& w) { w.user->AccountName(); }},
};

class FaultNamesTest : public LabTest, public ::testing::WithParamInterface<NamedCall> {};

TEST_P(FaultNamesTest, EachCallCountsOnceUnderItsOwnName) {
    LabFactory factory = Factory();
    World world(*this, factory, dir.Utf8("icon.ico"));
    factory.Faults().ResetCount();
    GetParam().call(world);  // one call, counted once
    EXPECT_EQ(factory.Faults().CallCount(), 1);

    factory.Faults().FailOperation(GetParam().operation, kPlanned, GetParam().operation);
    try {
        GetParam().call(world);
        ADD_FAILURE() << GetParam().operation << " did not fail";
    } catch (const farm::FarmError& error) {
        EXPECT_EQ(error.number(), kPlanned);
    }
}

std::string CallName(const ::testing::TestParamInfo<NamedCall>& call) {
    std::string name = call.param.operation;
    name.erase(std::remove(name.begin(), name.end(), '.'), name.end());
    return name;
}

INSTANTIATE_TEST_SUITE_P(Lab, FaultNamesTest, ::testing::ValuesIn(kCalls), CallName);

}  // namespace
}  // namespace lab::testing
