// zelttool.exe's switches, run as a scheduled task runs them: a new process with no window,
// on the registered labfarm.dll, judged by its exit code and the files it leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <tuple>

#include "app/farm_check.h"
#include "commands/command_report.h"
#include "farm/mfcom/mfcom.h"
#include "lab/com/lab_client.h"
#include "mfcom/com_session.h"
#include "mfcom/com_support.h"
#include "shared/deployment.h"
#include "shared/farm_file.h"
#include "shared/files_fixture.h"
#include "shared/server_file.h"
#include "shared/server_mapping.h"
#include "support/json_reader.h"
#include "support/scoped_working_directory.h"
#include "win/text.h"

namespace files_test {
namespace {

using comtest::FileText;

class CommandLineTest : public FilesTest {
  protected:
    CommandLineTest() { store_->Write(lab::MakeDemoFarm()); }

    DWORD Run(const std::wstring& arguments, const fs::path& folder = {},
              const fs::path& errorFile = {}, const fs::path& outputFile = {}) {
        return comtest::RunZelttool(arguments, folder, errorFile, outputFile);
    }

    comtest::ScopedLabSetting setting_{root_ / "store", std::string(lab::kDemoFarm)};
};

// /check REPORT_FILE: the report in the file, 0 when every command is ready, 1 when one is
// not, 2 when the check cannot run.
TEST_F(CommandLineTest, CheckWritesTheReportAndAnswersWithItsExitCode) {
    const auto report = root_ / "work" / "check report.txt";
    auto run = [&](const std::string& dialect) {
        labcom::ScopedLabValue speaking(labcom::kDialectValue, dialect);
        return Run(L"/CHECK \"" + report.wstring() + L"\"");
    };
    EXPECT_EQ(run(""), static_cast<DWORD>(app::kCheckAllReady)) << FileText(report);
    EXPECT_NE(FileText(report).find("  Take offline: ready\r\n"), std::string::npos);
    // Each constant with its value and where it came from.
    EXPECT_NE(FileText(report).find(
                  "  MetaFrameAppFolder                 3      from the type library\r\n"),
              std::string::npos)
        << FileText(report);

    EXPECT_EQ(run("WinServer.WinNTVerMajor"), static_cast<DWORD>(app::kCheckNotReady));
    EXPECT_NE(FileText(report).find(
                  "  Take offline: will fail: the server view has no WinNTVerMajor\r\n"),
              std::string::npos)
        << FileText(report);

    EXPECT_EQ(Run(L"/check \"" + (root_ / "no such folder" / "r.txt").wstring() + L"\""),
              static_cast<DWORD>(app::kCheckCouldNotRun));
    EXPECT_EQ(Run(L"/check"), 2u);     // the report file is missing
    EXPECT_EQ(Run(L"/backup x"), 2u);  // no such switch
}

// /export FILE writes what Export Farm writes on the same farm, byte for byte, and its icons;
// a relative FILE is taken from the working folder, as the icons folder is.
TEST_F(CommandLineTest, ExportWritesTheSameFarmFileAsExportFarm) {
    const fs::path folder = root_ / "work";
    ASSERT_EQ(Run(L"/export \"unattended farm.ini\"", folder),
              static_cast<DWORD>(commands::kExitDone));
    const std::string unattended = FileText(folder / "unattended farm.ini");
    const std::string log = FileText(folder / "unattended farm.ini.log");
    EXPECT_NE(log.find(" Export Farm to "), std::string::npos) << log;
    EXPECT_NE(log.find(" Done: " + std::to_string(lab::MakeDemoFarm().applications.size()) +
                       " changes.\r\n"),
              std::string::npos)
        << log;
    const auto icons = std::distance(fs::directory_iterator(folder / "icons"), {});
    EXPECT_EQ(static_cast<size_t>(icons), lab::MakeDemoFarm().applications.size());

    {
        testing_support::ScopedWorkingDirectory here(folder);
        ComSession session(root_, log_);
        testing_support::Shown(session.shared,
                               shared::ExportFarm(session.shared, PathOf("interactive.ini")));
        ASSERT_TRUE(session.feedback.messages.empty()) << session.feedback.messages[0].text;
    }
    ASSERT_GT(unattended.size(), 1000u);
    EXPECT_EQ(unattended, Read("interactive.ini"));

    // A second run appends to the log.
    ASSERT_EQ(Run(L"/export \"unattended farm.ini\"", folder),
              static_cast<DWORD>(commands::kExitDone));
    EXPECT_EQ(FileText(folder / "unattended farm.ini.log").find(log), 0u);
    EXPECT_GT(FileText(folder / "unattended farm.ini.log").size(), log.size());
}

// A farm without some settings still exports completely: the file leaves them out, and the
// log and standard error name them; the exit code stays 0.
TEST_F(CommandLineTest, ExportOfAFarmWithoutSomeSettingsSucceedsAndNamesThem) {
    labcom::ScopedLabValue speaking(labcom::kDialectValue,
                                    "WinFarm.NoRedundantGraphics WinApp.DesktopIntegrate");
    const fs::path folder = root_ / "work";
    ASSERT_EQ(Run(L"/export farm.ini", folder, root_ / "stderr.txt"),
              static_cast<DWORD>(commands::kExitDone));
    const std::string notice =
        " This farm does not have these settings; the farm file leaves them out: "
        "NoRedundantGraphics (farm setting), DesktopIntegrate (application setting)\r\n";
    const std::string log = FileText(folder / "farm.ini.log");
    EXPECT_NE(log.find(notice), std::string::npos) << log;
    EXPECT_NE(log.find(" Done: " + std::to_string(lab::MakeDemoFarm().applications.size()) +
                       " changes.\r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(FileText(root_ / "stderr.txt").find(notice.substr(1)), std::string::npos)
        << FileText(root_ / "stderr.txt");
    const std::string file = FileText(folder / "farm.ini");
    EXPECT_EQ(file.find("NoRedundantGraphics="), std::string::npos);
    EXPECT_EQ(file.find("DesktopIntegrate="), std::string::npos);
    size_t blocks = 0;  // every application's block is there, to its icon
    for (size_t at = 0; (at = file.find("\r\n[Icon]\r\nIcon=", at)) != std::string::npos; ++at) {
        ++blocks;
    }
    EXPECT_EQ(blocks, lab::MakeDemoFarm().applications.size());
}

// A farm that refuses a read in the middle ends the export with the farm's number and text,
// in the log (and on standard error), and a non-zero exit code. The backup of the night
// before, farm file and icons, stays as it was; an export to a new name leaves no file.
TEST_F(CommandLineTest, AFailedExportReportsTheRefusalAndKeepsTheLastGoodBackup) {
    const fs::path folder = root_ / "work";
    ASSERT_EQ(Run(L"/export farm.ini", folder), static_cast<DWORD>(commands::kExitDone));
    fs::remove(folder / "farm.ini.log");
    const auto backup = WorkFiles();
    ASSERT_GT(backup.size(), 10u);

    labcom::ScopedLabValue refusal(labcom::kFailOperationValue,
                                   "Application.Users -2147024891 The data store is locked.");
    for (const char* name : {"farm.ini", "new.ini"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Run(L"/export " + win::Widen(name), folder),
                  static_cast<DWORD>(commands::kExitRefused));
        const std::string log = FileText(folder / (std::string(name) + ".log"));
        EXPECT_NE(log.find(" Failed: error -2147024891: The data store is locked.\r\n"),
                  std::string::npos)
            << log;
        EXPECT_EQ(log.find(" Done"), std::string::npos);
        fs::remove(folder / (std::string(name) + ".log"));
        EXPECT_TRUE(WorkFiles() == backup);
    }
}

// Each command changes the farm exactly as the operation the window runs does (the farm read
// back from the lab's store); its dry run changes nothing and lists exactly what the run then
// changes; both outcomes are JSON a script reads.
TEST_F(CommandLineTest, EveryCommandDoesWhatItsWindowDoesAndItsDryRunListsIt) {
    const fs::path folder = root_ / "work";
    const lab::FarmModel demo = lab::MakeDemoFarm();
    const auto& apps = demo.applications;
    const std::string first = apps[0].DistinguishedName();
    const std::string second = apps[1].DistinguishedName();
    const auto display = [](std::string dn) {  // as the Applications view lists it
        dn = dn.substr(std::string("Applications/").size());
        std::replace(dn.begin(), dn.end(), '/', '\\');
        return win::Widen(dn);
    };
    // A demo farm whose ZD-CTX05 and ZD-CTX06 publish nothing, for the clone and the publish.
    lab::FarmModel spare = demo;
    for (lab::AppRecord& app : spare.applications) {
        std::erase_if(app.servers, [](const std::string& s) { return s >= "ZD-CTX05"; });
    }
    {  // The demo farm's file, imported into the target farm, its six servers mapped onto three.
        ComSession session(root_, log_);
        ASSERT_FALSE(shared::ExportFarm(session.shared, PathOf("demo.ini")).failure);
    }
    // A target farm that can take every setting of the file.
    lab::FarmModel target = lab::MakeTargetFarm();
    target.settings = demo.settings;
    shared::ServerMapping mapping;
    std::wstring mapArguments;
    for (int i = 1; i <= 6; ++i) {
        const std::string from = "ZD-CTX0" + std::to_string(i);
        const std::string to = "ZT-CTX0" + std::to_string((i + 1) / 2);
        mapping.MapTo(from, to);
        mapArguments += L" /map " + win::Widen(from + "=" + to);
    }
    Write("online.ini", "[Applications]\r\nDistinguishedName=" + first +
                            "\r\nDistinguishedName=" + second + "\r\n");
    const shared::AppOptions options{.windowType = 3,
                                     .windowColor = 4,
                                     .encryption = 5,
                                     .soundType = 1,
                                     .windowScale = 90,
                                     .windowHeight = 480,
                                     .windowWidth = 640};
    using Window = std::function<void(shared::Shared&)>;
    struct Case {
        std::wstring arguments;
        std::string farm;
        lab::FarmModel before;
        Window window;
    };
    const auto check = [](const shared::Outcome& outcome) {
        EXPECT_FALSE(outcome.failure) << outcome.failure->error.description;
    };
    const std::vector<Case> cases = {
        {L"/import \"" + win::Widen(PathOf("demo.ini")) + L"\"" + mapArguments,
         std::string(lab::kTargetFarm), target,
         [&](shared::Shared& s) {
             check(shared::ImportFarm(s, PathOf("demo.ini"), {.servers = &mapping}));
         }},
        {L"/offline zd-ctx02 \"" + win::Widen(PathOf("offline.ini")) + L"\"",
         std::string(lab::kDemoFarm), demo,
         [&](shared::Shared& s) {
             check(shared::ExportServerApps(s, "ZD-CTX02", PathOf("offline.ini")));
         }},
        {L"/online ZD-CTX06 \"" + win::Widen(PathOf("online.ini")) + L"\"",
         std::string(lab::kDemoFarm), spare,
         [&](shared::Shared& s) {
             check(shared::ImportServerApps(s, "ZD-CTX06", PathOf("online.ini")));
         }},
        {L"/clone ZD-CTX01 ZD-CTX05 ZD-CTX06", std::string(lab::kDemoFarm), spare,
         [&](shared::Shared& s) {
             check(shared::CloneServerApps(s, "ZD-CTX01", "ZD-CTX05"));
             check(shared::CloneServerApps(s, "ZD-CTX01", "ZD-CTX06"));
         }},
        {L"/publish /apps \"" + display(first) + L"\" \"" + display(second) +
             L"\" /servers ZD-CTX05 ZD-CTX06",
         std::string(lab::kDemoFarm), spare,
         [&](shared::Shared& s) {
             for (const char* server : {"ZD-CTX05", "ZD-CTX06"}) {
                 check(shared::PublishAppOnServer(s, first, server));
                 check(shared::PublishAppOnServer(s, second, server));
             }
         }},
        {L"/unpublish /apps \"" + win::Widen(first) + L"\" /servers " +
             win::Widen(apps[0].servers[0] + " " + apps[0].servers[1]),
         std::string(lab::kDemoFarm), demo,
         [&](shared::Shared& s) {
             check(shared::UnpublishAppFromServer(s, first, apps[0].servers[0]));
             check(shared::UnpublishAppFromServer(s, first, apps[0].servers[1]));
         }},
        {L"/options /apps \"" + display(first) + L"\" \"" + display(second) +
             L"\" /size 1024x768 /colors 4 /encryption \"RC5 (128-bit)\" /audio \"Audio off\"",
         std::string(lab::kDemoFarm), demo,
         [&](shared::Shared& s) {
             check(shared::SetAppOptions(s, first, options));
             check(shared::SetAppOptions(s, second, options));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(win::Narrow(c.arguments));
        comtest::ScopedLabSetting farm(root_ / "store", c.farm);
        store_->Write(c.before);
        const fs::path output = root_ / "out.json";
        ASSERT_EQ(Run(c.arguments + L" /whatif /json", folder, root_ / "err.txt", output), 0u)
            << FileText(root_ / "err.txt");
        EXPECT_EQ(store_->Read(c.farm), c.before);
        const testing_support::Json whatIf = testing_support::JsonReader::Read(FileText(output));
        EXPECT_TRUE(whatIf["whatIf"].Bool());

        ASSERT_EQ(Run(c.arguments + L" /json", folder, root_ / "err.txt", output), 0u)
            << FileText(root_ / "err.txt");
        const testing_support::Json run = testing_support::JsonReader::Read(FileText(output));
        const lab::FarmModel byCommand = store_->Read(c.farm);
        EXPECT_NE(byCommand, c.before);
        ASSERT_FALSE(run["changes"].Items().empty());
        ASSERT_EQ(whatIf["changes"].Items().size(), run["changes"].Items().size());
        for (size_t i = 0; i < run["changes"].Items().size(); ++i) {
            const testing_support::Json& said = whatIf["changes"].Items()[i];
            const testing_support::Json& done = run["changes"].Items()[i];
            for (const char* key : {"kind", "application", "server", "setting", "newValue"}) {
                EXPECT_EQ(said[key].IsNull(), done[key].IsNull()) << i << key;
                if (!done[key].IsNull()) {
                    EXPECT_EQ(said[key].Text(), done[key].Text()) << i << key;
                }
            }
        }

        store_->Write(c.before);
        {
            ComSession session(root_, log_);
            c.window(session.shared);
        }
        EXPECT_TRUE(store_->Read(c.farm) == byCommand);
    }
    EXPECT_EQ(FileText(folder / "offline.ini").find("[Servers]\r\nServerName=ZD-CTX02\r\n"), 0u);
}

// A wrong command line changes nothing and ends with 2; /? prints the usage; what the farm
// refuses is a line on standard output and on standard error, and exit code 1.
TEST_F(CommandLineTest, WrongLinesRefusalsAndTheUsageAnswerWithTheirExitCodes) {
    const fs::path out = root_ / "out.txt";
    const fs::path err = root_ / "err.txt";
    EXPECT_EQ(Run(L"/?", {}, err, out), 0u);
    EXPECT_NE(FileText(out).find("/publish /apps APP... /servers SERVER..."), std::string::npos);

    EXPECT_EQ(Run(L"/publish /apps Nowhere /servers ZD-CTX01 /json", {}, err, out), 2u);
    const testing_support::Json refused = testing_support::JsonReader::Read(FileText(out));
    EXPECT_EQ(refused["error"].Text(), "The farm has no application Nowhere.");
    EXPECT_EQ(Run(L"/options /apps Nowhere /percent 1e9", {}, err, out), 2u);
    EXPECT_NE(FileText(err).find("The percent must be a whole number from -32768 to 32767."),
              std::string::npos)
        << FileText(err);
    EXPECT_EQ(store_->Read(std::string(lab::kDemoFarm)), lab::MakeDemoFarm());

    const lab::AppRecord app = lab::MakeDemoFarm().applications[0];
    labcom::ScopedLabValue refusal(labcom::kFailOperationValue,
                                   "Application.SaveData -2147467259 Refused by the farm.");
    const fs::path log = root_ / "work" / "publish.log";
    EXPECT_EQ(Run(L"/unpublish /apps \"" + win::Widen(app.DistinguishedName()) + L"\" /servers " +
                      win::Widen(app.servers[0]) + L" /log \"" + log.wstring() + L"\"",
                  {}, err, out),
              1u);
    const std::string line = "Passed over " + app.DistinguishedName() + " on " + app.servers[0] +
                             ": error -2147467259: Refused by the farm.\r\n";
    EXPECT_NE(FileText(out).find(line), std::string::npos) << FileText(out);
    EXPECT_NE(FileText(err).find(line), std::string::npos) << FileText(err);
    EXPECT_NE(FileText(log).find(" Done: 0 changes, 1 refusal.\r\n"), std::string::npos)
        << FileText(log);
    EXPECT_EQ(store_->Read(std::string(lab::kDemoFarm)), lab::MakeDemoFarm());
}

// /compare as a scheduled task runs it on the registered farm: 0 right after a backup, 1 with
// a line per difference once the farm has changed (in the log too), 2 for a missing file.
TEST_F(CommandLineTest, CompareAnswersWhetherTheFarmDiffersFromABackup) {
    const fs::path folder = root_ / "work";
    const fs::path out = root_ / "out.txt";
    const fs::path err = root_ / "err.txt";
    ASSERT_EQ(Run(L"/export backup.ini", folder), static_cast<DWORD>(commands::kExitDone));
    EXPECT_EQ(Run(L"/compare backup.ini", folder, err, out),
              static_cast<DWORD>(commands::kExitDone))
        << FileText(err);
    EXPECT_EQ(FileText(out), "No differences.\r\n");

    // A publish and an options change as the windows run them: the comparison lists exactly
    // those changes.
    const lab::FarmModel demo = lab::MakeDemoFarm();
    const lab::AppRecord& published = demo.applications[3];
    std::string freeServer;
    for (const lab::ServerRecord& candidate : demo.servers) {
        if (std::find(published.servers.begin(), published.servers.end(), candidate.name) ==
            published.servers.end()) {
            freeServer = candidate.name;
        }
    }
    ASSERT_FALSE(freeServer.empty());
    const shared::AppOptions options{.windowType = 3,
                                     .windowColor = 4,
                                     .encryption = 5,
                                     .soundType = 1,
                                     .windowScale = 75,
                                     .windowHeight = 600,
                                     .windowWidth = 800};
    {
        ComSession session(root_, log_);
        ASSERT_TRUE(
            shared::PublishAppOnServer(session.shared, published.DistinguishedName(), freeServer)
                .Clean());
        ASSERT_TRUE(
            shared::SetAppOptions(session.shared, published.DistinguishedName(), options).Clean());
    }
    std::vector<std::string> expected{published.DistinguishedName() + ": server " + freeServer +
                                      " bound"};
    for (const auto& [name, value] : shared::OptionValues(options)) {
        const auto found = published.keys.find(std::string(name));
        const std::string before =
            found == published.keys.end() ? "0" : farm::AsText(found->second);
        if (before != std::to_string(value)) {
            expected.push_back(published.DistinguishedName() + ": " + std::string(name) + " " +
                               before + " -> " + std::to_string(value));
        }
    }
    EXPECT_EQ(Run(L"/compare backup.ini", folder, err, out),
              static_cast<DWORD>(commands::kExitDiffer));
    std::vector<std::string> listed = Lines(FileText(out));
    ASSERT_FALSE(listed.empty());
    EXPECT_EQ(listed.back(), std::to_string(expected.size()) + " differences.");
    listed.pop_back();
    std::sort(listed.begin(), listed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);

    lab::FarmModel changed = lab::MakeDemoFarm();
    lab::AppRecord& app = changed.applications[0];
    const std::string server = app.servers.back();
    app.servers.pop_back();
    store_->Write(changed);
    const fs::path log = folder / "drift.log";
    EXPECT_EQ(Run(L"/compare backup.ini /log drift.log", folder, err, out),
              static_cast<DWORD>(commands::kExitDiffer));
    const std::string line = app.DistinguishedName() + ": server " + server + " unbound";
    EXPECT_EQ(FileText(out), line + "\r\n1 difference.\r\n");
    EXPECT_NE(FileText(log).find(" " + line + "\r\n"), std::string::npos) << FileText(log);
    EXPECT_NE(FileText(log).find(" Compare " + win::Narrow((folder / "backup.ini").wstring()) +
                                 " with the farm\r\n"),
              std::string::npos)
        << FileText(log);
    EXPECT_EQ(store_->Read(std::string(lab::kDemoFarm)), changed);

    EXPECT_EQ(Run(L"/compare backup.ini /json", folder, err, out),
              static_cast<DWORD>(commands::kExitDiffer));
    const testing_support::Json json = testing_support::JsonReader::Read(FileText(out));
    ASSERT_EQ(json["differences"].Items().size(), 1u);
    EXPECT_EQ(json["differences"].Items()[0]["text"].Text(), line);

    EXPECT_EQ(Run(L"/compare missing.ini backup.ini", folder, err, out),
              static_cast<DWORD>(commands::kExitCouldNotRun));
    EXPECT_NE(FileText(err).find("missing.ini cannot be read: error 53"), std::string::npos)
        << FileText(err);
}

// The farm as a script reading the store would compare it: applications by name, their
// servers, users and groups in any order, a key that is not set as the value it reads as.
lab::FarmModel Comparable(lab::FarmModel farm) {
    farm.folders.clear();  // a folder an import created stays after its undo
    for (lab::AppRecord& app : farm.applications) {
        std::sort(app.servers.begin(), app.servers.end());
        const auto byName = [](const auto& a, const auto& b) {
            return a.aaName + a.accountName < b.aaName + b.accountName;
        };
        std::sort(app.users.begin(), app.users.end(), byName);
        std::sort(app.groups.begin(), app.groups.end(), byName);
        std::erase_if(app.keys, [](const auto& key) {
            return key.second == farm::Value(0) || key.second == farm::Value(std::string());
        });
    }
    std::sort(farm.applications.begin(), farm.applications.end(), [](const auto& a, const auto& b) {
        return a.DistinguishedName() < b.DistinguishedName();
    });
    return farm;
}

// The program's journal in a folder of the test's, for the programs it starts.
class ScopedJournal {
  public:
    explicit ScopedJournal(const fs::path& folder) {
        SetEnvironmentVariableW(L"ZELT_JOURNAL", folder.wstring().c_str());
    }
    ~ScopedJournal() { SetEnvironmentVariableW(L"ZELT_JOURNAL", nullptr); }
};

// Every changing command, run by zelttool.exe through labfarm.dll, is undone by /undo to the
// farm it found, read back from the lab's store; an import that replaced namesakes gets them
// back with their icons.
TEST_F(CommandLineTest, EveryCommandIsUndoneFromItsRestoreRecord) {
    const ScopedJournal journal(root_ / "journal");
    const fs::path folder = root_ / "work";
    const lab::FarmModel demo = lab::MakeDemoFarm();
    const std::string first = demo.applications[0].DistinguishedName();
    {
        ComSession session(root_, log_);
        ASSERT_FALSE(shared::ExportFarm(session.shared, PathOf("demo.ini")).failure);
    }
    // The target farm has namesakes of two of the file's root-folder applications, with icons
    // of their own, and can take every setting of the file.
    lab::FarmModel target = lab::MakeTargetFarm();
    target.settings = demo.settings;
    target.applications = {App("Applications", demo.applications[0].name, 91),
                           App("Applications", demo.applications[1].name, 92)};
    std::wstring mapArguments;
    for (int i = 1; i <= 6; ++i) {
        mapArguments +=
            L" /map ZD-CTX0" + std::to_wstring(i) + L"=ZT-CTX0" + std::to_wstring((i + 1) / 2);
    }
    lab::FarmModel spare = demo;
    for (lab::AppRecord& app : spare.applications) {
        std::erase_if(app.servers, [](const std::string& s) { return s >= "ZD-CTX05"; });
    }
    Write("online.ini", "[Applications]\r\nDistinguishedName=" + first + "\r\n");
    const std::vector<std::tuple<std::wstring, std::string, lab::FarmModel>> cases = {
        {L"/import \"" + win::Widen(PathOf("demo.ini")) + L"\"" + mapArguments,
         std::string(lab::kTargetFarm), target},
        {L"/offline ZD-CTX02 \"" + win::Widen(PathOf("offline.ini")) + L"\"",
         std::string(lab::kDemoFarm), demo},
        {L"/online ZD-CTX06 \"" + win::Widen(PathOf("online.ini")) + L"\"",
         std::string(lab::kDemoFarm), spare},
        {L"/clone ZD-CTX01 ZD-CTX05", std::string(lab::kDemoFarm), spare},
        {L"/publish /apps \"" + win::Widen(first) + L"\" /servers ZD-CTX05",
         std::string(lab::kDemoFarm), spare},
        {L"/unpublish /apps \"" + win::Widen(first) + L"\" /servers " +
             win::Widen(demo.applications[0].servers[0]),
         std::string(lab::kDemoFarm), demo},
        {L"/options /apps \"" + win::Widen(first) + L"\" /size 1024x768 /audio \"Audio off\"",
         std::string(lab::kDemoFarm), demo},
    };
    for (const auto& [arguments, farmName, before] : cases) {
        SCOPED_TRACE(win::Narrow(arguments));
        comtest::ScopedLabSetting farm(root_ / "store", farmName);
        store_->Write(before);
        ASSERT_EQ(Run(arguments, folder, root_ / "err.txt"), 0u) << FileText(root_ / "err.txt");
        ASSERT_FALSE(Comparable(store_->Read(farmName)) == Comparable(before));
        ASSERT_EQ(Run(L"/undo /json", folder, root_ / "err.txt", root_ / "out.json"), 0u)
            << FileText(root_ / "err.txt") << FileText(root_ / "out.json");
        const testing_support::Json undone =
            testing_support::JsonReader::Read(FileText(root_ / "out.json"));
        EXPECT_FALSE(undone["changes"].Items().empty());
        EXPECT_TRUE(Comparable(store_->Read(farmName)) == Comparable(before));
    }
    // The import's namesakes came back with their own icons.
    comtest::ScopedLabSetting farm(root_ / "store", std::string(lab::kTargetFarm));
    EXPECT_EQ(Comparable(store_->Read(std::string(lab::kTargetFarm))).applications,
              Comparable(target).applications);
}

}  // namespace
}  // namespace files_test
