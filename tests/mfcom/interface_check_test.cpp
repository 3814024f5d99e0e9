// The farm interface check on the registered labfarm.dll: the demo farm ready for every
// command, a lab that lacks or renames a member found out with the command it breaks, nothing
// changed by the check, and the command table covering what the procedures really call.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "app/farm_check.h"
#include "farm/mfcom/interface_check.h"
#include "farm/mfcom/mfcom.h"
#include "lab/com/class_ids.h"
#include "lab/com/lab_client.h"
#include "mfcom/com_session.h"
#include "mfcom/com_support.h"
#include "shared/deployment.h"
#include "shared/farm_file.h"
#include "shared/files_fixture.h"
#include "shared/server_file.h"
#include "support/import_notice.h"
#include "win/com.h"

namespace files_test {
namespace {

using mfcom::Command;
using mfcom::Readiness;

std::string VerdictsOf(const mfcom::CheckReport& report) {
    std::string text;
    for (const mfcom::Verdict& v : report.verdicts) {
        text += std::string(mfcom::CommandName(v.command)) + ": " +
                std::to_string(static_cast<int>(v.readiness)) + " " + v.reason + "\n";
    }
    return text;
}

class InterfaceCheckTest : public FilesTest {
  protected:
    InterfaceCheckTest() {
        lab::FarmModel target = lab::MakeTargetFarm();
        lab::FarmModel demo = lab::MakeDemoFarm();
        target.servers.insert(target.servers.end(), demo.servers.begin(), demo.servers.end());
        demo.servers.push_back(lab::ServerRecord{kSpare, demo.servers.front().zone, 5, 2});
        store_->Write(demo);
        store_->Write(target);
    }

    // A server of the demo farm with no application on it.
    static constexpr const char* kSpare = "ZD-SPARE";

    mfcom::CheckReport Check(const std::string& dialect) {
        labcom::ScopedLabValue speaking(labcom::kDialectValue, dialect);
        return app::RunFarmCheck();
    }

