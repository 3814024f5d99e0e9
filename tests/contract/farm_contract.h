// The contract every backend of the farm interface keeps: the same farm read the same way,
// the lab farm's refusals with their rules' numbers and the lab's descriptions, and
// the same faults when the lab's fault injector plans them. A test file instantiates it
// once per backend:
//
//   INSTANTIATE_TEST_SUITE_P(Lab, FarmContract, ::testing::Values(BackendParam{"Lab", Make}),
//                            BackendName);
//
// Include this header from one test file per test program only.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "contract/contract_support.h"
#include "farm/farm.h"
#include "lab/lab.h"
#include "lab/os_file.h"
#include "lab/rules.h"

namespace contract {

// What the contract needs of a backend, on a farm store in a folder of the test's own.
class Backend {
  public:
    virtual ~Backend() = default;
    // The factory under test.
    virtual farm::ObjectFactory& Factory() = 0;
    // The store the backend serves, as the test sees it.
    virtual lab::FarmStore& Store() = 0;
    // Makes farm objects initialised from now on answer for that farm (none: no farm).
    virtual void Reach(const std::optional<std::string>& farmName) = 0;
    // The backend's fault injector.
    virtual void FailCall(int64_t callNumber, int32_t number, const std::string& text) = 0;
    virtual void FailOperation(const std::string& operation, int32_t number,
                               const std::string& text) = 0;
    virtual void ClearFaults() = 0;
    virtual int64_t CallCount() = 0;
};

struct BackendParam {
    std::string name;
    std::function<std::unique_ptr<Backend>(const std::filesystem::path& storeRoot)> make;
};

inline void PrintTo(const BackendParam& param, std::ostream* out) {
    *out << param.name;
}

inline std::string BackendName(const ::testing::TestParamInfo<BackendParam>& info) {
    return info.param.name;
}

class FarmContract : public ::testing::TestWithParam<BackendParam> {
  protected:
    void SetUp() override {
        root_ = UniqueTempFolder("zelt-contract");
        backend_ = GetParam().make(root_);
        model_ = ContractFarm();
        backend_->Store().Write(model_);
        backend_->Store().Write(ContractNoAdminFarm());
        backend_->Reach(model_.name);
    }

    void TearDown() override {
        if (backend_) {
            backend_->ClearFaults();
        }
        backend_.reset();
        lab::os::RemoveTree(root_);
    }

    farm::ObjectFactory& Factory() { return backend_->Factory(); }
    lab::FarmModel Stored() { return backend_->Store().Read(model_.name); }

    static std::unique_ptr<farm::Farm> OpenFarm(farm::ObjectFactory& factory) {
        auto farm = factory.CreateFarm();
        farm->Initialize(farm::kWinFarmObject);
        return farm;
    }
    std::unique_ptr<farm::Farm> OpenFarm() { return OpenFarm(Factory()); }

    std::unique_ptr<farm::Application> LoadApp(const std::string& dn) {
        auto app = Factory().CreateApplication();
        app->Initialize(farm::kWinAppObject, dn);
        app->LoadData(true);
        return app;
    }

    static const lab::AppRecord& App(const lab::FarmModel& model, const std::string& name) {
        for (const auto& app : model.applications) {
            if (app.name == name) {
                return app;
            }
        }
        throw std::runtime_error("no application " + name);
    }

