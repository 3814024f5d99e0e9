// The comparison window from the farm view's Tools menu: the entry only in the farm view, the
// open dialog it asks with, the differences grouped under their count without changing the
// farm, the text copied whole, and a file that cannot be read reported as every failure is.
#include "farm/farm.h"
#include "forms/frmCompare.h"
#include "forms/ui/clipboard.h"
#include "forms_support.h"

namespace forms_test {
namespace {

using forms::frmCompare;

class ComparisonFormTest : public FormsTest {
  public:
    ComparisonFormTest() { StartOnDemoFarm(); }

    std::vector<std::string> Tools() { return Main().menu.Shown(forms::frmMain::kToolsMenu); }

    // Exports the demo farm through the menu; the compare's dialog then proposes that file.
    std::string ExportDemo() {
        Menu(Main().mnuToolsExport);
        EXPECT_TRUE(boxes.shown.empty());
        return ProgramFolder() + "\\Farm_ZeltDemo";
    }

    // Opens the comparison through the menu and keeps the text it showed.
    std::string CompareThroughMenu() {
        std::string shown;
        modal.script = [&shown](ui::Form& form) {
            auto& window = dynamic_cast<frmCompare&>(form);
            shown = window.txtReport.Text();
            window.cmdClose.Click();
            EXPECT_FALSE(window.IsLoaded());
        };
        Menu(Main().mnuToolsCompare);
        return shown;
    }

    void ExpectIdleAndUsable() {
        EXPECT_FALSE(desktop.IsBusy());
        EXPECT_TRUE(Main().IsLoaded());
        EXPECT_TRUE(IsWindowEnabled(Main().Handle()));
    }
};

TEST_F(ComparisonFormTest, TheEntryIsInTheFarmViewOnly) {
    EXPECT_EQ(Tools(), (std::vector<std::string>{"&Import Farm", "Import Pre&view...",
                                                 "&Export Farm", "Co&mpare with File..."}));
    for (const int view : {Main().mnuViewApps, Main().mnuViewServers}) {
        Menu(view);
        for (const std::string& entry : Tools()) {
            EXPECT_EQ(entry.find("Co&mpare"), std::string::npos) << entry;
        }
        Menu(Main().mnuToolsCompare);
        Main().mnuToolsCompare_Click();
        EXPECT_TRUE(dialogs.requests.empty());
    }

    // Back in the farm view, a cancelled dialog ends it without a word.
    Menu(Main().mnuViewFarm);
    dialogs.answers.push_back(std::nullopt);
    Menu(Main().mnuToolsCompare);
    ASSERT_EQ(dialogs.requests.size(), 1u);
    const ui::FileDialogRequest& request = dialogs.requests[0];
    EXPECT_FALSE(request.save);
    EXPECT_EQ(request.title, "Compare Farm Applications");
    EXPECT_EQ(request.filter, "INI Files (*.ini)|*.ini");
    EXPECT_EQ(request.initialFolder, ProgramFolder());
    EXPECT_TRUE(modal.shown.empty());
    EXPECT_TRUE(boxes.shown.empty());
    ExpectIdleAndUsable();
}

TEST_F(ComparisonFormTest, ShowsTheDifferencesGroupedUnderTheirCountAndCopiesThem) {
    const std::string file = ExportDemo();
    EXPECT_EQ(CompareThroughMenu(), "No differences\r\n");

    // The farm since the export: a farm setting, one application's description and a server
    // it is no longer published on.
    lab::FarmModel changed = store->Read(lab::kDemoFarm);
    const std::string oldSetting = farm::AsText(changed.settings.at("ZonesShareLoadInfo"));
    changed.settings["ZonesShareLoadInfo"] = 4321;
    lab::AppRecord& app = changed.applications.at(0);
    ASSERT_FALSE(app.servers.empty());
    const std::string oldDescription = app.description.empty() ? "\"\"" : app.description;
    const std::string unbound = app.servers.back();
    app.servers.pop_back();
    app.description = "Changed since the export";
    store->Write(changed);

    std::string copied;
    modal.script = [&](ui::Form& form) {
        auto& window = dynamic_cast<frmCompare&>(form);
        EXPECT_EQ(window.txtReport.Text(), "3 differences between " + file +
                                               " and the farm\r\n"
                                               "\r\n"
                                               "Farm settings\r\n"
                                               "    ZonesShareLoadInfo " +
                                               oldSetting +
                                               " -> 4321\r\n"
                                               "\r\n" +
                                               app.DistinguishedName() + "\r\n" +
                                               "    Description " + oldDescription +
                                               " -> Changed since the export\r\n" + "    server " +
                                               unbound + " unbound\r\n");
        window.cmdCopy.Click();
        copied = ui::ClipboardText().value_or("(nothing)");
        EXPECT_TRUE(window.IsLoaded()) << "copying leaves the window open";
        window.cmdClose.Click();
    };
    Menu(Main().mnuToolsCompare);

    ASSERT_EQ(modal.shown.size(), 2u);
    EXPECT_EQ(modal.shown[1].caption, "Compare with File");
    EXPECT_TRUE(modal.shown[1].ownerDisabled);
    EXPECT_EQ(dialogs.requests.back().fileName, file) << "the dialog proposes the last file";
    EXPECT_EQ(copied.substr(0, copied.find("\r\n")),
              "3 differences between " + file + " and the farm");
    EXPECT_EQ(copied.size(), copied.find("unbound\r\n") + 9) << copied;
    EXPECT_EQ(store->Read(lab::kDemoFarm), changed) << "the comparison changed the farm";
    EXPECT_TRUE(boxes.shown.empty());
    ExpectIdleAndUsable();
}

TEST_F(ComparisonFormTest, AFileThatCannotBeReadIsReportedAndTheMainWindowStaysUsable) {
    const std::string file = ExportDemo();
    const std::string missing = ProgramFolder() + "\\missing.ini";
    dialogs.answers.push_back(missing);
    Menu(Main().mnuToolsCompare);
    EXPECT_TRUE(modal.shown.empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, shared::UnexpectedErrorText(53, "File not found"));
    EXPECT_EQ(boxes.shown[0].title, "Error");
    ExpectIdleAndUsable();

    // The farm gone: its failure is reported the same way.
    dialogs.answers.push_back(file);
    faults->FailOperation("Farm.Initialize", -2147023174, "The RPC server is unavailable.");
    Menu(Main().mnuToolsCompare);
    EXPECT_TRUE(modal.shown.empty());
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text,
              shared::UnexpectedErrorText(-2147023174, "The RPC server is unavailable."));
    ExpectIdleAndUsable();
}

}  // namespace
}  // namespace forms_test
