// zelttool.exe's switches, run as a scheduled task runs them: a new process with no window,
// on the registered labfarm.dll, judged by its exit code and the files it leaves.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/farm_check.h"
#include "app/unattended_export.h"
#include "farm/mfcom/mfcom.h"
#include "lab/com/lab_client.h"
#include "mfcom/com_session.h"
#include "mfcom/com_support.h"
#include "shared/farm_file.h"
#include "shared/files_fixture.h"
#include "support/scoped_working_directory.h"
#include "win/text.h"

namespace files_test {
namespace {

using comtest::FileText;

class CommandLineTest : public FilesTest {
  protected:
    CommandLineTest() { store_->Write(lab::MakeDemoFarm()); }

    DWORD Run(const std::wstring& arguments, const fs::path& folder = {},
              const fs::path& errorFile = {}) {
        return comtest::RunZelttool(arguments, folder, errorFile);
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
              static_cast<DWORD>(app::kExportDone));
    const std::string unattended = FileText(folder / "unattended farm.ini");
    const std::string log = FileText(folder / "unattended farm.ini.log");
    EXPECT_NE(log.find(" Export Farm to "), std::string::npos) << log;
    EXPECT_NE(log.find(" Done.\r\n"), std::string::npos) << log;
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
              static_cast<DWORD>(app::kExportDone));
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
              static_cast<DWORD>(app::kExportDone));
    const std::string notice =
        " This farm does not have these settings; the farm file leaves them out: "
        "NoRedundantGraphics (farm setting), DesktopIntegrate (application setting)\r\n";
    const std::string log = FileText(folder / "farm.ini.log");
    EXPECT_NE(log.find(notice), std::string::npos) << log;
    EXPECT_NE(log.find(" Done.\r\n"), std::string::npos) << log;
    EXPECT_NE(FileText(root_ / "stderr.txt").find(notice), std::string::npos)
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
    ASSERT_EQ(Run(L"/export farm.ini", folder), static_cast<DWORD>(app::kExportDone));
    fs::remove(folder / "farm.ini.log");
    const auto backup = WorkFiles();
    ASSERT_GT(backup.size(), 10u);

    labcom::ScopedLabValue refusal(labcom::kFailOperationValue,
                                   "Application.Users -2147024891 The data store is locked.");
    for (const char* name : {"farm.ini", "new.ini"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Run(L"/export " + win::Widen(name), folder),
                  static_cast<DWORD>(app::kExportFailed));
        const std::string log = FileText(folder / (std::string(name) + ".log"));
        EXPECT_NE(log.find(" Failed: error -2147024891: The data store is locked.\r\n"),
                  std::string::npos)
            << log;
        EXPECT_EQ(log.find(" Done."), std::string::npos);
        fs::remove(folder / (std::string(name) + ".log"));
        EXPECT_TRUE(WorkFiles() == backup);
    }
}

}  // namespace
}  // namespace files_test