    std::filesystem::path root_;
    std::unique_ptr<Backend> backend_;
    lab::FarmModel model_;
};

TEST_P(FarmContract, ReadsTheFarmAsStoredInItsOrder) {
    auto farm = OpenFarm();
    EXPECT_EQ(farm->FarmName(), model_.name);

    auto zones = farm->Zones();
    auto zoneItems = zones->Items();
    ASSERT_EQ(zones->Count(), static_cast<int32_t>(model_.zones.size()));
    ASSERT_EQ(zoneItems.size(), model_.zones.size());
    for (size_t i = 0; i < zoneItems.size(); ++i) {
        EXPECT_EQ(zoneItems[i]->ZoneName(), model_.zones[i].name);
        EXPECT_EQ(zoneItems[i]->DataCollector(), model_.zones[i].dataCollector);
    }

    auto servers = farm->Servers();
    EXPECT_EQ(servers->Count(), static_cast<int32_t>(model_.servers.size()));
    std::vector<std::string> serverNames;
    for (auto& server : servers->Items()) {
        serverNames.push_back(server->ServerName());
    }
    std::vector<std::string> expectedServers;
    for (const auto& server : model_.servers) {
        expectedServers.push_back(server.name);
    }
    EXPECT_EQ(serverNames, expectedServers);

    auto apps = farm->Applications()->Items();
    ASSERT_EQ(apps.size(), model_.applications.size());
    for (size_t i = 0; i < apps.size(); ++i) {
        const auto& expected = model_.applications[i];
        EXPECT_EQ(apps[i]->DistinguishedName(), expected.DistinguishedName());
        EXPECT_EQ(apps[i]->AppName(), expected.name);
        EXPECT_EQ(apps[i]->Description(), expected.description);
    }
}

TEST_P(FarmContract, ServersGiveTheirApplicationsAndVersions) {
    auto farm = OpenFarm();
    for (const auto& expected : model_.servers) {
        SCOPED_TRACE(expected.name);
        std::vector<std::string> bound;
        for (const auto& app : model_.applications) {
            if (std::find(app.servers.begin(), app.servers.end(), expected.name) !=
                app.servers.end()) {
                bound.push_back(app.DistinguishedName());
            }
        }
        auto created = Factory().CreateServer();
        created->Initialize(farm::kWinSrvObject, expected.name);
        auto found = farm->GetServer(farm::kWinSrvObject, expected.name);
        for (farm::Server* server : {created.get(), found.get()}) {
            EXPECT_EQ(server->ServerName(), expected.name);
            auto view = server->WinServerObject();
            EXPECT_EQ(view->WinNTVerMajor(), expected.ntMajor);
            EXPECT_EQ(view->WinNTVerMinor(), expected.ntMinor);
            std::vector<std::string> names;
            for (auto& app : server->Applications()->Items()) {
                names.push_back(app->DistinguishedName());
            }
            EXPECT_EQ(names, bound);
        }
    }
}

TEST_P(FarmContract, ApplicationsGiveBindingsAccountsAndKeys) {
    for (const auto& expected : model_.applications) {
        SCOPED_TRACE(expected.name);
        auto app = LoadApp(expected.DistinguishedName());
        std::vector<std::string> servers;
        auto bindings = app->Servers();
        for (auto& binding : bindings->Items()) {
            servers.push_back(binding->ServerName());
        }
        EXPECT_EQ(servers, expected.servers);
        EXPECT_EQ(bindings->Count(), static_cast<int32_t>(expected.servers.size()));

        auto entries = [](farm::Collection<farm::Account>& accounts) {
            std::vector<lab::AccountEntry> result;
            for (auto& account : accounts.Items()) {
                result.push_back({account->AAType(), account->AccountType(), account->AAName(),
                                  account->AccountName()});
            }
            return result;
        };
        EXPECT_EQ(entries(*app->Users()), expected.users);
        EXPECT_EQ(entries(*app->Groups()), expected.groups);

        auto view = app->WinAppObject();
        for (const auto& [key, value] : expected.keys) {
            EXPECT_EQ(view->Get(key), value) << key;
        }
        EXPECT_EQ(view->Get("AppName"), farm::Value(expected.name));
        EXPECT_EQ(view->Get("ParentFolderDN"), farm::Value(expected.folder));
    }
}

TEST_P(FarmContract, FarmSettingsReadAndWriteThrough) {
    auto view = OpenFarm()->WinFarmObject();
    EXPECT_EQ(farm::AsNumber(view->IsCitrixAdministrator()), -1);
    for (const auto& [key, value] : model_.settings) {
        EXPECT_EQ(view->Get(key), value) << key;
    }
    // Names are matched without regard to case, as automation matches them.
    EXPECT_EQ(view->Get("maxconnectionsperuser"), farm::Value(5));

    view->Put("MaxConnectionsPerUser", 9);
    view->Put("EnableACR", std::string("12"));  // numeric text into a numeric setting
    const std::string tree = "Tree \xF0\x9D\x84\x9E \"quoted\"\tend";
    view->Put("NDSPreferredTree", tree);
    auto stored = Stored().settings;
    EXPECT_EQ(stored["MaxConnectionsPerUser"], farm::Value(9));
    EXPECT_EQ(stored["EnableACR"], farm::Value(12));
    EXPECT_EQ(stored["NDSPreferredTree"], farm::Value(tree));
    // A new farm object sees it, through the backend.
    EXPECT_EQ(OpenFarm()->WinFarmObject()->Get("NDSPreferredTree"), farm::Value(tree));

    backend_->Reach(std::string("Contract NoAdmin"));
    EXPECT_EQ(farm::AsNumber(OpenFarm()->WinFarmObject()->IsCitrixAdministrator()), 0);
}

// Each refusal comes through the backend with its rule's number and the lab's description,
// and changes nothing.
TEST_P(FarmContract, RefusesWithTheRuleNumberAndDescription) {
    using Call = std::function<void(farm::ObjectFactory&)>;
    const std::string word = model_.applications[0].DistinguishedName();
    const std::string calc = "Applications/Calc";
    const auto missingIcon = Utf8(root_ / "no such icon.ico");
    const auto notAnIcon = root_ / "not-an-icon.ico";
    std::ofstream(notAnIcon, std::ios::binary) << "plain text, no icon";
    const struct {
        const char* name;
        Call call;
        lab::Rule rule;
        std::string description;
    } cases[] = {
        {"farm call before Initialize", [](auto& f) { f.CreateFarm()->FarmName(); },
         lab::Rule::kNotInitialized, "The farm object is not initialised."},
        {"farm type code", [](auto& f) { f.CreateFarm()->Initialize(2); }, lab::Rule::kBadTypeCode,
         "Type code 2 is not valid for Farm.Initialize; it takes 1."},
        {"unknown farm setting", [](auto& f) { OpenFarm(f)->WinFarmObject()->Get("NoSuchKey"); },
         lab::Rule::kUnknownName, "Unknown name: the farm settings have no member 'NoSuchKey'."},
        {"unreported setting", [](auto& f) { OpenFarm(f)->WinFarmObject()->Get("SRPort"); },
         lab::Rule::kSettingNotReported, "The farm cannot report the setting 'SRPort'."},
        {"unreported setting put", [](auto& f) { OpenFarm(f)->WinFarmObject()->Put("SRPort", 1); },
         lab::Rule::kSettingNotReported, "The farm cannot report the setting 'SRPort'."},
        {"text into numeric setting",
         [](auto& f) { OpenFarm(f)->WinFarmObject()->Put("MaxConnectionsPerUser", "many"); },
         lab::Rule::kTypeMismatch,
         "Type mismatch: 'many' is no number for 'MaxConnectionsPerUser'."},
        {"unknown application",
         [](auto& f) { f.CreateApplication()->Initialize(3, "Applications/No"); },
         lab::Rule::kApplicationNotFound, "Application 'Applications/No' is not in the farm."},
        {"unknown application by farm",
         [](auto& f) { OpenFarm(f)->GetApplication(3, "Applications/Office/No"); },
         lab::Rule::kApplicationNotFound,
         "Application 'Applications/Office/No' is not in the farm."},
        {"unknown server", [](auto& f) { f.CreateServer()->Initialize(6, "NO-SUCH-SRV"); },
         lab::Rule::kServerNotFound, "Server 'NO-SUCH-SRV' is not in the farm."},
        {"unknown server by farm", [](auto& f) { OpenFarm(f)->GetServer(6, "NO-SUCH-SRV"); },
         lab::Rule::kServerNotFound, "Server 'NO-SUCH-SRV' is not in the farm."},
        {"binding to unknown server",
         [](auto& f) { f.CreateBinding()->Initialize(6, "NO-SUCH-SRV", ""); },
         lab::Rule::kServerNotFound, "Server 'NO-SUCH-SRV' is not in the farm."},
        {"remove a binding the app lacks",
         [calc](auto& f) {
             auto app = f.CreateApplication();
             app->Initialize(3, calc);
             app->LoadData(true);
             app->RemoveServer("CF-SRV01");
         },
         lab::Rule::kNotBound,
         "Application 'Applications/Calc' is not published on server 'CF-SRV01'."},
        {"bind a server twice",
         [calc](auto& f) {
             auto app = f.CreateApplication();
             app->Initialize(3, calc);
             app->LoadData(true);
             auto binding = f.CreateBinding();
             binding->Initialize(6, "CF-SRV03", "");
             app->AddServer(*binding);
         },
         lab::Rule::kAlreadyBound,
         "Application 'Applications/Calc' is already published on server 'CF-SRV03'."},
        {"unknown account",
         [word](auto& f) {
             auto app = f.CreateApplication();
             app->Initialize(3, word);
             app->LoadData(true);
             auto credential = f.CreateCredential();
             auto user = f.CreateUser();
             user->Initialize(1, "CFLAB", 2, "mallory", *credential);
             app->WinAppObject()->AddUser(*user);
         },
         lab::Rule::kUnknownAccount, "Account 'CFLAB\\mallory' is not known to the farm."},
        {"second application of one name",
         [](auto& f) {
             auto app = OpenFarm(f)->AddApplication(3);
             auto view = app->WinAppObject();
             view->Put("AppName", std::string("Calc"));
             view->Put("ParentFolderDN", std::string("Applications"));
             view->SaveData();
         },
         lab::Rule::kDuplicateAppName,
         "Application 'Applications/Calc' exists already; 'Calc' cannot be saved in the same "
         "folder."},
        {"missing icon file",
         [word, missingIcon](auto& f) {
             auto app = f.CreateApplication();
             app->Initialize(3, word);
             app->LoadData(true);
             app->WinAppObject()->LoadIconFromFile(missingIcon, 0);
         },
         lab::Rule::kIconFileUnreadable, "The icon file '" + missingIcon + "' cannot be read."},
        {"file that is no icon",
         [word, &notAnIcon](auto& f) {
             auto app = f.CreateApplication();
             app->Initialize(3, word);
             app->LoadData(true);
             app->WinAppObject()->LoadIconFromFile(Utf8(notAnIcon), 0);
         },
         lab::Rule::kNotAnIcon, "'" + Utf8(notAnIcon) + "' is not an icon file."},
        {"unknown application key",
         [word](auto& f) {
             auto app = f.CreateApplication();
             app->Initialize(3, word);
             app->LoadData(true);
             app->WinAppObject()->Get("NoSuchKey");
         },
         lab::Rule::kUnknownName, "Unknown name: the application has no member 'NoSuchKey'."},
        {"user numbers the other way round",
         [](auto& f) {
             auto credential = f.CreateCredential();
             f.CreateUser()->Initialize(2, "CFLAB", 1, "bob", *credential);
         },
         lab::Rule::kUnknownAccountKind,
         "The authority type 2 (the first value of Initialize) is not an account authority type; "
         "the farm knows 1 (Windows NT domain or Active Directory)."},
        {"window size of a new application before its type",
         [](auto& f) {
             OpenFarm(f)->AddApplication(3)->WinAppObject()->Put("DefaultWindowScale", 75);
         },
         lab::Rule::kWindowSizeBeforeType,
         "DefaultWindowScale cannot be set on an application that was never saved before its "
         "DefaultWindowType: the window type says what the size means."},
        {"unknown folder",
         [](auto& f) { f.CreateFolder()->Initialize(farm::kApplicationFolder, "Applications/No"); },
         lab::Rule::kFolderNotFound, "Folder 'Applications/No' is not in the farm."},
        {"existing subfolder",
         [](auto& f) {
             auto folder = f.CreateFolder();
             folder->Initialize(farm::kApplicationFolder, "Applications");
             folder->AddSubFolder("Office");
         },
         lab::Rule::kFolderExists, "Folder 'Applications/Office' exists already."},
    };
    const lab::FarmModel before = Stored();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto actual = ErrorOf([&] { c.call(Factory()); });
        ASSERT_TRUE(actual.has_value()) << "the backend accepts it";
        EXPECT_EQ(actual->number(), lab::RuleNumber(c.rule));
        EXPECT_EQ(actual->description(), c.description);
    }
    EXPECT_EQ(Stored(), before);
}

