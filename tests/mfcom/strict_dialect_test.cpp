// Every command through labfarm.dll on a lab that speaks only what public use shows (the
// `strict` dialect: public forms only, no AddApplication, GetApplication or GetServer, no folder
// class, EnableApp on the application, other values for the constants, declared by the type
// library registered for it). The farm each command leaves, read back from the store, must be
// the farm the same commands leave on the lab speaking the member table's forms.
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "app/farm_check.h"
#include "commands/command_report.h"
#include "farm/farm.h"
#include "farm/mfcom/mfcom.h"
#include "lab/com/lab_client.h"
#include "lab/com/workstation.h"
#include "mfcom/com_session.h"
#include "mfcom/com_support.h"
#include "preview/import_preview.h"
#include "shared/deployment.h"
#include "shared/farm_file.h"
#include "shared/files_fixture.h"
#include "shared/server_file.h"
#include "support/import_notice.h"

namespace files_test {
namespace {

using comtest::FileText;

// The lab's type library registered from the given resource of labfarm.dll for the owner's
// lifetime (2: the constants' other values), then from resource 1 again, as regsvr32 left it.
class ScopedTypeLibrary {
  public:
    explicit ScopedTypeLibrary(int resource) { Register(resource); }
    ~ScopedTypeLibrary() { Register(1); }
    ScopedTypeLibrary(const ScopedTypeLibrary&) = delete;
    ScopedTypeLibrary& operator=(const ScopedTypeLibrary&) = delete;

  private:
    static void Register(int resource) {
        wchar_t dll[MAX_PATH * 4] = {};
        GetModuleFileNameW(comtest::LabFarmModule(), dll, static_cast<DWORD>(std::size(dll)));
        std::wstring path = dll;
        if (resource != 1) {
            path += L"\\" + std::to_wstring(resource);
        }
        win::ComPtr<ITypeLib> library;
        win::Check(LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Put()));
        win::Check(RegisterTypeLib(library.Get(), path.data(), nullptr));
    }
};

// The names the lab answered as unknown since the counts were last reset, with how often.
std::map<std::string, int> UnknownNamesAsked() {
    auto get = comtest::Hook<labcom::hooks::GetUnknownNames>(labcom::hooks::kGetUnknownNames);
    std::string text(static_cast<size_t>(std::max(get(nullptr, 0), 0)) + 1, '\0');
    get(text.data(), static_cast<int>(text.size()));
    std::map<std::string, int> asked;
    std::istringstream lines(text.c_str());
    std::string name;
    int count = 0;
    while (lines >> name >> count) {
        asked[name] = count;
    }
    return asked;
}

void ResetDllCounts() {
    comtest::Hook<labcom::hooks::ResetCallCounts>(labcom::hooks::kResetCallCounts)();
}

// What one run of every command leaves, read back without the program.
struct Observed {
    std::string views;       // logon, farm, applications and servers views
    std::string exported;    // the demo farm's file
    std::string preview;     // what the preview says of that file in the target farm
    std::string offline;     // the server file of a server taken offline
    std::string unattended;  // /export's file
    lab::FarmModel demo;
    lab::FarmModel target;
    std::map<std::string, int> unknownNames;  // most often one name was asked, per session
};

class StrictDialectTest : public FilesTest {
  protected:
    static constexpr const char* kOffline = "ZD-CTX01";

    void NoteUnknownNames(Observed& seen) {
        for (const auto& [name, count] : UnknownNamesAsked()) {
            seen.unknownNames[name] = std::max(seen.unknownNames[name], count);
        }
        ResetDllCounts();
    }

    void ExpectSilent(const ComSession& session, const char* step) {
        EXPECT_TRUE(session.feedback.messages.empty())
            << step << ": " << session.feedback.messages[0].text;
    }

