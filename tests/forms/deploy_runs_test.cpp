// Runs of the clone, publish and unpublish dialogs: loops, progress, final messages, and
// what a failing farm call leaves behind.
#include "deploy_support.h"

#include <algorithm>

#include "forms/frmClone.h"
#include "forms/frmMain.h"
#include "forms/frmPublish.h"
#include "forms/frmUnPublish.h"
#include "journal/journal.h"
#include "lab/rules.h"

namespace deploy_test {
namespace {

// Moves the servers at these sorted positions to the configured list.
void Configure(forms::ServerChooser& d, std::initializer_list<int16_t> positions) {
    for (int16_t position : positions) {
        ClickLine(d.lstServers, position, position == *positions.begin() ? 0 : MK_CONTROL);
    }
    d.btnAdd.Click();
}

TEST_F(DeployFormsTest, CloneSkipsTheSourceCountsItAndCanRunAgain) {
    forms::frmClone dialog(*program);
    dialog.Load();
    dialog.srcServer.SetCaption("ALPHA");
    std::vector<float> bar;  // while each message is up
    boxes.whileShown = [&] {
        bar.push_back(dialog.pbStatus.Visible() ? dialog.pbStatus.Value() : -1);
    };
    Open<forms::frmClone>(dialog, [&](forms::frmClone& d) {
        Configure(d, {0, 2, 3});  // ALPHA, charlie, delta
        d.btnClone.Click();
        EXPECT_EQ(ServersOf("Applications/Zip"), (Strings{"ALPHA", "echo", "charlie", "delta"}));
        EXPECT_EQ(ServersOf("Applications/Paint"), (Strings{"delta"}));
        // Again: charlie's first binding exists now; the refusal ends the run at step 2.
        d.btnClone.Click();
        EXPECT_FALSE(d.pbStatus.Visible() || desktop.IsBusy());
        EXPECT_EQ(Lines(d.lstDestServers), (Strings{"ALPHA", "charlie", "delta"}));
    });
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, "Cloned 3 servers");
    EXPECT_EQ(boxes.shown[0].title, "Finished");
    EXPECT_EQ(boxes.shown[0].icon, shared::MessageIcon::Information);
    EXPECT_EQ(bar[0], -1);  // hidden before "Finished"
    EXPECT_EQ(boxes.shown[1].title, "Error");
    EXPECT_NEAR(bar[1], 2 * 99.0 / 3, 1e-4);  // one step ahead of the work
}

ui::Button& Action(forms::frmPublish& d) {
    return d.btnPublish;
}
ui::Button& Action(forms::frmUnPublish& d) {
    return d.btnUnPublish;
}

// Publish or unpublish Calc and Notepad on Bravo and charlie: count the calls of a clean
// run, then fail each call in turn. Pairs run servers first: (Bravo, Calc), (Bravo, Notepad),
// (charlie, Calc), (charlie, Notepad); each advances the bar by (99 / 2) / 2 before its work.
template <class Dialog>
void SweepPairs(DeployFormsTest& t, bool publish, const std::string& done) {
    auto start = MakeFarm();
    for (auto& app : start.applications) {
        app.servers = publish ? Strings{} : Strings{"Bravo", "charlie"};
    }
    float bar = -1;
    auto run = [&](int64_t failing) {
        t.store->Write(start);
        t.boxes.shown.clear();
        Dialog dialog(*t.program);
        dialog.Load();
        dialog.lstApps.AddItem("Applications/Calc");
        dialog.lstApps.AddItem("Applications/Notepad");
        t.boxes.whileShown = [&] {
            bar = dialog.pbStatus.Visible() ? dialog.pbStatus.Value() : -1;
        };
        t.template Open<Dialog>(dialog, [&](Dialog& d) {
            Configure(d, {1, 2});
            t.faults->Clear();
            t.faults->ResetCount();
            if (failing > 0) {
                t.faults->FailCall(failing, -2147467259, "Refused by the test");
            }
            Action(d).Click();
            EXPECT_FALSE(d.pbStatus.Visible() || t.desktop.IsBusy());
            EXPECT_EQ(d.pbStatus.Value(), 0.0f);
            EXPECT_TRUE(Action(d).Enabled());
        });
        t.boxes.whileShown = nullptr;
    };

    run(0);
    ASSERT_EQ(t.boxes.shown.size(), 1u);
    EXPECT_EQ(t.boxes.shown[0].text, done);
    EXPECT_EQ(t.boxes.shown[0].icon, shared::MessageIcon::Information);
    EXPECT_EQ(bar, -1);
    const int64_t calls = t.faults->CallCount();
    const int64_t perPair = calls / 4;
    ASSERT_EQ(perPair * 4, calls);

    for (int64_t k = 1; k <= calls; ++k) {
        SCOPED_TRACE(k);
        run(k);
        ASSERT_EQ(t.boxes.shown.size(), 1u);
        const int64_t pair = (k - 1) / perPair;
        const bool guarded = (k - 1) % perPair >= perPair - 2;  // the final commit
        EXPECT_EQ(t.boxes.shown[0].title, guarded ? "Finished" : "Error");
        if (guarded) {
            // The run went on; its message names the refused pair after the usual text.
            const char* application = pair % 2 == 0 ? "Applications/Calc" : "Applications/Notepad";
            const char* server = pair < 2 ? "Bravo" : "charlie";
            EXPECT_EQ(t.boxes.shown[0].text,
                      done + "\r\n\r\nThe farm refused 1 of 4 application-server pairs:\r\n" +
                          application + " on " + server +
                          "\r\n     Error -2147467259: Refused by the test");
            EXPECT_EQ(t.boxes.shown[0].icon, shared::MessageIcon::Warning);
        } else {
            EXPECT_NE(t.boxes.shown[0].text.find("Error :-2147467259"), std::string::npos);
            EXPECT_NEAR(bar, (pair + 1) * 99.0 / 4, 1e-4);
        }
        auto runsOn = [&](const char* dn, const char* server) {
            const Strings servers = t.ServersOf(dn);
            return std::find(servers.begin(), servers.end(), server) != servers.end();
        };
        auto finished = [&](int64_t p) { return p < pair || (guarded && p > pair); };
        EXPECT_EQ(runsOn("Applications/Calc", "Bravo"), publish == finished(0));
        EXPECT_EQ(runsOn("Applications/Notepad", "Bravo"), publish == finished(1));
        EXPECT_EQ(runsOn("Applications/Calc", "charlie"), publish == finished(2));
        EXPECT_EQ(runsOn("Applications/Notepad", "charlie"), publish == finished(3));
    }
}

TEST_F(DeployFormsTest, PublishRunsEveryPairAndAFailureEndsItUsably) {
    SweepPairs<forms::frmPublish>(*this, true, "Published 2 applications");
}

TEST_F(DeployFormsTest, UnpublishRunsEveryPairAndAFailureEndsItUsably) {
    SweepPairs<forms::frmUnPublish>(*this, false, "Unpublished 2 applications");
}

TEST_F(DeployFormsTest, ARefusedBindingIsToldAfterTheCompletionText) {
    forms::frmPublish dialog(*program);
    dialog.Load();
    dialog.lstApps.AddItem("Applications/Calc");  // on ALPHA already
    dialog.lstApps.AddItem("Applications/Notepad");
    Open<forms::frmPublish>(dialog, [&](forms::frmPublish& d) {
        Configure(d, {0, 1});  // ALPHA, Bravo
        d.btnPublish.Click();
    });
    EXPECT_EQ(ServersOf("Applications/Calc"), (Strings{"ALPHA", "Bravo"}));
    EXPECT_EQ(ServersOf("Applications/Notepad"), (Strings{"ALPHA", "Bravo"}));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "Published 2 applications\r\n\r\nThe farm refused 1 of 4 application-server "
              "pairs:\r\nApplications/Calc on ALPHA\r\n     Error " +
                  std::to_string(lab::RuleNumber(lab::Rule::kAlreadyBound)) +
                  ": Application 'Applications/Calc' is already published on server "
                  "'ALPHA'.");
    EXPECT_EQ(boxes.shown[0].title, "Finished");
    EXPECT_EQ(boxes.shown[0].icon, shared::MessageIcon::Warning);
}