TEST_P(FarmContract, AMissingMemberIsAFarmFailureNamingIt) {
    auto farmView = OpenFarm()->WinFarmObject();
    auto appView = LoadApp("Applications/Calc")->WinAppObject();
    for (auto* view : {static_cast<farm::SettingsView*>(farmView.get()),
                       static_cast<farm::SettingsView*>(appView.get())}) {
        auto error = ErrorOf([&] { view->Get("NotAKeyAtAll"); });
        ASSERT_TRUE(error.has_value());
        EXPECT_NE(error->description().find("NotAKeyAtAll"), std::string::npos)
            << error->description();
        EXPECT_LT(error->number(), 0);
        auto putError = ErrorOf([&] { view->Put("NotAKeyAtAll", 1); });
        ASSERT_TRUE(putError.has_value());
        EXPECT_EQ(putError->number(), error->number());
    }
}

TEST_P(FarmContract, NoFarmReachableFailsInitialize) {
    backend_->Reach(std::nullopt);
    auto actual = ErrorOf([&] { OpenFarm(); });
    ASSERT_TRUE(actual.has_value());
    EXPECT_EQ(actual->number(), lab::RuleNumber(lab::Rule::kFarmUnreachable));
    EXPECT_EQ(actual->description(),
              "The farm cannot be reached: this workstation is set up for no farm.");
    backend_->Reach(std::string("No Such Farm"));
    EXPECT_TRUE(ErrorOf([&] { OpenFarm(); }).has_value());
}

