// The main window: its three views (lines, captions, Tools menu), Select All, Refresh, the
// selection it hands on, the way a failing fill is reported, and its keyboard.
#include "forms_support.h"

#include "forms/frmInterfaceCheck.h"
#include "win/text.h"

namespace forms_test {
namespace {

constexpr const char* kFarm = "FormsFarm";

lab::AppRecord App(const std::string& folder, const std::string& name) {
    lab::AppRecord app;
    app.folder = folder;
    app.name = name;
    return app;
}

lab::FarmModel MakeFarm() {
    lab::FarmModel farm;
    farm.name = kFarm;
    farm.zones = {{"Zone A", "SRV-B"}, {"Zone B", "srv-c"}};
    farm.servers = {
        {"srv-c", "Zone B", 5, 2}, {"SRV-A", "Zone A", 5, 2}, {"SRV-B", "Zone A", 5, 0}};
    farm.folders = {"Applications", "Applications/A", "Applications/A/B",
                    "Applications/Office Applications"};
    farm.applications = {App("Applications", "Zip"), App("Applications/A/B", "Calc"),
                         App("Applications/Office Applications", "Word"),
                         App("Applications", "Calc"), App("Applications/A", "Notes")};
    return farm;
}

class MainTest : public FormsTest {
  public:
    MainTest() {
        store->Write(MakeFarm());
        Start(kFarm);
        boxes.shown.clear();
        modal.shown.clear();
    }
    std::vector<std::string> Tools() { return Main().menu.Shown(forms::frmMain::kToolsMenu); }
};

TEST_F(MainTest, FarmViewShowsNameZonePairsAndServerCount) {
    ASSERT_TRUE(Main().IsVisible());
    EXPECT_EQ(Main().Caption(), "Zelt Tool");
    EXPECT_EQ(
        Lines(Main().lstFarm),
        (std::vector<std::string>{"Farm name\t: FormsFarm", "Zone name\t: Zone A",
                                  "   Data collector\t:    SRV-B", "Zone name\t: Zone B",
                                  "   Data collector\t:    srv-c", "Number of servers\t: 3"}));
    EXPECT_EQ(Main().lblView.Caption(), "Server Farm");
    EXPECT_EQ(Main().lblInfo.Caption(), "Import or export all applications and farm settings");
    EXPECT_EQ(Tools(), (std::vector<std::string>{"&Import Farm", "Import Pre&view...",
                                                 "&Export Farm", "Co&mpare with File..."}));
    EXPECT_TRUE(Main().lstFarm.Visible());
    EXPECT_FALSE(Main().lstApps.Visible());
    EXPECT_FALSE(Main().lstServers.Visible());
    EXPECT_FALSE(Main().pbStatus.Visible());
    EXPECT_FALSE(Main().lblStatus.Visible());
    EXPECT_EQ(Main().lblStatus.Caption(), "");
    EXPECT_FALSE(desktop.IsBusy());
}

TEST_F(MainTest, AFarmWithoutZonesShowsTwoLines) {
    lab::FarmModel farm = MakeFarm();
    farm.zones.clear();
    store->Write(farm);
    Menu(Main().mnuViewRefresh);
    EXPECT_EQ(Lines(Main().lstFarm),
              (std::vector<std::string>{"Farm name\t: FormsFarm", "Number of servers\t: 3"}));
}

TEST_F(MainTest, ApplicationsViewListsDisplayPathsSorted) {
    Menu(Main().mnuViewApps);
    EXPECT_EQ(Module().currentView, shared::kApplicationsView);
    EXPECT_EQ(Lines(Main().lstApps),
              (std::vector<std::string>{"A\\B\\Calc", "A\\Notes", "Calc",
                                        "Office Applications\\Word", "Zip"}));
    EXPECT_EQ(Main().lblView.Caption(), "Applications");
    EXPECT_EQ(Main().lblInfo.Caption(), "Select applications to publish on new servers");
    EXPECT_EQ(Tools(), (std::vector<std::string>{"&Publish", "&Unpublish", "&Options"}));
    EXPECT_TRUE(Main().lstApps.Visible());
    EXPECT_FALSE(Main().lstFarm.Visible());
}

TEST_F(MainTest, ServersViewListsNamesSortedWithItsTools) {
    Menu(Main().mnuViewServers);
    EXPECT_EQ(Module().currentView, shared::kServersView);
    EXPECT_EQ(Lines(Main().lstServers), (std::vector<std::string>{"SRV-A", "SRV-B", "srv-c"}));
    EXPECT_EQ(Main().lblView.Caption(), "Servers");
    EXPECT_EQ(Main().lblInfo.Caption(),
              "Select server to bring online take offline or to clone applications from");
    EXPECT_EQ(Tools(), (std::vector<std::string>{"&Clone", "&Bring online", "&Take offline"}));
}

TEST_F(MainTest, DisplayPathsAndDistinguishedNames) {
    const struct {
        const char* name;
        const char* shown;
    } cases[] = {
        {"Applications/Calc", "Calc"},
        {"Applications/A/B/Calc", "A\\B\\Calc"},
        {"Applications/Office Applications/Word", "Office Applications\\Word"},
        {"Applications/Applications/Tool", "Applications\\Tool"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(forms::DisplayPath(c.name), c.shown) << c.name;
        EXPECT_EQ(forms::DistinguishedNameOf(c.shown), c.name) << c.shown;
    }
    // A name without the root folder in front is shown whole.
    EXPECT_EQ(forms::DisplayPath("Other/Tool"), "Other\\Tool");
}

TEST_F(MainTest, SelectAllFollowsEachListsSelectionRule) {
    const struct {
        int view;
        ui::ListBox forms::frmMain::*list;
        bool all;
    } cases[] = {
        {0, &forms::frmMain::lstFarm, false},
        {1, &forms::frmMain::lstApps, true},
        {2, &forms::frmMain::lstServers, false},
    };
    const int menus[] = {Main().mnuViewFarm, Main().mnuViewApps, Main().mnuViewServers};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.view);
        Menu(menus[c.view]);
        ui::ListBox& list = Main().*c.list;
        ASSERT_GT(list.ListCount(), 1);
        Menu(Main().mnuEditSelAll);
        const int16_t last = static_cast<int16_t>(list.ListCount() - 1);
        if (c.all) {
            EXPECT_EQ(SelectedLines(list).size(), static_cast<size_t>(list.ListCount()));
        } else {
            EXPECT_EQ(SelectedLines(list), std::vector<int16_t>{last});
        }
    }
}

TEST_F(MainTest, CtrlAAndF5WorkFromTheKeyboard) {
    Menu(Main().mnuViewApps);
    Main().lstApps.SetFocus();
    MSG ctrlA{Main().lstApps.Handle(), WM_KEYDOWN, 'A', 0, 0, {0, 0}};
    // The shortcut table matches on the key state, so hold Ctrl for the translation.
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    const BYTE previous = keys[VK_CONTROL];
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    const bool handled = desktop.PreTranslate(ctrlA);
    desktop.DoEvents();
    keys[VK_CONTROL] = previous;
    SetKeyboardState(keys);
    EXPECT_TRUE(handled);
    EXPECT_EQ(SelectedLines(Main().lstApps).size(), 5u);

    lab::FarmModel farm = MakeFarm();
    farm.applications.pop_back();
    store->Write(farm);
    MSG f5{Main().lstApps.Handle(), WM_KEYDOWN, VK_F5, 0, 0, {0, 0}};
    EXPECT_TRUE(desktop.PreTranslate(f5));
    desktop.DoEvents();
    EXPECT_EQ(Main().lstApps.ListCount(), 4);
}

TEST_F(MainTest, RefreshRefillsOnlyTheCurrentView) {
    Menu(Main().mnuViewApps);
    const std::vector<std::string> appsBefore = Lines(Main().lstApps);
    Menu(Main().mnuViewServers);
    Main().lstServers.SetSelected(1, true);

    lab::FarmModel farm = MakeFarm();
    farm.servers.push_back({"SRV-0", "Zone A", 5, 2});
    farm.applications.push_back(App("Applications", "Added"));
    store->Write(farm);
    Menu(Main().mnuViewRefresh);

    EXPECT_EQ(Lines(Main().lstServers),
              (std::vector<std::string>{"SRV-0", "SRV-A", "SRV-B", "srv-c"}));
    EXPECT_TRUE(SelectedLines(Main().lstServers).empty()) << "the selection goes with the fill";
    EXPECT_EQ(Lines(Main().lstApps), appsBefore) << "the hidden list keeps its lines";
    EXPECT_EQ(Tools(), (std::vector<std::string>{"&Clone", "&Bring online", "&Take offline"}));
    EXPECT_EQ(Main().lstFarm.List(static_cast<int16_t>(Main().lstFarm.ListCount() - 1)),
              "Number of servers\t: 3")
        << "the farm list is not refilled";
}

TEST_F(MainTest, ReturningToAViewFillsItFreshWithNothingSelected) {
    Menu(Main().mnuViewApps);
    Menu(Main().mnuEditSelAll);
    Menu(Main().mnuViewFarm);
    Menu(Main().mnuViewApps);
    EXPECT_EQ(Main().lstApps.ListCount(), 5);
    EXPECT_TRUE(SelectedLines(Main().lstApps).empty());
}

TEST_F(MainTest, SelectionsAreTakenFromTheLastLineUp) {
    lab::FarmModel farm = MakeFarm();
    farm.applications.clear();
    for (const char* name : {"A0", "A1", "A2", "A3", "A4", "A5", "A6", "A7", "A8"}) {
        farm.applications.push_back(App("Applications/A", name));
    }
    store->Write(farm);
    Menu(Main().mnuViewApps);
    for (int16_t i : {2, 5, 7}) {
        Main().lstApps.SetSelected(i, true);
    }
    EXPECT_EQ(
        Main().SelectedApplications(),
        (std::vector<std::string>{"Applications/A/A7", "Applications/A/A5", "Applications/A/A2"}));

    Menu(Main().mnuViewServers);
    EXPECT_EQ(Main().SelectedServer(), std::nullopt);
    Main().lstServers.SetSelected(2, true);
    EXPECT_EQ(Main().SelectedServer(), "srv-c");
}

TEST_F(MainTest, AFailingFillIsReportedAndTheWindowStaysUsable) {
    faults->FailOperation("Servers.Items", -2147217407, "The farm is not answering.");
    Menu(Main().mnuViewServers);

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, std::string(80, ' ') +
                                       "\rUnexpected error.\r\r\r     Error :-2147217407\r\r     "
                                       "The farm is not answering.\r");
    EXPECT_EQ(boxes.shown[0].title, "Error");
    EXPECT_EQ(boxes.shown[0].icon, shared::MessageIcon::Critical);
    EXPECT_FALSE(desktop.IsBusy());
    EXPECT_TRUE(Main().IsLoaded());
    // The view switched before the failure.
    EXPECT_EQ(Module().currentView, shared::kServersView);
    EXPECT_EQ(Main().lblView.Caption(), "Servers");
    EXPECT_EQ(Main().lstServers.ListCount(), 0);

