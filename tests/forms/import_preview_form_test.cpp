// The import preview window from the farm view's Tools menu: the entry only in the farm view,
// the open dialog it asks with, the preview shown without changing the farm, the drop-downs of
// the server mapping (paged when many), and the import with the mapping chosen.
#include <fstream>
#include <map>

#include "forms/frmImportPreview.h"
#include "forms_support.h"
#include "support/import_notice.h"
#include "support/mapped_import.h"

namespace forms_test {
namespace {

using forms::frmImportPreview;

class ImportPreviewFormTest : public FormsTest {
  public:
    ImportPreviewFormTest() { StartOnDemoFarm(); }

    std::vector<std::string> Tools() { return Main().menu.Shown(forms::frmMain::kToolsMenu); }

    // Exports the demo farm through the menu and points the workstation at the target farm.
    void ExportDemoAndTurnToTarget() {
        Menu(Main().mnuToolsExport);
        ASSERT_TRUE(boxes.shown.empty());
        currentFarm = lab::kTargetFarm;
        Menu(Main().mnuViewRefresh);
    }

    // Chooses the line `text` of a drop-down as a click on it does.
    static void Choose(frmImportPreview& form, int row, const std::string& text) {
        ui::ComboBox& list = form.cboServer[row];
        for (int16_t i = 0; i < list.ListCount(); ++i) {
            if (list.List(i) == text) {
                list.SetListIndex(i);
                form.Command(list.Id(), CBN_SELCHANGE);
                return;
            }
        }
        ADD_FAILURE() << "no line " << text;
    }