TEST_P(FarmContract, NewApplicationIsSavedWithEverything) {
    const std::string iconPath = Utf8(root_ / "new icon.ico");
    const std::string icon = lab::MakeIcon(99);
    std::ofstream(std::filesystem::path(std::u8string(iconPath.begin(), iconPath.end())),
                  std::ios::binary)
        << icon;

    auto app = OpenFarm()->AddApplication(farm::kWinAppObject);
    auto view = app->WinAppObject();
    const std::string name = "Viewer \xE2\x9C\x93";
    view->Put("AppName", name);
    view->Put("ParentFolderDN", std::string("Applications/Office/Tools"));
    view->Put("Description", std::string("Shows = things"));
    view->Put("DefaultInitProg", std::string("C:\\Tools\\viewer.exe \"%1\""));
    view->Put("DefaultWindowType", 2);  // before the size it gives meaning
    view->Put("DefaultWindowWidth", 800);
    auto binding = Factory().CreateBinding();
    binding->Initialize(farm::kWinSrvObject, "CF-SRV03", "");
    app->AddServer(*binding);
    auto credential = Factory().CreateCredential();
    auto user = Factory().CreateUser();
    user->Initialize(1, "CFLAB", 2, "bob", *credential);
    view->AddUser(*user);
    auto group = Factory().CreateGroup();
    group->Initialize(1, "CFLAB", 3, "Office Users", *credential);
    view->AddGroup(*group);
    view->LoadIconFromFile(iconPath, 0);
    view->SaveData();

    const auto stored = Stored();
    ASSERT_EQ(stored.applications.size(), model_.applications.size() + 1);
    const auto& saved = stored.applications.back();
    EXPECT_EQ(saved.name, name);
    EXPECT_EQ(saved.folder, "Applications/Office/Tools");
    EXPECT_EQ(saved.description, "Shows = things");
    EXPECT_EQ(saved.keys.at("DefaultInitProg"), farm::Value("C:\\Tools\\viewer.exe \"%1\""));
    EXPECT_EQ(saved.keys.at("DefaultWindowType"), farm::Value(2));
    EXPECT_EQ(saved.keys.at("DefaultWindowWidth"), farm::Value(800));
    EXPECT_EQ(saved.servers, std::vector<std::string>{"CF-SRV03"});
    EXPECT_EQ(saved.users, (std::vector<lab::AccountEntry>{{1, 2, "CFLAB", "bob"}}));
    EXPECT_EQ(saved.groups, (std::vector<lab::AccountEntry>{{1, 3, "CFLAB", "Office Users"}}));
    EXPECT_EQ(saved.icon, icon);

    auto again = OpenFarm()->GetApplication(farm::kWinAppObject, saved.DistinguishedName());
    EXPECT_EQ(again->AppName(), name);
    EXPECT_EQ(again->Description(), "Shows = things");
}

