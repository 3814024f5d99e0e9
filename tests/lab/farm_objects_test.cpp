// What the farm objects report and how their changes reach the store.
#include <algorithm>

#include "lab/icon.h"
#include "lab_fixture.h"

namespace lab::testing {
namespace {

class FarmObjectsTest : public LabTest {};

TEST_F(FarmObjectsTest, FarmReportsTheModelInItsOrder) {
    LabFactory factory = Factory();
    auto farm = OpenFarm(factory);
    const FarmModel model = MakeDemoFarm();
    EXPECT_EQ(farm->FarmName(), kDemoFarm);

    auto zones = farm->Zones()->Items();
    ASSERT_EQ(zones.size(), model.zones.size());
    EXPECT_EQ(zones[1]->ZoneName(), model.zones[1].name);
    EXPECT_EQ(zones[1]->DataCollector(), model.zones[1].dataCollector);

    auto servers = farm->Servers();
    EXPECT_EQ(servers->Count(), 6);
    std::vector<std::string> serverNames;
    for (auto& server : servers->Items()) {
        serverNames.push_back(server->ServerName());
    }
    EXPECT_EQ(serverNames.front(), "ZD-CTX01");
    EXPECT_EQ(serverNames.back(), "ZD-CTX06");

    std::vector<std::string> dns;
    for (auto& app : farm->Applications()->Items()) {
        dns.push_back(app->DistinguishedName());
    }
    EXPECT_EQ(dns, Names());
    EXPECT_EQ(farm->Applications()->Count(), 30);
}

TEST_F(FarmObjectsTest, AdministratorFlagIsAnAutomationBoolean) {
    LabFactory demo = Factory();
    LabFactory noAdmin = Factory(kNoAdminFarm);
    EXPECT_EQ(OpenFarm(demo)->WinFarmObject()->IsCitrixAdministrator(), farm::Value(-1));
    EXPECT_EQ(OpenFarm(noAdmin)->WinFarmObject()->IsCitrixAdministrator(), farm::Value(0));
}

TEST_F(FarmObjectsTest, FarmSettingPutConvertsAndWritesThroughAtOnce) {
    struct Case {
        const char* key;
        farm::Value assigned;
        farm::Value stored;
    };
    const Case cases[] = {
        {"MaxConnectionsPerUser", std::string(" 12 "), 12},
        {"MaxConnectionsPerUser", std::string("-7"), -7},
        {"ICAKeepAliveTime", std::string("2.5"), 2},
        {"ICAKeepAliveTime", std::string("3.5"), 4},
        {"ICAKeepAliveTime", std::string("3.51"), 4},
        {"ICAVideoBufferSize", 2048, 2048},
        {"SNMPThresholdValue", std::string("-2147483648"), INT32_MIN},
        {"NDSPreferredTree", 42, std::string("42")},
        {"licenseservername", std::string("lic=1:a\nb"), std::string("lic=1:a\nb")},
    };
    LabFactory factory = Factory();
    auto view = OpenFarm(factory)->WinFarmObject();
    for (const Case& c : cases) {
        view->Put(c.key, c.assigned);
        // Another store object stands for another process: no save is needed.
        LabFactory other(std::make_shared<FarmStore>(store->Root()), kDemoFarm);
        EXPECT_EQ(OpenFarm(other)->WinFarmObject()->Get(c.key), c.stored) << c.key;
    }
    EXPECT_EQ(store->Read(kDemoFarm).settings.at("LicenseServerName"), farm::Value("lic=1:a\nb"));
}

TEST_F(FarmObjectsTest, NewApplicationLivesInItsWorkingCopyUntilSaved) {
    LabFactory factory = Factory();
    auto farm = OpenFarm(factory);
    auto app = farm->AddApplication(3);
    auto view = app->WinAppObject();
    EXPECT_EQ(view->Get("ParentFolderDN"), farm::Value("Applications"));
    EXPECT_EQ(view->Get("InstanceLimit"), farm::Value(0));
    EXPECT_EQ(view->Get("DefaultInitProg"), farm::Value(""));

    view->Put("AppName", std::string("Clock"));
    view->Put("ParentFolderDN", std::string("applications/tools"));
    view->Put("InstanceLimit", std::string("4"));
    app->AddServer(*Bind(factory, "ZD-CTX02", app->DistinguishedName()));
    EXPECT_EQ(app->DistinguishedName(), "applications/tools/Clock");
    EXPECT_EQ(Names().size(), 30u);

    view->SaveData();
    ASSERT_EQ(Names().size(), 31u);
    EXPECT_EQ(Names().back(), "Applications/Tools/Clock");  // the farm's spelling of the folder
    const AppRecord saved = store->Read(kDemoFarm).applications.back();
    EXPECT_EQ(saved.keys.at("InstanceLimit"), farm::Value(4));
    EXPECT_EQ(saved.servers, std::vector<std::string>{"ZD-CTX02"});

    // Saving again updates the same application rather than adding one.
    view->Put("Description", std::string("Time"));
    app->SaveData();
    EXPECT_EQ(Names().size(), 31u);
    EXPECT_EQ(store->Read(kDemoFarm).applications.back().description, "Time");
}

TEST_F(FarmObjectsTest, RenameAndMoveKeepThePlaceInTheOrder) {
    LabFactory factory = Factory();
    auto app = LoadApp(factory, "Applications/Office/Excel");
    const auto before = Names();
    const auto place =
        std::find(before.begin(), before.end(), "Applications/Office/Excel") - before.begin();

    app->WinAppObject()->Put("AppName", std::string("Calc Sheets"));
    app->WinAppObject()->Put("ParentFolderDN", std::string("Applications/Tools"));
    EXPECT_EQ(Names(), before);  // nothing stored before the save
    app->SaveData();

    auto after = Names();
    EXPECT_EQ(after[place], "Applications/Tools/Calc Sheets");
    EXPECT_EQ(std::count(after.begin(), after.end(), "Applications/Office/Excel"), 0);
    EXPECT_EQ(app->DistinguishedName(), "Applications/Tools/Calc Sheets");
    // The object now stands for its new name: saving again changes it in place.
    app->WinAppObject()->Put("Description", std::string("moved"));
    app->SaveData();
    EXPECT_EQ(Names(), after);
}

TEST_F(FarmObjectsTest, SavingALoadedApplicationAfterItsDeletionStoresItAgainAtTheEnd) {
    LabFactory factory = Factory();
    auto loaded = LoadApp(factory, "Applications/Notepad");
    const AppRecord original = store->Read(kDemoFarm).applications.front();
    LoadApp(factory, "Applications/Notepad")->Delete();
    EXPECT_EQ(Names().size(), 29u);

    loaded->SaveData();
    const FarmModel model = store->Read(kDemoFarm);
    ASSERT_EQ(model.applications.size(), 30u);
    EXPECT_EQ(model.applications.back(), original);
}

TEST_F(FarmObjectsTest, ObjectsReadTheStoreAfreshAndSeeOtherWriters) {
    LabFactory factory = Factory();
    auto farm = OpenFarm(factory);
    auto app = farm->GetApplication(3, "Applications/Office/Word");  // not loaded
    auto servers = app->Servers();
    const int32_t bound = servers->Count();

    LabFactory other(std::make_shared<FarmStore>(store->Root()), kDemoFarm);
    auto word = LoadApp(other, "applications/office/word");
    word->AddServer(*Bind(other, "ZD-CTX05"));  // Word is bound to 06, 01, 02 and 03
    word->WinAppObject()->Put("Description", std::string("Changed elsewhere"));
    word->SaveData();

    EXPECT_EQ(servers->Count(), bound + 1);
    EXPECT_EQ(app->Description(), "Changed elsewhere");
    EXPECT_EQ(farm->Applications()->Count(), 30);
}

TEST_F(FarmObjectsTest, UnloadedApplicationFromAServerCanBeUnboundAndSaved) {
    LabFactory factory = Factory();
    auto server = OpenFarm(factory)->GetServer(6, "zd-ctx01");
    auto apps = server->Applications()->Items();
    ASSERT_FALSE(apps.empty());
    std::vector<std::string> expected;
    for (const AppRecord& record : store->Read(kDemoFarm).applications) {
        if (std::find(record.servers.begin(), record.servers.end(), "ZD-CTX01") !=
            record.servers.end()) {
            expected.push_back(record.DistinguishedName());
        }
    }
    std::vector<std::string> listed;
    for (auto& app : apps) {
        listed.push_back(app->DistinguishedName());
        app->RemoveServer("ZD-CTX01");
        app->SaveData();
    }
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(server->Applications()->Count(), 0);
    EXPECT_EQ(server->ServerName(), "ZD-CTX01");
    auto version = server->WinServerObject();
    EXPECT_EQ(version->WinNTVerMajor(), 5);
    EXPECT_EQ(version->WinNTVerMinor(), 2);
}

TEST_F(FarmObjectsTest, AccountsKeepTheirFourFieldsAndReachTheStore) {
    LabFactory factory = Factory();
    auto credential = factory.CreateCredential();
    auto user = factory.CreateUser();
    // As public writes give them: authority type, authority name, account type, name.
    user->Initialize(/*aaType=*/1, "ZELTLAB", /*accountType=*/2, "grace", *credential);
    EXPECT_EQ(user->AAType(), 1);
    EXPECT_EQ(user->AccountType(), 2);
    EXPECT_EQ(user->AAName(), "ZELTLAB");
    EXPECT_EQ(user->AccountName(), "grace");

    auto app = LoadApp(factory, "Applications/Office/Visio");
    app->WinAppObject()->AddUser(*user);
    app->SaveData();
    auto users = LoadApp(factory, "Applications/Office/Visio")->Users()->Items();
    ASSERT_FALSE(users.empty());
    EXPECT_EQ(users.back()->AAType(), 1);
    EXPECT_EQ(users.back()->AccountType(), 2);
    EXPECT_EQ(users.back()->AccountName(), "grace");
}

// Once its window type is put, a new application takes its sizes; a stored one, which has a
// type, takes a size alone (the refusal before the type is among the rules).
TEST_F(FarmObjectsTest, WindowSizesFollowTheWindowType) {
    LabFactory factory = Factory();
    auto view = OpenFarm(factory)->AddApplication(3)->WinAppObject();
    view->Put("DefaultWindowType", 2);
    view->Put("DefaultWindowWidth", 640);
    EXPECT_EQ(view->Get("DefaultWindowWidth"), farm::Value(640));
    auto stored = LoadApp(factory, "Applications/Notepad");
    stored->WinAppObject()->Put("DefaultWindowScale", 80);
    stored->SaveData();
    EXPECT_EQ(store->Read(kDemoFarm).applications[0].keys.at("DefaultWindowScale"),
              farm::Value(80));
}

TEST_F(FarmObjectsTest, IconsTravelThroughFilesByteForByte) {
    LabFactory factory = Factory();
    auto word = LoadApp(factory, "Applications/Office/Word");
    const std::string path = dir.Utf8("W\xc3\xb6rd ikon.ico");
    word->WinAppObject()->WriteIconToFile(path);
    const std::string written =
        ReadFile(std::filesystem::path(std::u8string(path.begin(), path.end())));
    EXPECT_EQ(written, store->Read(kDemoFarm).applications[5].icon);

    auto fresh = OpenFarm(factory)->AddApplication(3);
    fresh->WinAppObject()->WriteIconToFile(dir.Utf8("default.ico"));
    EXPECT_EQ(ReadFile(dir.path() / "default.ico"), MakeIcon(0));

    auto notepad = LoadApp(factory, "Applications/Notepad");
    notepad->WinAppObject()->LoadIconFromFile(path, 0);
    notepad->SaveData();
    EXPECT_EQ(store->Read(kDemoFarm).applications[0].icon, written);
}

TEST_F(FarmObjectsTest, SubfoldersBecomeHomesForApplications) {
    LabFactory factory = Factory();
    auto folder = factory.CreateFolder();
    folder->Initialize(3, "applications/office");
    folder->AddSubFolder("Legacy");
    auto nested = factory.CreateFolder();
    nested->Initialize(3, "Applications/Office/Legacy");
    nested->AddSubFolder("Old");

    auto app = LoadApp(factory, "Applications/Tools/Paint");
    app->WinAppObject()->Put("ParentFolderDN", std::string("Applications/Office/Legacy/Old"));
    app->SaveData();
    const auto folders = store->Read(kDemoFarm).folders;
    EXPECT_NE(std::find(folders.begin(), folders.end(), "Applications/Office/Legacy/Old"),
              folders.end());
    EXPECT_NO_THROW(LoadApp(factory, "Applications/Office/Legacy/Old/Paint"));
}

TEST_F(FarmObjectsTest, BindingWithoutNameJoinsWhicheverApplicationTakesIt) {
    LabFactory factory = Factory();
    auto binding = Bind(factory, "zd-ctx06");
    EXPECT_EQ(binding->ServerName(), "ZD-CTX06");
    for (const char* dn : {"Applications/Calculator", "Applications/Business/Payroll"}) {
        auto app = LoadApp(factory, dn);
        for (auto& bound : app->Servers()->Items()) {
            if (bound->ServerName() == "ZD-CTX06") {
                app->RemoveServer("ZD-CTX06");
            }
        }
        app->AddServer(*binding);
        app->SaveData();
        auto servers = LoadApp(factory, dn)->Servers()->Items();
        EXPECT_EQ(servers.back()->ServerName(), "ZD-CTX06") << dn;
    }
}

}  // namespace
}  // namespace lab::testing
