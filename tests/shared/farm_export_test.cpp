// The farm file as the export writes it, byte for byte, and the icons folder beside it.
#include <gtest/gtest.h>

#include "files_fixture.h"
#include "shared/farm_file.h"
#include "shared/file_support.h"

namespace files_test {
namespace {

class FarmExportTest : public FilesTest {
  protected:
    std::string IconPath(const std::string& name) const {
        return PathOf("icons") + settings::kPathSeparator + name;
    }
};

TEST_F(FarmExportTest, WritesFarmBlockThenOneBlockPerApplication) {
    const lab::FarmModel model = SmallFarm();
    store_->Write(model);
    fs::create_directories(root_ / "work" / "icons");
    Write("icons/old.ico", "stale");
    Write("icons/keep.txt", "kept");
    auto session = Open("FileLab");
    testing_support::Shown(session->shared,
                           shared::ExportFarm(session->shared, PathOf("farm.ini")));

    EXPECT_TRUE(session->feedback.messages.empty());
    EXPECT_EQ(session->feedback.progressHistory,
              (std::vector<float>{0, 24.75f, 49.5f, 74.25f, 99}));
    const std::string file = Read("farm.ini");
    const std::vector<std::string> lines = Lines(file);
    ASSERT_GT(lines.size(), 35u);
    EXPECT_EQ(lines[0] + lines[1], "[Farm]Farmname=FileLab");
    EXPECT_EQ(lines[17], "ICAVideoBufferSize=1.5");
    EXPECT_EQ(lines[31], "LicenseServerName=textLicenseServerName");
    const std::string firstBlock =
        "\r\n[Application]\r\nAppName=Word\r\nDistinguishedName=Applications/Office/Word\r\n"
        "EnableApp=0\r\nHideDisabledApp=1\r\nDescription=About Word\r\n"
        "DefaultInitProg=run.exe /mode=fast\r\nDefaultWorkDir=C:\\Work\r\n"
        "DefaultWindowHeight=0\r\nDefaultWindowScale=0\r\nDefaultWindowType=0\r\n"
        "DefaultWindowWidth=800\r\nDefaultWindowColor=0\r\nInstanceLimit=-1\r\n"
        "AllowMultiInstancePerUser=0\r\nCPUPriority=2\r\nDefaultSoundType=0\r\n"
        "EnableSSLConnections=0\r\nDefaultEncryption=0\r\nWaitOnPrinterCreation=0\r\n"
        "PNFolder=Tools\r\nAddToClientStartMenu=0\r\nPlaceUnderProgramsFolder=0\r\n"
        "StartMenuFolder=\r\nAddShortcutToClientDesktop=0\r\nDesktopIntegrate=0\r\n"
        "MFAttributes=0\r\nPNAttributes=0\r\nParentFolderDN=Applications/Office\r\n"
        "\r\n[Servers]\r\nServer=S1\r\nServer=S2\r\n\r\n[Users]\r\nUser=2:1:LAB:ann\r\n"
        "\r\n[Groups]\r\nGroup=2:1:LAB:staff\r\n\r\n[Icon]\r\nIcon=" +
        IconPath("Word.ico") + "\r\n\r\n";
    EXPECT_EQ(file.substr(file.find("\r\n\r\n[Application]") + 2, firstBlock.size()), firstBlock);
    // The published desktop: fixed command line, no working directory, empty sections kept.
    const std::string desktop = file.substr(file.find("AppName=Desktop"));
    EXPECT_NE(desktop.find("DefaultInitProg=PublishedDesktop\r\nDefaultWindowHeight="),
              std::string::npos);
    EXPECT_NE(desktop.find("\r\n[Servers]\r\n\r\n[Users]\r\n\r\n[Groups]\r\n\r\n[Icon]\r\n"),
              std::string::npos);
    EXPECT_TRUE(file.ends_with("Icon=" + IconPath("CON_.ico") + "\r\n\r\n"));
    EXPECT_EQ(file.find('\n'), file.find("\r\n") + 1);
    EXPECT_EQ(file.find("\r\n\r\n\r\n\r\n"), std::string::npos);

    // One file per application, also for the namesake in another folder.
    const char* icons[] = {"Word.ico", "Word (2).ico", "Desktop.ico", "CON_.ico"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_NE(file.find("\r\nIcon=" + IconPath(icons[i]) + "\r\n"), std::string::npos);
        EXPECT_TRUE(Read("icons/" + std::string(icons[i])) == model.applications[i].icon) << i;
    }
    EXPECT_EQ(Read("icons/old.ico") + Read("icons/keep.txt"), "<none>kept");
    EXPECT_TRUE(fs::is_empty(root_ / "tmp"));
}

TEST_F(FarmExportTest, FarmWithoutApplicationsOrOptionalSettingsGivesThirtyLines) {
    lab::FarmModel model = SmallFarm();
    model.applications.clear();
    for (const char* key :
         {"LicenseServerName", "LicenseServerPort", "SREnabled", "SRPort", "SRTimeout"}) {
        model.settings.erase(key);
    }
    store_->Write(model);
    auto session = Open("FileLab");
    testing_support::Shown(session->shared,
                           shared::ExportFarm(session->shared, PathOf("farm.ini")));
    EXPECT_TRUE(session->feedback.messages.empty());
    const std::string file = Read("farm.ini");
    EXPECT_EQ(Lines(file).size(), 31u);  // the header and 30 settings
    EXPECT_TRUE(file.ends_with("\r\nLegacyMFServerCompatibleMode=" +
                               farm::AsText(model.settings.at("LegacyMFServerCompatibleMode")) +
                               "\r\n"));
    EXPECT_EQ(session->feedback.progressHistory, std::vector<float>{0});
    EXPECT_TRUE(fs::is_directory(root_ / "work" / "icons"));
}

// A setting whose name the farm does not know at all is left out like an optional one and
// named once at the end; the five optional settings stay unnamed; any other refusal still
// ends the export.
TEST_F(FarmExportTest, SettingsTheFarmDoesNotHaveAreLeftOutAndNamedAtTheEnd) {
    store_->Write(SmallFarm());
    faults_->FailOperation("WinFarm.Get", base::kErrUnknownName, "Unknown name");
    faults_->FailOperation("WinApp.Get", base::kErrUnknownName, "Unknown name");
    auto session = Open("FileLab");
    testing_support::Shown(session->shared,
                           shared::ExportFarm(session->shared, PathOf("farm.ini")));

    const std::string file = Read("farm.ini");
    EXPECT_TRUE(file.starts_with("[Farm]\r\nFarmname=FileLab\r\n\r\n[Application]\r\n")) << file;
    const std::string block =
        "\r\n[Application]\r\nAppName=Word\r\nDistinguishedName=Applications/Office/Word\r\n"
        "Description=About Word\r\n\r\n[Servers]\r\nServer=S1\r\nServer=S2\r\n";
    EXPECT_NE(file.find(block), std::string::npos) << file;
    // The farm block, four blocks of 15 lines, and the 5 lines of servers, users and groups.
    EXPECT_EQ(Lines(file).size(), 2 + 4 * 15 + 5u);

    ASSERT_EQ(session->feedback.messages.size(), 1u);
    const auto& notice = session->feedback.messages[0];
    EXPECT_EQ(notice.title, "Finished");
    EXPECT_EQ(notice.icon, shared::MessageIcon::Information);
    EXPECT_TRUE(notice.text.starts_with(
        "This farm does not have these settings; the farm file leaves them out:\r\n\r\n"
        "MaxConnectionsPerUser (farm setting)\r\nEnforceConnectionsLimitOnAdmins (farm setting)"))
        << notice.text;
    EXPECT_TRUE(notice.text.ends_with("\r\nParentFolderDN (application setting)")) << notice.text;
    const auto count = [&](const std::string& part) {
        size_t n = 0;
        for (size_t at = 0; (at = notice.text.find(part, at)) != std::string::npos; ++at) {
            ++n;
        }
        return n;
    };
    EXPECT_EQ(count(" (farm setting)"), 29u);         // the 34 but the five optional ones
    EXPECT_EQ(count(" (application setting)"), 25u);  // every setting of the view, each once
    EXPECT_EQ(count("LicenseServerName"), 0u);
    EXPECT_LT(notice.text.find("LegacyMFServerCompatibleMode"), notice.text.find("EnableApp"));

    faults_->FailOperation("WinApp.Get", -2147024891, "Denied");
    auto denied = Open("FileLab");
    const shared::Outcome failed = testing_support::Shown(
        denied->shared, shared::ExportFarm(denied->shared, PathOf("denied.ini")));
    ASSERT_TRUE(failed.failure.has_value());
    EXPECT_EQ(failed.failure->error, (shared::ErrorInfo{-2147024891, "Denied"}));
    ASSERT_EQ(denied->feedback.messages.size(), 1u);
    EXPECT_EQ(denied->feedback.messages[0].title, "Error");
    EXPECT_EQ(denied->feedback.messages[0].text,
              shared::UnexpectedErrorText(-2147024891, "Denied"));
}

TEST_F(FarmExportTest, ReadOnlyIconStopsTheExportBeforeTheFileIsOpened) {
    store_->Write(SmallFarm());
    const fs::path icon = root_ / "work" / "icons" / "locked.ico";
    fs::create_directories(icon.parent_path());
    Write("icons/locked.ico", "x");
    fs::permissions(icon, fs::perms::owner_write, fs::perm_options::remove);
    auto session = Open("FileLab");
    testing_support::Shown(session->shared,
                           shared::ExportFarm(session->shared, PathOf("farm.ini")));
    fs::permissions(icon, fs::perms::owner_write, fs::perm_options::add);
    ASSERT_EQ(session->feedback.messages.size(), 1u);
    EXPECT_NE(session->feedback.messages[0].text.find("     Error :70\r"), std::string::npos);
    EXPECT_EQ(Read("farm.ini"), "<none>");
}

TEST(FileSupportTest, ApplicationCounterOverflowsPast32767) {
    EXPECT_EQ(shared::CountOne(32766), 32767);
    EXPECT_THROW(shared::CountOne(32767), base::Error);
}

}  // namespace
}  // namespace files_test

namespace {

TEST(UnexpectedErrorTextTest, IsTheDescribedMessage) {
    EXPECT_EQ(shared::UnexpectedErrorText(-2147024891, "Access is denied."),
              std::string(80, ' ') +
                  "\rUnexpected error.\r\r\r     Error :-2147024891\r\r     Access is denied.\r");
}

}  // namespace