TEST_P(FarmContract, BindingsChangeAndApplicationsGo) {
    const auto& word = model_.applications[0];
    auto app = LoadApp(word.DistinguishedName());
    app->RemoveServer("CF-SRV01");
    auto binding = Factory().CreateBinding();
    binding->Initialize(farm::kWinSrvObject, "CF-SRV03", word.DistinguishedName());
    app->WinAppObject()->AddServer(*binding);
    app->SaveData();
    EXPECT_EQ(App(Stored(), word.name).servers, (std::vector<std::string>{"CF-SRV02", "CF-SRV03"}));

    auto calc = OpenFarm()->GetApplication(farm::kWinAppObject, "Applications/Calc");
    calc->Delete();
    EXPECT_THROW(App(Stored(), "Calc"), std::runtime_error);
    EXPECT_TRUE(ErrorOf([&] { calc->LoadData(true); }).has_value());
}

TEST_P(FarmContract, IconsTravelThroughFiles) {
    const auto& word = model_.applications[0];
    const auto folder = root_ / std::filesystem::path(u8"ic\u00f4nes");
    std::filesystem::create_directories(folder);
    const auto file = folder / std::filesystem::path(u8"W\u00f6rd \u2713.ico");
    LoadApp(word.DistinguishedName())->WinAppObject()->WriteIconToFile(Utf8(file));
    EXPECT_EQ(ReadBytes(file), word.icon);

    auto calc = LoadApp("Applications/Calc");
    auto view = calc->WinAppObject();
    view->LoadIconFromFile(Utf8(file), 0);
    view->SaveData();
    EXPECT_EQ(App(Stored(), "Calc").icon, word.icon);
}