    faults->Clear();
    Menu(Main().mnuViewRefresh);
    EXPECT_EQ(Main().lstServers.ListCount(), 3);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

// Records the list's painting switches (WM_SETREDRAW) while it is attached.
class RedrawRecorder {
  public:
    explicit RedrawRecorder(HWND list) : list_(list) {
        SetWindowSubclass(list_, &RedrawRecorder::Proc, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    ~RedrawRecorder() { RemoveWindowSubclass(list_, &RedrawRecorder::Proc, 1); }
    RedrawRecorder(const RedrawRecorder&) = delete;
    RedrawRecorder& operator=(const RedrawRecorder&) = delete;
    std::vector<bool> switches;

  private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR self) {
        if (message == WM_SETREDRAW) {
            reinterpret_cast<RedrawRecorder*>(self)->switches.push_back(wParam != 0);
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }
    HWND list_;
};

TEST_F(MainTest, AFillPaintsTheListOnceAndAFailedOneLeavesItPainting) {
    for (ui::ListBox* list : {&Main().lstFarm, &Main().lstApps, &Main().lstServers}) {
        RedrawRecorder redraw(list->Handle());
        Menu(list == &Main().lstFarm   ? Main().mnuViewFarm
             : list == &Main().lstApps ? Main().mnuViewApps
                                       : Main().mnuViewServers);
        EXPECT_EQ(redraw.switches, (std::vector<bool>{false, true}));
        EXPECT_GT(list->ListCount(), 0);
    }

    RedrawRecorder redraw(Main().lstApps.Handle());
    faults->FailOperation("Application.DistinguishedName", -5, "Gone.");
    Menu(Main().mnuViewApps);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(redraw.switches, (std::vector<bool>{false, true}))
        << "the list must paint again after a fill that failed half-way";
}

TEST_F(MainTest, AFailingFirstFillStillOpensTheWindow) {
    Main().Unload();
    faults->FailOperation("Zone.DataCollector", -5, "Zone data unavailable.");
    Main().Show();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].text.find("Error :-5\r\r     Zone data unavailable.\r"),
              std::string::npos);
    EXPECT_TRUE(Main().IsVisible());
    EXPECT_FALSE(desktop.IsBusy());
    EXPECT_EQ(Lines(Main().lstFarm),
              (std::vector<std::string>{"Farm name\t: FormsFarm", "Zone name\t: Zone A"}))
        << "the lines added before the failure stay";
}

TEST_F(MainTest, EnterOnAListQuitsAndSoDoesExit) {
    Main().lstFarm.SetFocus();
    PressKey(desktop, Main().lstFarm.Handle(), VK_RETURN);
    EXPECT_FALSE(Main().IsLoaded());
    EXPECT_EQ(desktop.LoadedForms(), 0);

    Main().Show();
    Menu(Main().mnuFileExit);
    EXPECT_FALSE(Main().IsLoaded());
}

TEST_F(MainTest, HiddenHelpEntrySetsTheHelpFileOnly) {
    const std::vector<std::string> help = Main().menu.Shown(forms::frmMain::kHelpMenu);
    EXPECT_EQ(help, (std::vector<std::string>{"-", "&About"}));
    EXPECT_FALSE(Main().menu.Enabled(Main().mnuHelpContent));

    Menu(Main().mnuHelpContent);  // hidden: a command for it does nothing
    EXPECT_EQ(program->helpFile, "");
    Main().mnuHelpContent_Click();
    EXPECT_EQ(program->helpFile, ProgramFolder() + "\\zelttool.chm");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(modal.shown.empty());
}

TEST_F(MainTest, MenusAreBuiltInTheirOrderWithShortcuts) {
    const ui::MenuBar& menu = Main().menu;
    EXPECT_EQ(menu.Shown(forms::frmMain::kFileMenu), std::vector<std::string>{"E&xit"});
    EXPECT_EQ(menu.Shown(forms::frmMain::kEditMenu),
              std::vector<std::string>{"Select &All\tCtrl+A"});
    EXPECT_EQ(
        menu.Shown(forms::frmMain::kViewMenu),
        (std::vector<std::string>{"&Farm", "&Applications", "&Servers", "-", "&Refresh\tF5"}));
    wchar_t caption[64] = {};
    std::vector<std::string> bar;
    for (int i = 0; i < GetMenuItemCount(GetMenu(Main().Handle())); ++i) {
        GetMenuStringW(GetMenu(Main().Handle()), static_cast<UINT>(i), caption, 64, MF_BYPOSITION);
        bar.push_back(win::Narrow(caption));
    }
    EXPECT_EQ(bar, (std::vector<std::string>{"&File", "&Edit", "&View", "&Tools", "&Help"}));
}

TEST_F(MainTest, FeedbackDrivesTheStatusLineAndTheProgressBar) {
    shared::Feedback& feedback = Main();
    feedback.SetProgressVisible(true);
    for (const auto& [value, shown] : std::vector<std::pair<float, int>>{
             {24.75f, 25}, {49.5f, 50}, {74.25f, 74}, {99.0f, 99}, {100.5f, 100}, {-1.0f, 0}}) {
        feedback.SetProgressValue(value);
        EXPECT_EQ(feedback.ProgressValue(), value);
        EXPECT_EQ(Main().pbStatus.ShownPosition(), shown) << value;
        EXPECT_EQ(SendMessageW(Main().pbStatus.Handle(), PBM_GETPOS, 0, 0), shown) << value;
    }
    EXPECT_TRUE(Main().pbStatus.Visible());
    feedback.SetStatusCaption("Applications/Office/Word");
    feedback.SetStatusVisible(true);
    EXPECT_EQ(Main().lblStatus.Caption(), "Applications/Office/Word");
    EXPECT_TRUE(Main().lblStatus.Visible());
    shared::Outcome failed(shared::Operation::ImportServerApps);
    failed.failure = shared::Failure{{53, "File not found"}, 0, {}};
    Main().ShowOutcome(failed);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Error");
    EXPECT_EQ(boxes.shown[0].text, shared::UnexpectedErrorText(53, "File not found"));
}

// Where the program can run the farm interface check, the Help menu gains one entry after
// About; it shows the report in a read-only text, lines as they came.
TEST_F(MainTest, HelpMenuShowsTheInterfaceCheckWhereTheProgramHasIt) {
    StartOnDemoFarm();
    EXPECT_EQ(Main().mnuHelpCheck, 0);
    EXPECT_EQ(Main().menu.Shown(forms::frmMain::kHelpMenu),
              (std::vector<std::string>{"-", "&About"}));

    program.reset();
    int runs = 0;
    forms::AppInfo app;
    app.folder = ProgramFolder();
    program = std::make_unique<forms::Program>(forms::Services{
        desktop, dialogs, tool, *factory, [] { return settings::CreateFileSystem(); }, app,
        [&runs] {
            return "Farm interface check\r\n  Export Farm: ready\r\n" + std::to_string(++runs);
        }});
    StartOnDemoFarm();
    EXPECT_EQ(Main().menu.Shown(forms::frmMain::kHelpMenu),
              (std::vector<std::string>{"-", "&About", "Farm &Interface Check..."}));
    std::string shown;
    modal.script = [&](ui::Form& form) {
        shown = static_cast<forms::frmInterfaceCheck&>(form).txtReport.Text();
    };
    Menu(Main().mnuHelpCheck);
    ASSERT_EQ(modal.shown.size(), 1u);
    EXPECT_EQ(modal.shown[0].caption, "Farm Interface Check");
    EXPECT_TRUE(modal.shown[0].ownerDisabled);
    EXPECT_EQ(shown, "Farm interface check\r\n  Export Farm: ready\r\n1");
    Menu(Main().mnuHelpCheck);  // each opening checks afresh
    EXPECT_EQ(shown.back(), '2');
}

}  // namespace
}  // namespace forms_test
