// The main window's Tools commands that open the deployment and options dialogs: what they
// hand over, in which order, and what they refuse.
#include "deploy_support.h"

#include "forms/frmAppOptions.h"
#include "forms/frmClone.h"
#include "forms/frmPublish.h"
#include "forms/frmUnPublish.h"

namespace deploy_test {
namespace {

class MainCommandsTest : public DeployFormsTest {
  public:
    MainCommandsTest() { main.Show(); }

    // Runs the command; the lstApps of the dialog it showed modally, nothing when none.
    template <class Dialog>
    std::optional<Strings> HandedOver(void (forms::frmMain::*command)()) {
        std::optional<Strings> seen;
        runner.script = [&](ui::Form& form) {
            EXPECT_FALSE(IsWindowEnabled(main.Handle()));
            seen = Lines(dynamic_cast<Dialog&>(form).lstApps);
        };
        (main.*command)();
        EXPECT_TRUE(IsWindowEnabled(main.Handle()));
        return seen;
    }
    forms::frmMain& main = program->Main();
};

TEST_F(MainCommandsTest, ApplicationsAreHandedOverLastLineFirstOrRefused) {
    main.mnuViewApps_Click();
    // Sorted: Calc, Mail, Notepad, Office\Access, Office\Excel, Office\Word, Paint, Zip.
    EXPECT_FALSE(HandedOver<forms::frmPublish>(&forms::frmMain::mnuToolsPublish_Click));
    EXPECT_FALSE(HandedOver<forms::frmUnPublish>(&forms::frmMain::mnuToolsUnpublish_Click));
    EXPECT_FALSE(HandedOver<forms::frmAppOptions>(&forms::frmMain::mnuToolsOptions_Click));
    EXPECT_EQ(runner.runs, 0);
    ASSERT_EQ(boxes.shown.size(), 3u);
    for (const Box& box : boxes.shown) {
        EXPECT_EQ(box.text, "Sorry: \r\nNo Applications Selected");
        EXPECT_EQ(box.title, "Publish");
    }

    for (int16_t i : {2, 5, 7}) {
        main.lstApps.SetSelected(i, true);
    }
    const Strings expected = {"Applications/Zip", "Applications/Office/Word",
                              "Applications/Notepad"};
    EXPECT_EQ(HandedOver<forms::frmPublish>(&forms::frmMain::mnuToolsPublish_Click), expected);
    EXPECT_EQ(HandedOver<forms::frmUnPublish>(&forms::frmMain::mnuToolsUnpublish_Click), expected);
    EXPECT_EQ(HandedOver<forms::frmAppOptions>(&forms::frmMain::mnuToolsOptions_Click), expected);
    EXPECT_EQ(boxes.shown.size(), 3u);
}

TEST_F(MainCommandsTest, CloneTakesTheSelectedServerAsItsSourceOrRefuses) {
    main.mnuViewServers_Click();
    main.mnuToolsClone_Click();
    EXPECT_EQ(runner.runs, 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Sorry: \r\nNo Server Selected");
    EXPECT_EQ(boxes.shown[0].title, "Clone");

    main.lstServers.SetSelected(3, true);  // delta
    std::string source;
    runner.script = [&](ui::Form& form) {
        auto& dialog = dynamic_cast<forms::frmClone&>(form);
        source = dialog.srcServer.Caption();
        EXPECT_EQ(dialog.lstServers.ListCount(), 5);
    };
    main.mnuToolsClone_Click();
    EXPECT_EQ(runner.runs, 1);
    EXPECT_EQ(source, "delta");
}

}  // namespace
}  // namespace deploy_test