TEST_P(FarmContract, FoldersGrow) {
    auto folder = Factory().CreateFolder();
    folder->Initialize(farm::kApplicationFolder, "Applications/Office");
    folder->AddSubFolder("Drafts \xC3\xA9");
    const auto folders = Stored().folders;
    EXPECT_NE(std::find(folders.begin(), folders.end(), "Applications/Office/Drafts \xC3\xA9"),
              folders.end());
}

TEST_P(FarmContract, CollectionsAskTheFarmAgainAtEachCall) {
    auto apps = OpenFarm()->Applications();
    const int32_t before = apps->Count();
    auto farm = OpenFarm();
    auto added = farm->AddApplication(farm::kWinAppObject);
    auto view = added->WinAppObject();
    view->Put("AppName", std::string("Late"));
    view->SaveData();
    EXPECT_EQ(apps->Count(), before + 1);
    auto items = apps->Items();
    ASSERT_EQ(items.size(), static_cast<size_t>(before) + 1);
    EXPECT_EQ(items.back()->AppName(), "Late");
}

TEST_P(FarmContract, FaultsByCallNumber) {
    auto farm = OpenFarm();
    const int64_t start = backend_->CallCount();
    backend_->FailCall(start + 2, static_cast<int32_t>(0x80004005), "planned failure \xE2\x9C\x93");
    EXPECT_EQ(farm->FarmName(), model_.name);
    auto error = ErrorOf([&] { farm->FarmName(); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->number(), static_cast<int32_t>(0x80004005));
    EXPECT_EQ(error->description(), "planned failure \xE2\x9C\x93");
    EXPECT_EQ(farm->FarmName(), model_.name);
    EXPECT_EQ(backend_->CallCount(), start + 3);
}

TEST_P(FarmContract, FaultsByOperationName) {
    const std::string word = model_.applications[0].DistinguishedName();
    const struct {
        const char* operation;
        int32_t number;
        std::function<void(farm::ObjectFactory&)> call;
    } cases[] = {
        {"Factory.CreateFarm", static_cast<int32_t>(0x80040154), [](auto& f) { f.CreateFarm(); }},
        {"Farm.FarmName", 70, [](auto& f) { OpenFarm(f)->FarmName(); }},
        {"Applications.Items", static_cast<int32_t>(0x80041001),
         [](auto& f) { OpenFarm(f)->Applications()->Items(); }},
        {"WinFarm.Put", 13, [](auto& f) { OpenFarm(f)->WinFarmObject()->Put("EnableACR", 0); }},
        {"Application.SaveData", static_cast<int32_t>(0x80041002),
         [word](auto& f) {
             auto app = f.CreateApplication();
             app->Initialize(3, word);
             app->LoadData(true);
             app->SaveData();
         }},
        {"Account.AAName", 61,
         [word](auto& f) {
             auto app = f.CreateApplication();
             app->Initialize(3, word);
             app->LoadData(true);
             app->Users()->Items().at(0)->AAName();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.operation);
        const std::string text = std::string(c.operation) + " failed on purpose";
        backend_->FailOperation(c.operation, c.number, text);
        auto error = ErrorOf([&] { c.call(Factory()); });
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->number(), c.number);
        EXPECT_EQ(error->description(), text);
        backend_->ClearFaults();
        EXPECT_FALSE(ErrorOf([&] { c.call(Factory()); }).has_value());
    }
}

}  // namespace contract
