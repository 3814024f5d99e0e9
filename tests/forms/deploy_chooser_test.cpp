// The server lists the clone, publish and unpublish dialogs share: filling, moving, the
// action button, the keys that close the dialog, and a farm that cannot be listed.
#include "deploy_support.h"

#include "forms/frmClone.h"
#include "forms/frmPublish.h"
#include "forms/frmUnPublish.h"

namespace deploy_test {
namespace {

const Strings kSorted = {"ALPHA", "Bravo", "charlie", "delta", "echo"};

ui::Button& Action(forms::frmClone& d) {
    return d.btnClone;
}
ui::Button& Action(forms::frmPublish& d) {
    return d.btnPublish;
}
ui::Button& Action(forms::frmUnPublish& d) {
    return d.btnUnPublish;
}

template <class Dialog>
class ChooserTest : public DeployFormsTest {};
using Dialogs = ::testing::Types<forms::frmClone, forms::frmPublish, forms::frmUnPublish>;
TYPED_TEST_SUITE(ChooserTest, Dialogs);

TYPED_TEST(ChooserTest, MovesFollowTheListRules) {
    TypeParam dialog(*this->program);
    this->Open(dialog, [&](TypeParam& d) {
        EXPECT_EQ(Lines(d.lstServers), kSorted);
        EXPECT_TRUE(Lines(d.lstDestServers).empty());
        EXPECT_FALSE(Action(d).Enabled() || d.pbStatus.Visible() || this->desktop.IsBusy());

        // Selected, but no entry clicked yet: Add does nothing at all.
        d.lstServers.SetSelected(0, true);
        d.btnAdd.Click();
        EXPECT_TRUE(Lines(d.lstDestServers).empty());

        // Click echo, Ctrl-click charlie and ALPHA: all three move, sorted.
        ClickLine(d.lstServers, 4);
        ClickLine(d.lstServers, 2, MK_CONTROL);
        ClickLine(d.lstServers, 0, MK_CONTROL);
        d.btnAdd.Click();
        EXPECT_EQ(Lines(d.lstServers), (Strings{"Bravo", "delta"}));
        EXPECT_EQ(Lines(d.lstDestServers), (Strings{"ALPHA", "charlie", "echo"}));
        EXPECT_TRUE(Action(d).Enabled());
        // The current entry left with them: a selection alone moves nothing.
        d.lstServers.SetSelected(1, true);
        d.btnAdd.Click();
        EXPECT_EQ(Lines(d.lstServers), (Strings{"Bravo", "delta"}));

        ClickLine(d.lstDestServers, 0);
        ClickLine(d.lstDestServers, 2, MK_SHIFT);
        d.btnRemove.Click();
        EXPECT_EQ(Lines(d.lstServers), kSorted);
        EXPECT_FALSE(Action(d).Enabled());
    });
}

TYPED_TEST(ChooserTest, EscAndEnterClose) {
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        TypeParam dialog(*this->program);
        this->Open(dialog, [&](TypeParam& d) {
            MSG down{d.lstServers.Handle(), WM_KEYDOWN, key, 0, 0, {0, 0}};
            EXPECT_TRUE(d.PreTranslate(down));
            EXPECT_FALSE(d.IsLoaded()) << key;
        });
    }
}

TYPED_TEST(ChooserTest, AFarmThatCannotBeListedLeavesTheDialogOpenAndEmpty) {
    this->faults->FailOperation("Servers.Items", -2147221503, "The farm is out of reach");
    TypeParam dialog(*this->program);
    this->Open(dialog, [&](TypeParam& d) {
        EXPECT_TRUE(d.IsVisible());
        EXPECT_TRUE(Lines(d.lstServers).empty());
        EXPECT_FALSE(Action(d).Enabled() || this->desktop.IsBusy());
    });
    ASSERT_EQ(this->boxes.shown.size(), 1u);
    EXPECT_EQ(this->boxes.shown[0].title, "Error");
    EXPECT_NE(this->boxes.shown[0].text.find("Error :-2147221503\r\r     The farm is out of reach"),
              std::string::npos);
}

}  // namespace
}  // namespace deploy_test
