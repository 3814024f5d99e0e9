// Export and Import from the main window's Tools menu: the file dialog's requests, the one
// dialog object whose file name stays, cancel, the servers view without a selection, and
// what the progress bar, status line and pointer look like afterwards.
#include <fstream>
#include <sstream>

#include "forms_support.h"
#include "win/text.h"

namespace forms_test {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(fs::path(win::Widen(path)), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class CommandsTest : public FormsTest {
  public:
    CommandsTest() { StartOnDemoFarm(); }

    // After every command: bar hidden at 0, status line hidden and empty, default pointer.
    void ExpectIdle() {
        EXPECT_FALSE(Main().pbStatus.Visible());
        EXPECT_EQ(Main().pbStatus.Value(), 0.0f);
        EXPECT_FALSE(Main().lblStatus.Visible());
        EXPECT_EQ(Main().lblStatus.Caption(), "");
        EXPECT_FALSE(desktop.IsBusy());
    }
    std::vector<std::string> AppsOnServer(const std::string& server) {
        std::vector<std::string> names;
        for (const lab::AppRecord& app : store->Read(lab::kDemoFarm).applications) {
            for (const std::string& bound : app.servers) {
                if (bound == server) {
                    names.push_back(app.DistinguishedName());
                }
            }
        }
        return names;
    }
};

TEST_F(CommandsTest, ExportFarmProposesFarmNameInTheProgramFolderAndWritesThatFile) {
    Menu(Main().mnuToolsExport);

    ASSERT_EQ(dialogs.requests.size(), 1u);
    const ui::FileDialogRequest& request = dialogs.requests[0];
    EXPECT_TRUE(request.save);
    EXPECT_EQ(request.title, "Export Farm Applications");
    EXPECT_EQ(request.filter, "INI Files (*.ini)|*.ini");
    EXPECT_EQ(request.initialFolder, ProgramFolder());
    EXPECT_EQ(request.fileName, "Farm_ZeltDemo");
    EXPECT_EQ(request.owner, Main().Handle());

    const std::string written = ProgramFolder() + "\\Farm_ZeltDemo";
    EXPECT_EQ(Main().ComDlg1.fileName, written);
    const std::string text = ReadFile(written);
    EXPECT_TRUE(text.starts_with("[Farm]\r\n")) << text.substr(0, 40);
    EXPECT_NE(text.find("[Application]"), std::string::npos);
    EXPECT_FALSE(fs::exists(fs::path(win::Widen(written + ".ini"))));
    EXPECT_TRUE(fs::exists(WorkPath() / "icons")) << "icons go below the working directory";
    EXPECT_TRUE(boxes.shown.empty());
    ExpectIdle();
}

TEST_F(CommandsTest, ImportAfterExportOpensWithTheExportedNameAndFillsTheFarm) {
    Menu(Main().mnuToolsExport);
    // The farm loses its applications; the import brings them back.
    lab::FarmModel farm = store->Read(lab::kDemoFarm);
    const size_t exported = farm.applications.size();
    farm.applications.clear();
    store->Write(farm);
    Menu(Main().mnuToolsImport);

    ASSERT_EQ(dialogs.requests.size(), 2u);
    const ui::FileDialogRequest& request = dialogs.requests[1];
    EXPECT_FALSE(request.save);
    EXPECT_EQ(request.title, "Import Farm Applications");
    EXPECT_EQ(request.filter, "INI Files (*.ini)|*.ini");
    EXPECT_EQ(request.initialFolder, ProgramFolder());
    EXPECT_EQ(request.fileName, ProgramFolder() + "\\Farm_ZeltDemo");
    EXPECT_TRUE(boxes.shown.empty()) << (boxes.shown.empty() ? "" : boxes.shown[0].text);
    EXPECT_EQ(store->Read(lab::kDemoFarm).applications.size(), exported);
    ExpectIdle();
}

TEST_F(CommandsTest, CancellingADialogEndsTheCommandSilently) {
    const struct {
        const char* name;
        bool serversView;
        bool exportCommand;
    } cases[] = {
        {"Export Farm", false, true},
        {"Import Farm", false, false},
        {"Take offline", true, true},
        {"Bring online", true, false},
    };
    const auto before = store->Read(lab::kDemoFarm);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Menu(c.serversView ? Main().mnuViewServers : Main().mnuViewFarm);
        if (c.serversView) {
            Main().lstServers.SetSelected(0, true);
        }
        dialogs.answers.push_back(std::nullopt);
        Menu(c.exportCommand ? Main().mnuToolsExport : Main().mnuToolsImport);
        EXPECT_TRUE(dialogs.answers.empty()) << "the dialog was shown";
        EXPECT_TRUE(boxes.shown.empty());
        ExpectIdle();
    }
    EXPECT_EQ(store->Read(lab::kDemoFarm), before);
}

TEST_F(CommandsTest, ServersViewWithoutASelectionRefusesBothCommands) {
    Menu(Main().mnuViewServers);
    for (const int command : {Main().mnuToolsExport, Main().mnuToolsImport}) {
        boxes.shown.clear();
        Menu(command);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "Sorry: \r\nNo Server Selected");
        EXPECT_EQ(boxes.shown[0].title, "Clone");
        EXPECT_EQ(boxes.shown[0].icon, shared::MessageIcon::Information);
        EXPECT_TRUE(dialogs.requests.empty());
        ExpectIdle();
    }
}