// A publish from its dialog keeps a restore record; Edit > Undo then names it, puts back what
// it changed and says so, and can undo itself in turn.
TEST_F(DeployFormsTest, EditUndoNamesTheLastRunAndPutsItBack) {
    journal::Journal journal(StoreRoot() / "journal");
    KeepRecordsIn(journal);
    forms::frmMain& main = program->Main();
    main.Load();
    const auto undoEntry = [&] { return main.menu.Shown(forms::frmMain::kEditMenu).back(); };
    EXPECT_EQ(undoEntry(), "&Undo");

    const Strings before = ServersOf("Applications/Calc");
    forms::frmPublish dialog(*program);
    dialog.Load();
    dialog.lstApps.AddItem("Applications/Calc");
    Open<forms::frmPublish>(dialog, [&](forms::frmPublish& d) {
        Configure(d, {2});  // charlie
        d.btnPublish.Click();
    });
    const Strings published = ServersOf("Applications/Calc");
    ASSERT_NE(published, before);
    EXPECT_EQ(undoEntry(), "&Undo Publish");

    boxes.shown.clear();
    main.Command(main.mnuEditUndo, 0);
    EXPECT_EQ(ServersOf("Applications/Calc"), before);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Undo");
    EXPECT_EQ(boxes.shown[0].text,
              "Undone: Published 1 applications on 1 servers\r\n\r\n1 change put back.");
    EXPECT_EQ(boxes.shown[0].icon, shared::MessageIcon::Information);
    EXPECT_EQ(undoEntry(), "&Undo Undo Publish");

    main.Command(main.mnuEditUndo, 0);  // the undo undone
    EXPECT_EQ(ServersOf("Applications/Calc"), published);
    main.Unload();
}

}  // namespace
}  // namespace deploy_test