    void ExpectIdle() {
        EXPECT_FALSE(Main().lblStatus.Visible());
        EXPECT_EQ(Main().lblStatus.Caption(), "");
        EXPECT_FALSE(desktop.IsBusy());
    }
};

TEST_F(ImportPreviewFormTest, TheEntryIsInTheFarmViewOnly) {
    EXPECT_EQ(Tools(), (std::vector<std::string>{"&Import Farm", "Import Pre&view...",
                                                 "&Export Farm", "Co&mpare with File..."}));
    for (const int view : {Main().mnuViewApps, Main().mnuViewServers}) {
        Menu(view);
        for (const std::string& entry : Tools()) {
            EXPECT_EQ(entry.find("view..."), std::string::npos) << entry;
        }
        Menu(Main().mnuToolsImportPreview);
        Main().mnuToolsImportPreview_Click();
        EXPECT_TRUE(dialogs.requests.empty());
    }

    // Back in the farm view, a cancelled dialog ends it without a word.
    Menu(Main().mnuViewFarm);
    dialogs.answers.push_back(std::nullopt);
    Menu(Main().mnuToolsImportPreview);
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_TRUE(modal.shown.empty());
    EXPECT_TRUE(boxes.shown.empty());
    ExpectIdle();
}

TEST_F(ImportPreviewFormTest, PreviewChangesNothingAndImportsWithTheMappingChosen) {
    ExportDemoAndTurnToTarget();
    const lab::FarmModel demo = store->Read(lab::kDemoFarm);
    const lab::FarmModel before = store->Read(lab::kTargetFarm);
    // Five demo servers go onto the target's three, three of them onto one; the sixth is left
    // out.
    const std::map<std::string, std::string> mapped = {{"ZD-CTX01", "ZT-CTX01"},
                                                       {"ZD-CTX02", "ZT-CTX02"},
                                                       {"ZD-CTX03", "ZT-CTX03"},
                                                       {"ZD-CTX04", "ZT-CTX01"},
                                                       {"ZD-CTX05", "ZT-CTX01"}};

    modal.script = [&](ui::Form& form) {
        auto* preview = dynamic_cast<frmImportPreview*>(&form);
        ASSERT_NE(preview, nullptr);
        EXPECT_NE(preview->txtReport.Text().find("The import stops at line"), std::string::npos);
        ASSERT_EQ(preview->Shown().missingServers.size(), demo.servers.size());
        for (int row = 0; row < static_cast<int>(demo.servers.size()); ++row) {
            const std::string server = preview->lblServer[row].Caption();
            EXPECT_EQ(server, demo.servers[static_cast<size_t>(row)].name);
            EXPECT_EQ(preview->cboServer[row].List(preview->cboServer[row].ListIndex()),
                      "(not mapped)");
            Choose(*preview, row, mapped.contains(server) ? mapped.at(server) : "(leave out)");
        }
        EXPECT_FALSE(preview->lblServer[6].Visible());
        EXPECT_FALSE(preview->cmdNext.Visible());

        preview->cmdPreview.Click();
        EXPECT_NE(preview->txtReport.Text().find("The import reads the file to its end."),
                  std::string::npos)
            << preview->txtReport.Text();
        EXPECT_NE(preview->txtReport.Text().find("ZD-CTX04  first at line"), std::string::npos);
        EXPECT_NE(preview->txtReport.Text().find(" merged "), std::string::npos);
        EXPECT_EQ(preview->cboServer[0].List(preview->cboServer[0].ListIndex()), "ZT-CTX01")
            << "the choices stay";
        EXPECT_EQ(store->Read(lab::kTargetFarm), before) << "the preview changed the farm";
        preview->cmdImport.Click();
        EXPECT_FALSE(preview->IsLoaded());
    };
    Menu(Main().mnuToolsImportPreview);

    ASSERT_EQ(dialogs.requests.size(), 2u);
    const ui::FileDialogRequest& request = dialogs.requests[1];
    EXPECT_FALSE(request.save);
    EXPECT_EQ(request.title, "Import Farm Applications");
    EXPECT_EQ(request.filter, "INI Files (*.ini)|*.ini");
    EXPECT_EQ(request.fileName, ProgramFolder() + "\\Farm_ZeltDemo");
    ASSERT_EQ(modal.shown.size(), 1u);
    EXPECT_EQ(modal.shown[0].caption, "Import Preview");
    EXPECT_TRUE(modal.shown[0].ownerDisabled);
    // The import's end names the settings the target farm could not take, and nothing else.
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Finished");
    EXPECT_TRUE(testing_support::NamesOnlyUnreportedSettings(boxes.shown[0].text))
        << boxes.shown[0].text;
    ExpectIdle();

    // Read back in-process: every application arrived with the servers mapped.
    testing_support::ExpectImportedWithServersMapped(demo, store->Read(lab::kTargetFarm), mapped);
}

TEST_F(ImportPreviewFormTest, ManyMissingServersArePagedAndKeepTheirChoices) {
    std::string text = "[Application]\r\nAppName=Wide\r\n[Servers]\r\n";
    for (int i = 1; i <= 10; ++i) {
        text += "Server=OLD" + std::to_string(i) + "\r\n";
    }
    const std::string file = ProgramFolder() + "\\wide.ini";
    std::ofstream(fs::path(win::Widen(file)), std::ios::binary) << text;
    dialogs.answers.push_back(file);

    modal.script = [&](ui::Form& form) {
        auto& preview = dynamic_cast<frmImportPreview&>(form);
        EXPECT_EQ(preview.lblPage.Caption(), "Servers 1 to 8 of 10");
        EXPECT_FALSE(preview.cmdPrevious.Enabled());
        Choose(preview, 1, "(leave out)");
        preview.cmdNext.Click();
        EXPECT_EQ(preview.lblPage.Caption(), "Servers 9 to 10 of 10");
        EXPECT_EQ(preview.lblServer[0].Caption(), "OLD9");
        EXPECT_FALSE(preview.lblServer[2].Visible());
        EXPECT_FALSE(preview.cmdNext.Enabled());
        Choose(preview, 1, "ZD-CTX05");
        preview.cmdPrevious.Click();
        EXPECT_EQ(preview.cboServer[1].List(preview.cboServer[1].ListIndex()), "(leave out)");

        const shared::ServerMapping mapping = preview.Mapping();
        ASSERT_NE(mapping.Find("OLD2"), nullptr);
        EXPECT_FALSE(*mapping.Find("OLD2"));
        ASSERT_NE(mapping.Find("OLD10"), nullptr);
        EXPECT_EQ(*mapping.Find("OLD10"), "ZD-CTX05");
        EXPECT_EQ(mapping.Find("OLD1"), nullptr);
    };
    Menu(Main().mnuToolsImportPreview);
    ASSERT_EQ(modal.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace forms_test