TEST_F(CommandsTest, TakeOfflineProposesTheServerNameAndTakesItsApplications) {
    Menu(Main().mnuViewServers);
    const int16_t line = 1;
    const std::string server = Main().lstServers.List(line);
    const std::vector<std::string> published = AppsOnServer(server);
    ASSERT_FALSE(published.empty());
    Main().lstServers.SetSelected(line, true);
    Menu(Main().mnuToolsExport);

    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_TRUE(dialogs.requests[0].save);
    EXPECT_EQ(dialogs.requests[0].title, "Export Server Applications");
    EXPECT_EQ(dialogs.requests[0].fileName, "Server_" + server);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(AppsOnServer(server).empty());
    const std::string text = ReadFile(ProgramFolder() + "\\Server_" + server);
    for (const std::string& name : published) {
        EXPECT_NE(text.find(name), std::string::npos) << name;
    }
    ExpectIdle();

    // Bring online with the same file puts them back; the dialog shows that file's name.
    Menu(Main().mnuToolsImport);
    ASSERT_EQ(dialogs.requests.size(), 2u);
    EXPECT_EQ(dialogs.requests[1].title, "Import Server Applications");
    EXPECT_EQ(dialogs.requests[1].fileName, ProgramFolder() + "\\Server_" + server);
    EXPECT_TRUE(boxes.shown.empty()) << (boxes.shown.empty() ? "" : boxes.shown[0].text);
    EXPECT_EQ(AppsOnServer(server), published);
    ExpectIdle();
}

TEST_F(CommandsTest, AFailureIsReportedOnceAndLeavesTheWindowIdle) {
    const struct {
        const char* name;
        bool exportCommand;
        std::function<void()> arrange;
    } cases[] = {
        {"farm fails inside the export", true,
         [&] { faults->FailOperation("Application.AppName", -7, "Name lost."); }},
        {"the farm name cannot be read", true,
         [&] { faults->FailOperation("Farm.FarmName", -8, "No name."); }},
        {"the dialog itself fails", false,
         [&] { dialogs.failure = base::Error(base::kErrInvalidArgument, "Dialog failed."); }},
        {"the file to import is missing", false,
         [&] { dialogs.answers.push_back(ProgramFolder() + "\\missing.ini"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        faults->Clear();
        dialogs.failure.reset();
        boxes.shown.clear();
        c.arrange();
        Menu(c.exportCommand ? Main().mnuToolsExport : Main().mnuToolsImport);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_NE(boxes.shown[0].text.find("\rUnexpected error.\r"), std::string::npos);
        EXPECT_EQ(boxes.shown[0].title, "Error");
        ExpectIdle();
        EXPECT_TRUE(Main().IsLoaded());
    }
}

TEST_F(CommandsTest, ApplicationsViewHasNoFileCommands) {
    Menu(Main().mnuViewApps);
    // The entries are hidden; a stray command does nothing.
    Main().mnuToolsExport_Click();
    Main().mnuToolsImport_Click();
    EXPECT_TRUE(dialogs.requests.empty());
    EXPECT_TRUE(boxes.shown.empty());
    ExpectIdle();
}

}  // namespace
}  // namespace forms_test
