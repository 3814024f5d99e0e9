// Each refusal rule of the lab farm, one scenario or more per rule, and that a refusal leaves
// the store as it was.
#include <functional>
#include <set>

#include "lab/farm_state.h"
#include "lab_fixture.h"

namespace lab::testing {
namespace {

constexpr const char* kWord = "Applications/Office/Word";
constexpr const char* kExcel = "Applications/Office/Excel";

class RuleTest;

struct Refusal {
    const char* name;
    Rule rule;
    const char* mention;
    std::function<void(RuleTest&, LabFactory&)> call;
};

class RuleTest : public LabTest, public ::testing::WithParamInterface<Refusal> {
  public:
    using LabTest::Bind;
    using LabTest::dir;
    using LabTest::LoadApp;
    using LabTest::OpenFarm;
    using LabTest::store;
};

farm::Credential& NoCredential() {
    static farm::Credential none;
    return none;
}

const Refusal kRefusals[] = {
    {"NoFarmLocated", Rule::kFarmUnreachable, "no farm",
     [](RuleTest& t, LabFactory&) {
         LabFactory nowhere(t.store, [] { return std::optional<std::string>(); });
         nowhere.CreateFarm()->Initialize(1);
     }},
    {"FarmNotInStore", Rule::kFarmUnreachable, "Elsewhere",
     [](RuleTest& t, LabFactory&) {
         LabFactory(t.store, "Elsewhere").CreateFarm()->Initialize(1);
     }},
    {"FarmRemovedAfterInitialize", Rule::kFarmUnreachable, kDemoFarm,
     [](RuleTest& t, LabFactory& f) {
         auto farm = t.OpenFarm(f);
         t.store->Remove(kDemoFarm);
         farm->FarmName();
     }},
    {"FarmTypeCode", Rule::kBadTypeCode, "Farm.Initialize",
     [](RuleTest&, LabFactory& f) { f.CreateFarm()->Initialize(2); }},
    {"AddApplicationTypeCode", Rule::kBadTypeCode, "AddApplication",
     [](RuleTest& t, LabFactory& f) { t.OpenFarm(f)->AddApplication(1); }},
    {"GetServerTypeCode", Rule::kBadTypeCode, "GetServer",
     [](RuleTest& t, LabFactory& f) { t.OpenFarm(f)->GetServer(3, "ZD-CTX01"); }},
    {"BindingTypeCode", Rule::kBadTypeCode, "Binding",
     [](RuleTest&, LabFactory& f) { f.CreateBinding()->Initialize(3, "ZD-CTX01", ""); }},
    {"FolderTypeCode", Rule::kBadTypeCode, "Folder",
     [](RuleTest&, LabFactory& f) { f.CreateFolder()->Initialize(1, "Applications"); }},
    {"ApplicationTypeCode", Rule::kBadTypeCode, "Application",
     [](RuleTest&, LabFactory& f) { f.CreateApplication()->Initialize(6, kWord); }},
    {"FarmBeforeInitialize", Rule::kNotInitialized, "farm",
     [](RuleTest&, LabFactory& f) { f.CreateFarm()->Servers(); }},
    {"ServerBeforeInitialize", Rule::kNotInitialized, "server",
     [](RuleTest&, LabFactory& f) { f.CreateServer()->ServerName(); }},
    {"ApplicationBeforeInitialize", Rule::kNotInitialized, "application",
     [](RuleTest&, LabFactory& f) { f.CreateApplication()->SaveData(); }},
    {"FolderBeforeInitialize", Rule::kNotInitialized, "folder",
     [](RuleTest&, LabFactory& f) { f.CreateFolder()->AddSubFolder("New"); }},
    {"UninitialisedBinding", Rule::kNotInitialized, "binding",
     [](RuleTest& t, LabFactory& f) {
         auto binding = f.CreateBinding();
         t.LoadApp(f, kWord)->AddServer(*binding);
     }},
    {"UninitialisedAccount", Rule::kNotInitialized, "account",
     [](RuleTest&, LabFactory& f) { f.CreateUser()->AAName(); }},
    {"UnreportedSettingGet", Rule::kSettingNotReported, "SRPort",
     [](RuleTest& t, LabFactory&) {
         LabFactory target(t.store, kTargetFarm);
         t.OpenFarm(target)->WinFarmObject()->Get("SRPort");
     }},
    {"UnreportedSettingPut", Rule::kSettingNotReported, "LicenseServerName",
     [](RuleTest& t, LabFactory&) {
         LabFactory target(t.store, kTargetFarm);
         t.OpenFarm(target)->WinFarmObject()->Put("LicenseServerName", std::string("x"));
     }},
    {"UnknownFarmKey", Rule::kUnknownName, "NoSuchSetting",
     [](RuleTest& t, LabFactory& f) { t.OpenFarm(f)->WinFarmObject()->Get("NoSuchSetting"); }},
    {"FarmnameIsNoSetting", Rule::kUnknownName, "Farmname",
     [](RuleTest& t, LabFactory& f) {
         t.OpenFarm(f)->WinFarmObject()->Put("Farmname", std::string("X"));
     }},
    {"UnknownAppKey", Rule::kUnknownName, "HideEverything",
     [](RuleTest& t, LabFactory& f) {
         t.LoadApp(f, kWord)->WinAppObject()->Put("HideEverything", 1);
     }},
    {"TextForNumericFarmKey", Rule::kTypeMismatch, "MaxConnectionsPerUser",
     [](RuleTest& t, LabFactory& f) {
         t.OpenFarm(f)->WinFarmObject()->Put("MaxConnectionsPerUser", std::string("two"));
     }},
    {"TextForNumericAppKey", Rule::kTypeMismatch, "InstanceLimit",
     [](RuleTest& t, LabFactory& f) {
         t.LoadApp(f, kWord)->WinAppObject()->Put("InstanceLimit", std::string("1x"));
     }},
    {"NumberBeyond32Bits", Rule::kOverflow, "ICAKeepAliveTime",
     [](RuleTest& t, LabFactory& f) {
         t.OpenFarm(f)->WinFarmObject()->Put("ICAKeepAliveTime", std::string("2147483648"));
     }},
    {"GetUnknownApplication", Rule::kApplicationNotFound, "Applications/Nope",
     [](RuleTest& t, LabFactory& f) { t.OpenFarm(f)->GetApplication(3, "Applications/Nope"); }},
    {"InitializeUnknownApplication", Rule::kApplicationNotFound, "Applications/Nope",
     [](RuleTest&, LabFactory& f) { f.CreateApplication()->Initialize(3, "Applications/Nope"); }},
    {"LoadDeletedApplication", Rule::kApplicationNotFound, kWord,
     [](RuleTest& t, LabFactory& f) {
         auto app = f.CreateApplication();
         app->Initialize(3, kWord);
         t.LoadApp(f, kWord)->Delete();
         app->LoadData(true);
     }},
    {"DeleteTwice", Rule::kApplicationNotFound, kWord,
     [](RuleTest& t, LabFactory& f) {
         auto app = t.LoadApp(f, kWord);
         app->Delete();
         app->Delete();
     }},
    {"GetUnknownServer", Rule::kServerNotFound, "ZX-NONE",
     [](RuleTest& t, LabFactory& f) { t.OpenFarm(f)->GetServer(6, "ZX-NONE"); }},
    {"InitializeUnknownServer", Rule::kServerNotFound, "ZT-CTX01",
     [](RuleTest&, LabFactory& f) { f.CreateServer()->Initialize(6, "ZT-CTX01"); }},
    {"BindUnknownServer", Rule::kServerNotFound, "ZX-NONE",
     [](RuleTest&, LabFactory& f) { f.CreateBinding()->Initialize(6, "ZX-NONE", ""); }},
    {"SaveWithoutName", Rule::kInvalidAppName, "empty",
     [](RuleTest& t, LabFactory& f) { t.OpenFarm(f)->AddApplication(3)->SaveData(); }},
    {"SaveNameWithSlash", Rule::kInvalidAppName, "a/b",
     [](RuleTest& t, LabFactory& f) {
         auto app = t.OpenFarm(f)->AddApplication(3);
         app->WinAppObject()->Put("AppName", std::string("a/b"));
         app->SaveData();
     }},
    {"NewNameTaken", Rule::kDuplicateAppName, "Word",
     [](RuleTest& t, LabFactory& f) {
         auto view = t.OpenFarm(f)->AddApplication(3)->WinAppObject();
         view->Put("AppName", std::string("word"));
         view->Put("ParentFolderDN", std::string("Applications/Office"));
         view->SaveData();
     }},
    {"RenameOntoOther", Rule::kDuplicateAppName, "Word",
     [](RuleTest& t, LabFactory& f) {
         auto app = t.LoadApp(f, kExcel);
         app->WinAppObject()->Put("AppName", std::string("Word"));
         app->SaveData();
     }},
    {"SaveIntoMissingFolder", Rule::kFolderNotFound, "Applications/Nope",
     [](RuleTest& t, LabFactory& f) {
         auto app = t.LoadApp(f, kWord);
         app->WinAppObject()->Put("ParentFolderDN", std::string("Applications/Nope"));
         app->SaveData();
     }},
    {"BindMissingFolder", Rule::kFolderNotFound, "Applications/Nope",
     [](RuleTest&, LabFactory& f) { f.CreateFolder()->Initialize(3, "Applications/Nope"); }},
    {"BindTwice", Rule::kAlreadyBound, "ZD-CTX01",
     [](RuleTest& t, LabFactory& f) {
         auto app = t.LoadApp(f, "Applications/Notepad");  // bound to ZD-CTX01 first
         app->AddServer(*t.Bind(f, "zd-ctx01"));
     }},
    {"BindingForOtherApplication", Rule::kBindingMismatch, kExcel,
     [](RuleTest& t, LabFactory& f) {
         t.LoadApp(f, kWord)->AddServer(*t.Bind(f, "ZD-CTX06", kExcel));
     }},
    {"UnbindUnbound", Rule::kNotBound, "ZD-CTX05",
     [](RuleTest& t, LabFactory& f) {
         t.LoadApp(f, "Applications/Notepad")->RemoveServer("ZD-CTX05");
     }},
    {"UnknownUser", Rule::kUnknownAccount, "ZELTLAB\\mallory",
     [](RuleTest& t, LabFactory& f) {
         auto user = f.CreateUser();
         user->Initialize(1, "ZELTLAB", 2, "mallory", NoCredential());
         t.LoadApp(f, kWord)->WinAppObject()->AddUser(*user);
     }},
    {"GroupTwice", Rule::kDuplicateAccount, "Finance",
     [](RuleTest& t, LabFactory& f) {
         auto view = t.LoadApp(f, kWord)->WinAppObject();
         for (int i = 0; i < 2; ++i) {
             auto group = f.CreateGroup();
             group->Initialize(1, "ZELTLAB", 2, "Finance", NoCredential());
             view->AddGroup(*group);
         }
     }},
    // The numbers in the order of public writes: authority type first, account type third.
    {"UserNumbersSwapped", Rule::kUnknownAccountKind, "authority type 2 (the first value",
     [](RuleTest&, LabFactory& f) {
         f.CreateUser()->Initialize(2, "ZELTLAB", 1, "alice", NoCredential());
     }},
    {"GroupTypeForUser", Rule::kUnknownAccountKind, "account type 3 (the third value",
     [](RuleTest&, LabFactory& f) {
         f.CreateUser()->Initialize(1, "ZELTLAB", 3, "alice", NoCredential());
     }},
    {"GroupTypeBeyondDomainLocal", Rule::kUnknownAccountKind, "not a group account type",
     [](RuleTest&, LabFactory& f) {
         f.CreateGroup()->Initialize(1, "ZELTLAB", 5, "Finance", NoCredential());
     }},
    {"IconIntoMissingFolder", Rule::kIconWriteFailed, "missing",
     [](RuleTest& t, LabFactory& f) {
         t.LoadApp(f, kWord)->WinAppObject()->WriteIconToFile(t.dir.Utf8("missing/word.ico"));
     }},
    {"MissingIconFile", Rule::kIconFileUnreadable, "none.ico",
     [](RuleTest& t, LabFactory& f) {
         t.LoadApp(f, kWord)->WinAppObject()->LoadIconFromFile(t.dir.Utf8("none.ico"), 0);
     }},
    {"TextFileAsIcon", Rule::kNotAnIcon, "notes.ico",
     [](RuleTest& t, LabFactory& f) {
         WriteFile(t.dir.path() / "notes.ico", "just some text, no icon");
         t.LoadApp(f, kWord)->WinAppObject()->LoadIconFromFile(t.dir.Utf8("notes.ico"), 0);
     }},
    {"SecondIconOfFile", Rule::kNotAnIcon, "1",
     [](RuleTest& t, LabFactory& f) {
         WriteFile(t.dir.path() / "one.ico", MakeIcon(3));
         t.LoadApp(f, kWord)->WinAppObject()->LoadIconFromFile(t.dir.Utf8("one.ico"), 1);
     }},
    {"ExistingSubfolder", Rule::kFolderExists, "Applications/Office",
     [](RuleTest&, LabFactory& f) {
         auto folder = f.CreateFolder();
         folder->Initialize(3, "Applications");
         folder->AddSubFolder("office");
     }},
    {"EmptyFolderName", Rule::kInvalidFolderName, "empty",
     [](RuleTest&, LabFactory& f) {
         auto folder = f.CreateFolder();
         folder->Initialize(3, "Applications");
         folder->AddSubFolder("");
     }},
    {"FolderNameWithSlash", Rule::kInvalidFolderName, "x/y",
     [](RuleTest&, LabFactory& f) {
         auto folder = f.CreateFolder();
         folder->Initialize(3, "Applications");
         folder->AddSubFolder("x/y");
     }},
    {"AssignDistinguishedName", Rule::kReadOnlyKey, "DistinguishedName",
     [](RuleTest& t, LabFactory& f) {
         t.LoadApp(f, kWord)->WinAppObject()->Put("DistinguishedName",
                                                  std::string("Applications/Other"));
     }},
    {"NewApplicationSizeBeforeType", Rule::kWindowSizeBeforeType, "DefaultWindowHeight",
     [](RuleTest& t, LabFactory& f) {
         auto view = t.OpenFarm(f)->AddApplication(3)->WinAppObject();
         view->Put("DefaultWindowColor", 2);
         view->Put("DefaultWindowHeight", 600);
     }},
    {"ZoneGone", Rule::kZoneNotFound, "London",
     [](RuleTest& t, LabFactory& f) {
         auto zones = t.OpenFarm(f)->Zones()->Items();
         FarmModel model = t.store->Read(kDemoFarm);
         model.zones.pop_back();
         t.store->Write(model);
         zones.back()->DataCollector();
     }},
    {"StoreFolderIsAFile", Rule::kStoreIo, "blocked",
     [](RuleTest& t, LabFactory&) {
         WriteFile(t.dir.path() / "blocked", "x");
         FarmStore blocked(t.dir.path() / "blocked");
     }},
};

// Scenarios that change the store on purpose before the refused call.
const std::set<std::string> kSetUpByChange = {"FarmRemovedAfterInitialize", "ZoneGone",
                                              "LoadDeletedApplication", "DeleteTwice"};

TEST_P(RuleTest, RefusesWithTheRulesNumberAndLeavesTheStore) {
    LabFactory factory = Factory();
    const FarmModel before = store->Read(kDemoFarm);
    ExpectRefused(GetParam().rule, GetParam().mention, [&] { GetParam().call(*this, factory); });
    if (!kSetUpByChange.contains(GetParam().name)) {
        EXPECT_EQ(store->Read(kDemoFarm), before);
    }
}

std::string RefusalName(const ::testing::TestParamInfo<Refusal>& refusal) {
    return refusal.param.name;
}

INSTANTIATE_TEST_SUITE_P(Lab, RuleTest, ::testing::ValuesIn(kRefusals), RefusalName);

TEST(RuleNumbers, AreDistinctAndNegativeHresultsOrAutomationNumbers) {
    std::set<int32_t> seen;
    for (int rule = 0; rule <= static_cast<int>(Rule::kWindowSizeBeforeType); ++rule) {
        const int32_t number = RuleNumber(static_cast<Rule>(rule));
        EXPECT_TRUE(seen.insert(number).second) << "rule " << rule << " repeats " << number;
        EXPECT_TRUE(number < 0 || number == 6 || number == 13) << number;
    }
}

}  // namespace
}  // namespace lab::testing