    comtest::ScopedLabSetting setting_{root_ / "store", std::string(lab::kDemoFarm)};
};

TEST_F(InterfaceCheckTest, DemoFarmIsReadyForEveryCommand) {
    const lab::FarmModel before = store_->Read(lab::kDemoFarm);
    const mfcom::CheckReport report = Check("");
    EXPECT_TRUE(report.AllReady()) << VerdictsOf(report) << report.Text();
    EXPECT_EQ(report.farm, lab::kDemoFarm);
    EXPECT_TRUE(report.typeLibrary.starts_with("type library LabFarm 1.0 (")) << report.typeLibrary;
    // Every member a command calls was answered by a live object, not assumed.
    for (size_t c = 0; c < mfcom::kCommandCount; ++c) {
        for (mfcom::Op op : mfcom::MembersCalledBy(static_cast<Command>(c))) {
            EXPECT_EQ(report.members[static_cast<size_t>(op)].live, mfcom::Presence::Known)
                << mfcom::MemberOf(op).name;
        }
    }
    for (const mfcom::SettingFinding& setting : report.settings) {
        EXPECT_EQ(setting.live, mfcom::Presence::Known) << setting.need.name;
    }
    const std::string text = report.Text();
    for (const char* line : {"  Export Farm: ready\r\n", "  Take offline: ready\r\n",
                             "  Import Farm: ready\r\n", "  Options: ready\r\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    // The check only read the farm.
    EXPECT_EQ(store_->Read(lab::kDemoFarm), before);
}

// What no live object can be had for (a farm without servers has no server view to ask),
// the registered type library speaks for; without one, the command is not verified.
TEST_F(InterfaceCheckTest, TypeLibrarySpeaksForWhatCannotBeReached) {
    lab::FarmModel bare;
    bare.name = "Bare";
    bare.zones = lab::MakeDemoFarm().zones;
    store_->Write(bare);
    labcom::ScopedLabValue farm(labcom::kFarmValue, std::string("Bare"));
    const auto& finding = [](const mfcom::CheckReport& r, mfcom::Op op) -> const auto& {
        return r.members[static_cast<size_t>(op)];
    };

    const mfcom::CheckReport declared = Check("");
    EXPECT_EQ(finding(declared, mfcom::Op::WinServerVerMajor).live, mfcom::Presence::NotReached);
    EXPECT_EQ(finding(declared, mfcom::Op::WinServerVerMajor).declared, mfcom::Presence::Known);
    EXPECT_EQ(finding(declared, mfcom::Op::UserInitialize).declared, mfcom::Presence::Known);
    EXPECT_EQ(finding(declared, mfcom::Op::UserInitializeFour).declared, mfcom::Presence::Known);
    EXPECT_EQ(declared.verdicts[static_cast<size_t>(Command::TakeOffline)].readiness,
              Readiness::Ready)
        << VerdictsOf(declared);

    // Without the type library registered, the server view is asked of nothing.
    wchar_t path[MAX_PATH * 4] = {};
    GetModuleFileNameW(comtest::LabFarmModule(), path, static_cast<DWORD>(std::size(path)));
    win::ComPtr<ITypeLib> library;
    ASSERT_EQ(LoadTypeLibEx(path, REGKIND_NONE, library.Put()), S_OK);
    struct Reregister {
        ITypeLib* library;
        wchar_t* path;
        ~Reregister() { RegisterTypeLib(library, path, nullptr); }
    } reregister{library.Get(), path};
    ASSERT_EQ(UnRegisterTypeLib(labcom::kTypeLibraryId, labcom::kTypeLibraryMajor,
                                labcom::kTypeLibraryMinor, LOCALE_NEUTRAL, SYS_WIN64),
              S_OK);
    const mfcom::CheckReport unknown = Check("");
    EXPECT_EQ(finding(unknown, mfcom::Op::WinServerVerMajor).declared, mfcom::Presence::NotReached);
    const mfcom::Verdict& offline = unknown.verdicts[static_cast<size_t>(Command::TakeOffline)];
    EXPECT_EQ(offline.readiness, Readiness::Unverified) << VerdictsOf(unknown);
    EXPECT_NE(offline.reason.find("could not be reached"), std::string::npos) << offline.reason;
    EXPECT_FALSE(unknown.typeLibrary.starts_with("type library LabFarm")) << unknown.typeLibrary;
}

struct LackCase {
    const char* dialect;
    Command command;
    Readiness readiness;
    const char* reason;  // part of it
};

TEST_F(InterfaceCheckTest, FindsWhatTheLabLacksAndTheCommandsItBreaks) {
    constexpr const char* kPublicOnly =
        "public WinApp.SaveData WinApp.AddServer WinApp.RemoveServer WinApp.EnableApp "
        "Farm.AddApplication Farm.GetApplication Farm.GetServer Folder.Initialize NoFolderClass";
    const LackCase cases[] = {
        {"WinServer.WinNTVerMajor", Command::TakeOffline, Readiness::WillFail,
         "the server view has no WinNTVerMajor"},
        {"WinServer.WinNTVerMajor", Command::ExportFarm, Readiness::Ready, ""},
        {"WinServer.WinNTVerMinor=WinNTMinorVersion", Command::TakeOffline, Readiness::WillFail,
         "the server view has no WinNTVerMinor"},
        {"Farm.GetServer Server.Initialize", Command::TakeOffline, Readiness::WillFail,
         "the farm object has no GetServer, and the server object has no Initialize"},
        {"Farm.GetServer", Command::TakeOffline, Readiness::Ready, ""},
        {"Farm.GetServer", Command::BringOnline, Readiness::Ready, ""},
        // Only the public forms, and no folder class (the constants' values stay).
        {kPublicOnly, Command::ImportFarm, Readiness::Ready, ""},
        {kPublicOnly, Command::Options, Readiness::Ready, ""},
        {kPublicOnly, Command::TakeOffline, Readiness::Ready, ""},
        {"WinApp.SaveData Application.SaveData", Command::Options, Readiness::WillFail,
         "the application view has no SaveData, and the application object has no SaveData"},
        {"Folder.Initialize Farm.GetRootFolder", Command::ImportFarm, Readiness::WillFail,
         "the folder object has no Initialize, and the farm object has no GetRootFolder"},
        // Where public use shows another form, the command goes on with it.
        {"public", Command::ImportFarm, Readiness::Ready, ""},
        {"public", Command::ExportFarm, Readiness::Ready, ""},
        {"WinApp.AddGroup Application.AddGroup", Command::ImportFarm, Readiness::WillFail,
         "the application view has no AddGroup, and the application object has no AddGroup"},
        {"User.UserName", Command::ExportFarm, Readiness::Ready, ""},
        {"User.UserName User.AccountName", Command::ExportFarm, Readiness::WillFail,
         "the user object has no UserName, and the user object has no AccountName"},
        {"Zone.DataCollector", Command::FarmView, Readiness::WillFail,
         "a zone has no DataCollector"},
        // Settings the farm does not have: the export leaves them out, the import passes
        // them over; Options cannot do without its seven.
        {"WinFarm.NoRedundantGraphics", Command::ExportFarm, Readiness::Ready, ""},
        {"WinApp.DesktopIntegrate", Command::ImportFarm, Readiness::Ready, ""},
        {"WinApp.DefaultWindowType", Command::Options, Readiness::WillFail,
         "the application view has no DefaultWindowType"},
        {"WinApp.AppName", Command::ImportFarm, Readiness::WillFail,
         "the application view has no AppName"},
    };
    for (const LackCase& c : cases) {
        SCOPED_TRACE(c.dialect);
        const mfcom::CheckReport report = Check(c.dialect);
        const mfcom::Verdict& verdict = report.verdicts[static_cast<size_t>(c.command)];
        EXPECT_EQ(verdict.readiness, c.readiness) << VerdictsOf(report);
        EXPECT_NE(verdict.reason.find(c.reason), std::string::npos) << verdict.reason;
        if (c.readiness == Readiness::WillFail) {
            EXPECT_FALSE(report.AllReady());
            const std::string line = "  " + std::string(mfcom::CommandName(c.command)) +
                                     ": will fail: " + verdict.reason + "\r\n";
            EXPECT_NE(report.Text().find(line), std::string::npos) << report.Text();
        }
    }
}

TEST_F(InterfaceCheckTest, ListsTheSettingsNotOnThisFarm) {
    const mfcom::CheckReport report = Check(
        "WinFarm.NoRedundantGraphics WinFarm.EnableACR "
        "WinApp.DesktopIntegrate");
    EXPECT_TRUE(report.AllReady()) << VerdictsOf(report);
    const std::string text = report.Text();
    EXPECT_NE(text.find("  the farm view: 32 of 34 known; not on this farm: "
                        "NoRedundantGraphics, EnableACR\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("known; not on this farm: DesktopIntegrate\r\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("  Export Farm: ready\r\n"), std::string::npos) << text;
}

// What the check asks about for each command must cover every name the command's procedure
// really asks of the farm; a procedure that starts calling a new member fails here. (The
// table lists a little more: what the dialogs read when they open, and the replacing of an
// application of the same name, which this import does not meet.)
TEST_F(InterfaceCheckTest, CommandTableCoversWhatTheProceduresCall) {
    using Asked = std::pair<mfcom::Kind, std::string>;
    const std::vector<mfcom::SettingNeed> settings = app::SettingNeeds();
    auto expected = [&](Command command) {
        std::set<Asked> names;
        for (mfcom::Op op : mfcom::MembersCalledBy(command)) {
            const mfcom::Member& member = mfcom::MemberOf(op);
            names.emplace(member.object, std::string(member.name));
        }
        for (const mfcom::SettingNeed& need : settings) {
            if (std::find(need.commands.begin(), need.commands.end(), command) !=
                need.commands.end()) {
                names.emplace(need.view, need.name);
            }
        }
        return names;
    };
    const lab::FarmModel demo = lab::MakeDemoFarm();
    const std::string server = demo.servers.front().name;
    const std::string other = kSpare;
    const std::string application = demo.applications.front().DistinguishedName();
    const std::pair<Command, std::function<void(shared::Shared&)>> runs[] = {
        {Command::ExportFarm,
         [&](shared::Shared& s) {
             testing_support::Shown(s, shared::ExportFarm(s, PathOf("f.ini")));
         }},
        {Command::ImportFarm,
         [&](shared::Shared& s) {
             labcom::WriteSetting(labcom::kFarmValue, lab::kTargetFarm);
             testing_support::Shown(s, shared::ImportFarm(s, PathOf("f.ini")));
             labcom::WriteSetting(labcom::kFarmValue, lab::kDemoFarm);
         }},
        {Command::TakeOffline,
         [&](shared::Shared& s) {
             testing_support::Shown(s, shared::ExportServerApps(s, server, PathOf("s.ini")));
         }},
        {Command::BringOnline,
         [&](shared::Shared& s) {
             testing_support::Shown(s, shared::ImportServerApps(s, server, PathOf("s.ini")));
         }},
        {Command::Publish,
         [&](shared::Shared& s) {
             EXPECT_TRUE(shared::PublishAppOnServer(s, application, other).Clean());
         }},
        {Command::Unpublish,
         [&](shared::Shared& s) {
             EXPECT_TRUE(shared::UnpublishAppFromServer(s, application, other).Clean());
         }},
        {Command::Options,
         [&](shared::Shared& s) {
             EXPECT_TRUE(shared::SetAppOptions(s, application, {1, 2, 1, 1, 50, 0, 0}).Clean());
         }},
        {Command::Clone,
         [&](shared::Shared& s) {
             EXPECT_TRUE(shared::CloneServerApps(s, server, other).Clean());
         }},
    };
    for (const auto& [command, run] : runs) {
        SCOPED_TRACE(std::string(mfcom::CommandName(command)));
        ComSession session(root_, log_);
        run(session.shared);
        // Only the import speaks: of the settings the target farm cannot take.
        ASSERT_TRUE(
            session.feedback.messages.empty() ||
            (command == Command::ImportFarm && session.feedback.messages.size() == 1 &&
             testing_support::NamesOnlyUnreportedSettings(session.feedback.messages[0].text)))
            << session.feedback.messages[0].text;
        const std::set<Asked> covered = expected(command);
        ASSERT_FALSE(session.factory.NamesAsked().empty());
        for (const Asked& name : session.factory.NamesAsked()) {
            EXPECT_TRUE(covered.contains(name))
                << "not checked: " << mfcom::KindName(name.first) << "." << name.second;
        }
    }
}

}  // namespace
}  // namespace files_test
