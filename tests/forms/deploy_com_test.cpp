// A publish run through real COM: the dialog's farm objects come from the registered
// labfarm.dll serving the test's store.
#include "deploy_support.h"

#include "farm/mfcom/mfcom.h"
#include "forms/frmPublish.h"
#include "lab/rules.h"
#include "mfcom/com_support.h"

namespace deploy_test {
namespace {

TEST_F(DeployFormsTest, PublishThroughComPassesOverARefusedBinding) {
    comtest::ScopedLabSetting setting(StoreRoot(), std::string(kFarm));
    mfcom::MfcomFactory factory;
    auto comProgram = MakeProgram(factory);
    forms::frmPublish dialog(*comProgram);
    dialog.Load();
    dialog.lstApps.AddItem("Applications/Zip");
    dialog.lstApps.AddItem("Applications/Calc");
    Open<forms::frmPublish>(dialog, [&](forms::frmPublish& d) {
        EXPECT_EQ(Lines(d.lstServers), (Strings{"ALPHA", "Bravo", "charlie", "delta", "echo"}));
        ClickLine(d.lstServers, 1);
        ClickLine(d.lstServers, 4, MK_CONTROL);
        d.btnAdd.Click();
        d.btnPublish.Click();  // Zip runs on echo already: that binding is refused
    });
    EXPECT_EQ(ServersOf("Applications/Zip"), (Strings{"ALPHA", "echo", "Bravo"}));
    EXPECT_EQ(ServersOf("Applications/Calc"), (Strings{"ALPHA", "Bravo", "echo"}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    // The farm's number and text come through the automation error.
    EXPECT_EQ(boxes.shown[0].text,
              "Published 2 applications\r\n\r\nThe farm refused 1 of 4 application-server "
              "pairs:\r\nApplications/Zip on echo\r\n     Error " +
                  std::to_string(lab::RuleNumber(lab::Rule::kAlreadyBound)) +
                  ": Application 'Applications/Zip' is already published on server 'echo'.");
    EXPECT_EQ(boxes.shown[0].icon, shared::MessageIcon::Warning);
}

}  // namespace
}  // namespace deploy_test
