// The whole way through real COM: the program's farm objects come from labfarm.dll,
// registered in the Wine prefix, serving a temporary store; the connection tool is the real
// mfreg.exe started by the real launcher.
#include "farm/mfcom/mfcom.h"
#include "forms_support.h"
#include "mfcom/com_support.h"
#include "support/folder_files.h"

namespace forms_test {
namespace {

class ComPathTest : public ::testing::Test {
  public:
    ComPathTest()
        : storeFolder_("zelt-forms-comstore-"),
          workFolder_("zelt-forms-comwork-"),
          inWork_(workFolder_.Path()) {
        lab::FarmStore store(storeFolder_.Path());
        lab::InstallDemoFarms(store);
    }
    ~ComPathTest() override { desktop.DoEvents(); }

    // A program on the real COM path; the workstation starts out reaching `farm`.
    std::unique_ptr<forms::Program> MakeProgram(farm::ObjectFactory& factory) {
        forms::AppInfo app;
        app.folder = workFolder_.Utf8();
        return std::make_unique<forms::Program>(forms::Services{
            desktop, dialogs, launcher, factory, [] { return settings::CreateFileSystem(); }, app});
    }
    const fs::path& StorePath() const { return storeFolder_.Path(); }
    const fs::path& WorkPath() const { return workFolder_.Path(); }

    RecordingBoxes boxes;
    RecordingModal modal;
    ScriptedFileDialogs dialogs;
    ui::Win32ProcessLauncher launcher;
    ui::Desktop desktop{boxes, modal};

  private:
    TempFolder storeFolder_;
    TempFolder workFolder_;
    testing_support::ScopedWorkingDirectory inWork_;
};

TEST_F(ComPathTest, StartOnTheDemoFarmShowsItsViewsThroughCom) {
    comtest::ScopedLabSetting setting(StorePath(), std::string(lab::kDemoFarm));
    mfcom::MfcomFactory factory;
    auto program = MakeProgram(factory);
    program->Login().Show();

    EXPECT_TRUE(boxes.shown.empty()) << (boxes.shown.empty() ? "" : boxes.shown[0].text);
    forms::frmMain& main = program->Main();
    ASSERT_TRUE(main.IsLoaded());
    const lab::FarmModel demo = lab::MakeDemoFarm();
    EXPECT_EQ(main.lstFarm.List(0), "Farm name\t: ZeltDemo");
    EXPECT_EQ(main.lstFarm.ListCount(), static_cast<int16_t>(2 + 2 * demo.zones.size()));
    main.Command(main.mnuViewApps, 0);
    EXPECT_EQ(main.lstApps.ListCount(), static_cast<int16_t>(demo.applications.size()));
    main.Command(main.mnuViewServers, 0);
    EXPECT_EQ(main.lstServers.ListCount(), static_cast<int16_t>(demo.servers.size()));
    EXPECT_TRUE(boxes.shown.empty());
    main.Unload();
}

TEST_F(ComPathTest, ConnectRunsTheRealToolAndReachesTheNamedFarm) {
    const fs::path mfreg = comtest::BuildFolder() / "src" / "lab" / "mfreg" / "mfreg.exe";
    if (!fs::exists(mfreg)) {
        GTEST_SKIP() << "mfreg.exe is not built next to the tests";
    }
    fs::copy_file(mfreg, WorkPath() / "mfreg.exe");
    comtest::ScopedLabSetting setting(StorePath(), std::string(lab::kNoAdminFarm));
    mfcom::MfcomFactory factory;
    auto program = MakeProgram(factory);
    program->Login().Show();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].text.find("You must be a Citrix administrator."), std::string::npos);
    ASSERT_TRUE(program->Login().IsVisible());

    program->Login().Server.SetText("ZD-CTX03");
    program->Login().cmdPasstrough.Click();
    EXPECT_EQ(boxes.shown.size(), 1u) << boxes.shown.back().text;
    ASSERT_TRUE(program->Main().IsLoaded());
    EXPECT_EQ(program->Main().lstFarm.List(0), "Farm name\t: ZeltDemo");
    EXPECT_EQ(labcom::ReadSetting(labcom::kFarmValue), std::string(lab::kDemoFarm));
    program->Main().Unload();
}

// Export Farm from the menu on a farm that refuses a call in the middle of the export: the
// previous export, farm file and icons, stays as it was, and a new name gets no file.
TEST_F(ComPathTest, AFailedExportFarmLeavesThePreviousExportAsItWas) {
    comtest::ScopedLabSetting setting(StorePath(), std::string(lab::kDemoFarm));
    mfcom::MfcomFactory factory;
    auto program = MakeProgram(factory);
    program->Login().Show();
    forms::frmMain& main = program->Main();
    ASSERT_TRUE(main.IsLoaded());
    const auto exportTo = [&](const char* name) {
        dialogs.answers.push_back(win::Narrow((WorkPath() / name).wstring()));
        main.Command(main.mnuToolsExport, 0);
    };
    const auto resetCount =
        comtest::Hook<labcom::hooks::ResetCallCount>(labcom::hooks::kResetCallCount);
    resetCount();
    exportTo("Farm.ini");
    ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
    const long long calls = comtest::Hook<labcom::hooks::CallCount>(labcom::hooks::kCallCount)();
    const auto previous = testing_support::FilesBelow(WorkPath());
    ASSERT_EQ(previous.size(), 1 + lab::MakeDemoFarm().applications.size());

    comtest::Hook<labcom::hooks::FailCall>(labcom::hooks::kFailCall)(calls / 2, -2147467259,
                                                                     "The data store is locked.");
    for (const char* name : {"Farm.ini", "New.ini"}) {
        SCOPED_TRACE(name);
        resetCount();
        exportTo(name);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_NE(boxes.shown[0].text.find("The data store is locked."), std::string::npos);
        boxes.shown.clear();
        EXPECT_TRUE(testing_support::FilesBelow(WorkPath()) == previous);
    }
    comtest::Hook<labcom::hooks::ClearFaults>(labcom::hooks::kClearFaults)();
    main.Unload();
}

}  // namespace
}  // namespace forms_test