    // Logon, the three views, Export Farm, the import preview, Import Farm, take offline, bring
    // online, clone, publish, unpublish, options and /export, in that order.
    Observed RunEveryCommand(const std::string& dialect) {
        lab::FarmModel target = lab::MakeTargetFarm();
        const lab::FarmModel demo = lab::MakeDemoFarm();
        target.servers.insert(target.servers.end(), demo.servers.begin(), demo.servers.end());
        store_->Write(demo);
        store_->Write(target);
        fs::remove_all(root_ / "work");
        fs::create_directories(root_ / "work");

        comtest::ScopedLabSetting setting(root_ / "store", std::string(lab::kDemoFarm));
        labcom::ScopedLabValue speaking(labcom::kDialectValue, dialect);
        ResetDllCounts();
        Observed seen;
        {
            ComSession session(root_, log_);
            auto farm = session.factory.CreateFarm();
            farm->Initialize(farm::kWinFarmObject);
            seen.views +=
                "admin " +
                std::to_string(farm::AsNumber(farm->WinFarmObject()->IsCitrixAdministrator())) +
                "\n" + farm->FarmName() + "\n";
            for (const auto& zone : farm->Zones()->Items()) {
                seen.views += zone->ZoneName() + " " + zone->DataCollector() + "\n";
            }
            seen.views += std::to_string(farm->Servers()->Count()) + " servers\n";
            for (const auto& app : farm->Applications()->Items()) {
                seen.views += app->DistinguishedName() + "\n";
            }
            for (const auto& server : farm->Servers()->Items()) {
                seen.views += server->ServerName() + "\n";
            }
            testing_support::Shown(session.shared,
                                   shared::ExportFarm(session.shared, PathOf("demo.ini")));
            ExpectSilent(session, "Export Farm");
        }
        NoteUnknownNames(seen);
        seen.exported = Read("demo.ini");

        labcom::WriteSetting(labcom::kFarmValue, lab::kTargetFarm);
        {
            ComSession session(root_, log_);
            const preview::ImportPreview preview = preview::PreviewImport(
                session.factory, session.shared.makeFileSystem, PathOf("demo.ini"));
            for (const auto& app : preview.applications) {
                seen.preview += app.distinguishedName + " " +
                                std::to_string(static_cast<int>(app.outcome)) + "\n";
            }
            for (const auto& folder : preview.foldersCreated) {
                seen.preview += "folder " + folder + "\n";
            }
            seen.preview += preview.stop ? "stops at " + std::to_string(preview.stop->lineNumber)
                                         : std::string("goes through");

            testing_support::Shown(session.shared,
                                   shared::ImportFarm(session.shared, PathOf("demo.ini")));
            // The import names the settings the target farm cannot take, and only those.
            EXPECT_TRUE(
                session.feedback.messages.size() == 1 &&
                testing_support::NamesOnlyUnreportedSettings(session.feedback.messages[0].text));
            session.feedback.messages.clear();
            testing_support::Shown(
                session.shared,
                shared::ExportServerApps(session.shared, kOffline, PathOf("offline.ini")));
            ExpectSilent(session, "Take offline");
            seen.offline = Read("offline.ini");
            testing_support::Shown(
                session.shared,
                shared::ImportServerApps(session.shared, kOffline, PathOf("offline.ini")));
            ExpectSilent(session, "Bring online");
            EXPECT_TRUE(shared::CloneServerApps(session.shared, "ZD-CTX02", "ZT-CTX01").Clean());
            const std::string payroll = "Applications/Business/Payroll";
            EXPECT_TRUE(shared::PublishAppOnServer(session.shared, payroll, "ZT-CTX02").Clean());
            EXPECT_TRUE(
                shared::UnpublishAppFromServer(session.shared, payroll, "ZD-CTX03").Clean());
            EXPECT_TRUE(
                shared::SetAppOptions(session.shared, payroll, {2, 4, 3, 1, 75, 600, 800}).Clean());
            ExpectSilent(session, "the deployment commands");
        }
        NoteUnknownNames(seen);

        labcom::WriteSetting(labcom::kFarmValue, lab::kDemoFarm);
        EXPECT_EQ(comtest::RunZelttool(L"/export unattended.ini", root_ / "work"),
                  static_cast<DWORD>(commands::kExitDone))
            << FileText(root_ / "work" / "unattended.ini.log");
        seen.unattended = FileText(root_ / "work" / "unattended.ini");
        seen.demo = store_->Read(lab::kDemoFarm);
        seen.target = store_->Read(lab::kTargetFarm);
        return seen;
    }
};

TEST_F(StrictDialectTest, EveryCommandLeavesTheFarmItLeavesOnTheTablesForms) {
    const Observed table = RunEveryCommand("");
    ScopedTypeLibrary otherConstants(2);
    const Observed strict = RunEveryCommand("strict");

    EXPECT_EQ(strict.views, table.views);
    EXPECT_EQ(strict.exported, table.exported);
    EXPECT_EQ(strict.preview, table.preview);
    EXPECT_EQ(strict.offline, table.offline);
    EXPECT_EQ(strict.unattended, table.exported);
    EXPECT_TRUE(strict.demo == table.demo);
    EXPECT_TRUE(strict.target == table.target);

    // The commands did what they do: every application arrived, with its folder, users and
    // groups; the clone, publish, unpublish and options took.
    ASSERT_EQ(strict.target.applications.size(), lab::MakeDemoFarm().applications.size());
    EXPECT_NE(std::find(strict.target.folders.begin(), strict.target.folders.end(),
                        "Applications/Business/Reports"),
              strict.target.folders.end());
    const lab::AppRecord& payroll =
        *std::find_if(strict.target.applications.begin(), strict.target.applications.end(),
                      [](const lab::AppRecord& app) { return app.name == "Payroll"; });
    EXPECT_FALSE(payroll.users.empty());
    EXPECT_FALSE(payroll.groups.empty());
    EXPECT_NE(std::find(payroll.servers.begin(), payroll.servers.end(), "ZT-CTX02"),
              payroll.servers.end());
    EXPECT_EQ(std::find(payroll.servers.begin(), payroll.servers.end(), "ZD-CTX03"),
              payroll.servers.end());
    EXPECT_EQ(farm::AsNumber(payroll.keys.at("DefaultWindowType")), 2);
    EXPECT_EQ(farm::AsNumber(payroll.keys.at("DefaultWindowWidth")), 800);

    // The forms the strict lab lacks were asked, each at most once per session.
    EXPECT_TRUE(table.unknownNames.empty()) << table.unknownNames.begin()->first;
    for (const char* lacking :
         {"Farm.AddApplication", "Farm.GetApplication", "Farm.GetServer", "WinApp.AddServer",
          "WinApp.AddUser", "WinApp.SaveData", "WinApp.EnableApp"}) {
        EXPECT_TRUE(strict.unknownNames.contains(lacking)) << lacking;
    }
    for (const auto& [name, count] : strict.unknownNames) {
        EXPECT_EQ(count, 1) << name;
    }
}

// The program passes the constants the farm's type library names: a lab that answers to other
// values refuses the built-in ones where its library is not registered, and /check says where
// each value came from.
TEST_F(StrictDialectTest, ConstantsComeFromTheFarmsTypeLibrary) {
    store_->Write(lab::MakeDemoFarm());
    comtest::ScopedLabSetting setting(root_ / "store", std::string(lab::kDemoFarm));
    labcom::ScopedLabValue speaking(labcom::kDialectValue, "OtherConstants");
    {
        ComSession session(root_, log_);  // the library registered declares 1 for the farm
        testing_support::Shown(session.shared,
                               shared::ExportFarm(session.shared, PathOf("farm.ini")));
        ASSERT_EQ(session.feedback.messages.size(), 1u);
        EXPECT_NE(session.feedback.messages[0].text.find(
                      "Type code 1 is not valid for Farm.Initialize; it takes 101."),
                  std::string::npos)
            << session.feedback.messages[0].text;
    }
    ScopedTypeLibrary otherConstants(2);
    {
        ComSession session(root_, log_);
        testing_support::Shown(session.shared,
                               shared::ExportFarm(session.shared, PathOf("farm.ini")));
        EXPECT_TRUE(session.feedback.messages.empty()) << session.feedback.messages[0].text;
    }

    const fs::path report = root_ / "work" / "check.txt";
    for (const char* dialect : {"strict", "OtherConstants"}) {
        labcom::ScopedLabValue again(labcom::kDialectValue, dialect);
        EXPECT_EQ(comtest::RunZelttool(L"/check \"" + report.wstring() + L"\"", root_ / "work"),
                  static_cast<DWORD>(app::kCheckAllReady))
            << dialect << "\n"
            << FileText(report);
    }
    const std::string text = FileText(report);
    for (const char* line : {"  MetaFrameWinFarmObject             101    from the type library",
                             "  MetaFrameWinAppObject              103    from the type library",
                             "  MetaFrameAppFolder                 12     from the type library",
                             "  MetaFrameDomainUserAccount         2      from the type library"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    }
}

}  // namespace
}  // namespace files_test
