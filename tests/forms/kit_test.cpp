// The forms kit on its own: twips to pixels, list selection rules and limits, menus that
// hide entries, the common dialog's cancel, the busy pointer, the keyboard, modal showing
// through the real message loop, and the platform helpers.
#include <fstream>
#include <thread>

#include "forms/ui/common_dialog.h"
#include "forms/ui/controls.h"
#include "forms/ui/menu.h"
#include "forms_support.h"
#include "win/handles.h"
#include "win/text.h"

namespace forms_test {
namespace {

class TestForm : public ui::Form {
  public:
    explicit TestForm(ui::Desktop& desktop) : Form(desktop) {}
    ui::TextBox txtName;
    ui::ListBox lstOne;
    ui::ListBox lstMany;
    ui::Button cmdOK;
    ui::Button cmdCancel;
    ui::MenuBar menu;
    int mnuGo = 0;
    int mnuHidden = 0;
    int okClicks = 0;
    int cancelClicks = 0;
    int menuRuns = 0;
    std::function<void()> onOK;

  protected:
    ui::FormStyle Style() const override {
        return {.caption = "Kit", .width = 4500, .height = 3000};
    }
    void CreateControls() override {
        txtName.Create(*this, {120, 120, 2000, 315});
        lstOne.Create(*this, {120, 600, 2000, 1500}, {.sorted = true});
        lstMany.Create(*this, {2250, 600, 2000, 1500}, {.selection = ui::Selection::Extended});
        cmdOK.Create(*this, {1800, 2400, 1200, 375}, "&OK");
        cmdCancel.Create(*this, {3150, 2400, 1200, 375}, "&Cancel");
        SetDefaultButton(cmdOK);
        SetCancelButton(cmdCancel);
        OnClick(cmdOK, [this] {
            ++okClicks;
            if (onOK) {
                onOK();
            }
        });
        OnClick(cmdCancel, [this] { ++cancelClicks; });
        menu.Clear();
        menu.AddMenu("&Go");
        mnuGo = menu.AddItem("&Go", {VK_F5, false});
        mnuHidden = menu.AddItem("&Hidden", {VK_F6, false}, false);
        OnMenu(mnuGo, [this] { ++menuRuns; });
        OnMenu(mnuHidden, [this] { ++menuRuns; });
        SetMenuBar(menu);
    }
};

class KitTest : public ::testing::Test {
  public:
    RecordingBoxes boxes;
    RecordingModal modal;
    ui::Desktop desktop{boxes, modal};
    TestForm form{desktop};
    KitTest() { form.Show(); }
    ~KitTest() override {
        form.Unload();
        desktop.DoEvents();
    }
};

TEST_F(KitTest, TwipsBecomePixelsAtTheScreensDpi) {
    const int dpi = desktop.Dpi();
    EXPECT_EQ(desktop.Pixels(1440), dpi);
    EXPECT_EQ(desktop.Pixels(15 * 96), dpi);
    RECT client{};
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, MulDiv(4500, dpi, 1440));
    EXPECT_EQ(client.bottom, MulDiv(3000, dpi, 1440));
    const RECT list = form.lstMany.PixelBounds();
    EXPECT_EQ(list.left, MulDiv(2250, dpi, 1440));
    EXPECT_EQ(list.top, MulDiv(600, dpi, 1440));
    EXPECT_EQ(list.right - list.left, MulDiv(2000, dpi, 1440));
    form.lstMany.Move({0, 0, 1440, 720});
    const RECT moved = form.lstMany.PixelBounds();
    EXPECT_EQ(moved.right - moved.left, dpi);
}

// A list shows whole lines: its height is cut down to a whole number of them, on creation
// (after its font is set) and on each move.
TEST_F(KitTest, ListsShowWholeLinesOnly) {
    const auto expectWholeLines = [](const ui::ListBox& list, int askedPixels) {
        const int line = static_cast<int>(SendMessageW(list.Handle(), LB_GETITEMHEIGHT, 0, 0));
        RECT client{};
        GetClientRect(list.Handle(), &client);
        const RECT bounds = list.PixelBounds();
        EXPECT_EQ(client.bottom % line, 0) << "line " << line << ", inside " << client.bottom;
        EXPECT_LE(bounds.bottom - bounds.top, askedPixels);
        EXPECT_GT(bounds.bottom - bounds.top, askedPixels - line);
    };
    expectWholeLines(form.lstOne, desktop.Pixels(1500));
    for (const int twips : {700, 1000, 1333, 2000}) {
        SCOPED_TRACE(twips);
        form.lstMany.Move({2250, 600, 2000, twips});
        expectWholeLines(form.lstMany, desktop.Pixels(twips));
    }
}

// The forms' text and headings are drawn at their point size whatever the screen's DPI: a
// bitmap face is used only at a size it has (stretched, it spreads its letters).
TEST_F(KitTest, FontsAreDrawnAtTheirPointSizeAtEveryDpi) {
    for (const int dpi : {96, 120, 144, 192}) {
        for (const int points : {8, 18}) {
            SCOPED_TRACE(std::to_string(points) + " pt at " + std::to_string(dpi) + " DPI");
            const win::FontHandle font = ui::CreateFormFont(points, dpi);
            ASSERT_TRUE(font);
            EXPECT_EQ(ui::EmHeight(font.get()), MulDiv(points, dpi, 72));
        }
    }
    EXPECT_EQ(ui::EmHeight(desktop.DialogFont()), MulDiv(8, desktop.Dpi(), 72));
    EXPECT_EQ(ui::EmHeight(desktop.HeadingFont()), MulDiv(18, desktop.Dpi(), 72));
}

// A dialog wider than its owner, centred on it (as the deployment dialogs are on the main
// window).
class WideDialog : public ui::Form {
  public:
    explicit WideDialog(ui::Desktop& desktop) : Form(desktop) {}

  protected:
    ui::FormStyle Style() const override {
        return {.caption = "Wide",
                .width = 6000,
                .height = 2000,
                .placement = ui::Placement::CenterOwner};
    }
    void CreateControls() override {}
};

TEST_F(KitTest, ADialogOpensCentredOnItsOwnerAndOnTheScreen) {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const auto opened = [&](int ownerLeft, int ownerTop) {
        SetWindowPos(form.Handle(), nullptr, ownerLeft, ownerTop, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT shown{};
        modal.script = [&](ui::Form& dialog) { GetWindowRect(dialog.Handle(), &shown); };
        WideDialog dialog(desktop);
        dialog.ShowModal(&form);
        modal.script = nullptr;
        return shown;
    };
    RECT owner{};
    const RECT centred = opened(work.left + 300, work.top + 200);
    GetWindowRect(form.Handle(), &owner);
    EXPECT_GT(centred.right - centred.left, owner.right - owner.left) << "wider than its owner";
    EXPECT_NEAR((centred.left + centred.right) / 2.0, (owner.left + owner.right) / 2.0, 1);
    EXPECT_NEAR((centred.top + centred.bottom) / 2.0, (owner.top + owner.bottom) / 2.0, 1);

    // An owner at the screen's corners: the dialog stays whole on the screen.
    for (const bool right : {false, true}) {
        SCOPED_TRACE(right ? "bottom right" : "top left");
        const RECT atEdge = right ? opened(work.right - (owner.right - owner.left),
                                           work.bottom - (owner.bottom - owner.top))
                                  : opened(work.left, work.top);
        EXPECT_GE(atEdge.left, work.left);
        EXPECT_GE(atEdge.top, work.top);
        EXPECT_LE(atEdge.right, work.right);
        EXPECT_LE(atEdge.bottom, work.bottom);
    }
}

TEST_F(KitTest, ListsSortAndSelectByTheirKind) {
    for (const char* line : {"charlie", "Alpha", "bravo"}) {
        form.lstOne.AddItem(line);
        form.lstMany.AddItem(line);
    }
    EXPECT_EQ(Lines(form.lstOne), (std::vector<std::string>{"Alpha", "bravo", "charlie"}));
    EXPECT_EQ(Lines(form.lstMany), (std::vector<std::string>{"charlie", "Alpha", "bravo"}));

    for (ui::ListBox* list : {&form.lstOne, &form.lstMany}) {
        list->SetSelected(0, true);
        list->SetSelected(2, true);
    }
    EXPECT_EQ(SelectedLines(form.lstOne), std::vector<int16_t>{2});
    EXPECT_EQ(SelectedLines(form.lstMany), (std::vector<int16_t>{0, 2}));
    form.lstOne.SetSelected(2, false);
    form.lstMany.SetSelected(0, false);
    EXPECT_TRUE(SelectedLines(form.lstOne).empty());
    EXPECT_EQ(SelectedLines(form.lstMany), std::vector<int16_t>{2});

    form.lstMany.RemoveItem(0);
    EXPECT_EQ(Lines(form.lstMany), (std::vector<std::string>{"Alpha", "bravo"}));
    EXPECT_THROW(form.lstMany.List(2), base::Error);
    EXPECT_THROW(form.lstMany.SetSelected(-1, true), base::Error);
    form.lstMany.Clear();
    EXPECT_EQ(form.lstMany.ListCount(), 0);
    EXPECT_EQ(form.lstMany.ListIndex(), -1);
}

TEST_F(KitTest, AListHoldsAtMost32767Lines) {
    SendMessageW(form.lstMany.Handle(), WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < ui::ListBox::kMaxLines; ++i) {
        form.lstMany.AddItem("x");
    }
    EXPECT_EQ(form.lstMany.ListCount(), 32767);
    try {
        form.lstMany.AddItem("one too many");
        FAIL() << "no overflow";
    } catch (const base::Error& e) {
        EXPECT_EQ(e.number(), base::kErrOverflow);
    }
    EXPECT_EQ(form.lstMany.ListCount(), 32767);
}

TEST_F(KitTest, HiddenMenuEntriesLeaveTheMenuAndTheirShortcutsDoNothing) {
    EXPECT_EQ(form.menu.Shown(0), std::vector<std::string>{"&Go\tF5"});
    form.menu.SetVisible(form.mnuHidden, true);
    form.menu.SetCaption(form.mnuGo, "&Run");
    EXPECT_EQ(form.menu.Shown(0), (std::vector<std::string>{"&Run\tF5", "&Hidden\tF6"}));
    form.menu.SetVisible(form.mnuHidden, false);
    EXPECT_EQ(form.menu.Shown(0), std::vector<std::string>{"&Run\tF5"});

    for (const WPARAM key : {VK_F5, VK_F6}) {
        MSG msg{form.txtName.Handle(), WM_KEYDOWN, key, 0, 0, {0, 0}};
        desktop.PreTranslate(msg);
        desktop.DoEvents();
    }
    EXPECT_EQ(form.menuRuns, 1) << "F5 ran, F6 belongs to a hidden entry";
    form.menu.SetEnabled(form.mnuGo, false);
    form.Command(form.mnuGo, 0);
    EXPECT_EQ(form.menuRuns, 1) << "a disabled entry does not run";
}

TEST_F(KitTest, EnterPressesTheDefaultButtonAndEscTheCancelButton) {
    form.txtName.SetFocus();
    PressKey(desktop, form.txtName.Handle(), VK_RETURN);
    EXPECT_EQ(form.okClicks, 1);
    PressKey(desktop, form.txtName.Handle(), VK_ESCAPE);
    EXPECT_EQ(form.cancelClicks, 1);
    form.cmdOK.SetEnabled(false);
    form.cmdOK.Click();
    EXPECT_EQ(form.okClicks, 1) << "a disabled button does not click";
}

TEST_F(KitTest, TabMovesTheFocusInCreationOrder) {
    form.txtName.SetFocus();
    ASSERT_EQ(GetFocus(), form.txtName.Handle());
    PressKey(desktop, form.txtName.Handle(), VK_TAB);
    EXPECT_EQ(GetFocus(), form.lstOne.Handle());
    PressKey(desktop, form.lstOne.Handle(), VK_TAB);
    EXPECT_EQ(GetFocus(), form.lstMany.Handle());
}

TEST_F(KitTest, AFailingHandlerIsReportedAndThePointerRestored) {
    form.onOK = [this] {
        desktop.SetBusy(true);
        throw farm::FarmError(-42, "It broke.");
    };
    form.cmdOK.Click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(
        boxes.shown[0].text,
        std::string(80, ' ') + "\rUnexpected error.\r\r\r     Error :-42\r\r     It broke.\r");
    EXPECT_FALSE(desktop.IsBusy());
    EXPECT_TRUE(form.IsLoaded());
}

TEST_F(KitTest, TheBusyPointerCoversEveryFormWhileSet) {
    const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    desktop.SetBusy(true);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
    EXPECT_TRUE(SendMessageW(form.Handle(), WM_SETCURSOR,
                             reinterpret_cast<WPARAM>(form.lstOne.Handle()), overClient));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
    desktop.SetBusy(false);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_FALSE(SendMessageW(form.Handle(), WM_SETCURSOR,
                              reinterpret_cast<WPARAM>(form.lstOne.Handle()), overClient));
}

// Closes the form from inside the real message loop, once it is running.
class ClosingRunner : public ui::ModalRunner {
  public:
    void Run(ui::Form& form) override {
        ownerWasDisabled = GetWindow(form.Handle(), GW_OWNER) != nullptr &&
                           !IsWindowEnabled(GetWindow(form.Handle(), GW_OWNER));
        PostMessageW(form.Handle(), WM_CLOSE, 0, 0);
        ui::MessageLoopModalRunner().Run(form);
    }
    bool ownerWasDisabled = false;
};

TEST(ModalTest, TheRealLoopRunsUntilTheFormIsUnloadedAndGivesTheOwnerBack) {
    RecordingBoxes boxes;
    ClosingRunner runner;
    ui::Desktop desktop(boxes, runner);
    TestForm owner(desktop);
    owner.Show();
    TestForm dialog(desktop);
    dialog.ShowModal(&owner);
    EXPECT_TRUE(runner.ownerWasDisabled);
    EXPECT_FALSE(dialog.IsLoaded());
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    EXPECT_EQ(desktop.LoadedForms(), 1);
    // Loaded again, the dialog is a new window with its handlers.
    dialog.ShowModal(&owner);
    EXPECT_FALSE(dialog.IsLoaded());
    owner.Unload();
    EXPECT_EQ(desktop.LoadedForms(), 0);
    desktop.DoEvents();
}

TEST(CommonDialogTest, CancelRaisesOnlyWhenAskedAndTheNameStays) {
    ScriptedFileDialogs dialogs;
    ui::CommonDialog dialog(dialogs);
    dialog.dialogTitle = "Title";
    dialog.filter = "INI Files (*.ini)|*.ini";
    dialog.initDir = "C:\\folder";
    dialog.fileName = "proposed";

    dialogs.answers = {std::nullopt};
    dialog.ShowOpen(nullptr);
    EXPECT_EQ(dialog.fileName, "proposed");

    dialog.cancelError = true;
    dialogs.answers = {std::nullopt};
    try {
        dialog.ShowSave(nullptr);
        FAIL() << "cancel raised nothing";
    } catch (const base::Error& e) {
        EXPECT_EQ(e.number(), base::kErrCancel);
    }
    EXPECT_EQ(dialog.fileName, "proposed");

    dialog.ShowSave(nullptr);
    EXPECT_EQ(dialog.fileName, "C:\\folder\\proposed");
    ASSERT_EQ(dialogs.requests.size(), 3u);
    EXPECT_FALSE(dialogs.requests[0].save);
    EXPECT_TRUE(dialogs.requests[2].save);
    EXPECT_EQ(dialogs.requests[2].title, "Title");
    EXPECT_EQ(dialogs.requests[2].initialFolder, "C:\\folder");
}

TEST(PlatformHelpersTest, TextsAreMadeReadyForThePlatform) {
    EXPECT_EQ(ui::DialogFilter("INI Files (*.ini)|*.ini"),
              std::wstring(L"INI Files (*.ini)\0*.ini\0\0", 25));
    EXPECT_EQ(ui::QuoteProgram("C:\\work\\mfreg.exe"), "C:\\work\\mfreg.exe");
    EXPECT_EQ(ui::QuoteProgram("C:\\my work\\mfreg.exe"), "\"C:\\my work\\mfreg.exe\"");
    EXPECT_EQ(forms::InFolder("C:\\", "a.chm"), "C:\\a.chm");
    EXPECT_EQ(forms::InFolder("C:\\x", "a.chm"), "C:\\x\\a.chm");
}

// The real box, answered from another thread once it is up: its text is the message's own,
// lone CRs and all.
TEST(MessageBoxTest, TheTextReachesTheBoxAsItIs) {
    const std::string text = shared::UnexpectedErrorText(-42, "It broke.") + "a\r\nb";
    const std::wstring title = L"Zelt box test";
    std::wstring shown;
    std::atomic<bool> found{false};
    std::thread answer([&] {
        for (int tries = 0; tries < 400 && !found; ++tries) {
            if (HWND box = FindWindowW(L"#32770", title.c_str())) {
                std::vector<wchar_t> buffer(1024, L'\0');
                GetDlgItemTextW(box, 0xFFFF, buffer.data(), static_cast<int>(buffer.size()));
                shown = buffer.data();
                found = true;
                PostMessageW(box, WM_COMMAND, IDOK, 0);
            } else {
                Sleep(25);
            }
        }
    });
    ui::Win32MessageBoxes().Show(nullptr, text, win::Narrow(title), shared::MessageIcon::Warning);
    answer.join();
    ASSERT_TRUE(found);
    EXPECT_EQ(win::Narrow(shown), text);
}

TEST(LauncherTest, StartsAndWaitsOrReportsAMissingProgram) {
    TempFolder folder("zelt-forms-launch-");
    const std::string marker = folder.Utf8() + "\\ran.txt";
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::string cmd = win::Narrow(system) + "\\cmd.exe";
    ui::Win32ProcessLauncher launcher;
    launcher.Run({cmd, "cmd.exe /c echo ran> \"" + marker + "\""}, std::chrono::seconds(30));
    EXPECT_TRUE(fs::exists(fs::path(win::Widen(marker)))) << "the run finished before Run returned";

    try {
        launcher.Run({folder.Utf8() + "\\mfreg.exe", "mfreg.exe /uX"}, std::chrono::seconds(1));
        FAIL() << "a missing program started";
    } catch (const base::Error& e) {
        EXPECT_EQ(e.number(), base::kErrFileNotFound);
    }
}

TEST(LauncherTest, WaitsUpToTheTimeLimitHandlingMessages) {
    const fs::path holder = HelperProgram("slow_mfreg.exe");
    ASSERT_TRUE(fs::exists(holder)) << holder;
    RecordingBoxes boxes;
    RecordingModal modal;
    ui::Desktop desktop(boxes, modal);
    TestForm form(desktop);
    form.Show();
    PostMessageW(form.Handle(), WM_CLOSE, 0, 0);

    const auto started = std::chrono::steady_clock::now();
    ui::Win32ProcessLauncher().Run({win::Narrow(holder.wstring()), "slow_mfreg.exe /hold"},
                                   std::chrono::milliseconds(700));
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, std::chrono::milliseconds(650));
    EXPECT_LT(waited, std::chrono::seconds(5)) << "the tool holds for eight seconds";
    EXPECT_FALSE(form.IsLoaded()) << "the close posted before the wait was handled in it";
    desktop.DoEvents();
}

// The text form of the file version, which the resource carries beside the numbers.
std::string FileVersionText(const fs::path& file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    std::vector<unsigned char> data(size);
    if (size == 0 || !GetFileVersionInfoW(file.c_str(), 0, size, data.data())) {
        return {};
    }
    void* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\FileVersion", &text, &length)) {
        return {};
    }
    return win::Narrow(static_cast<const wchar_t*>(text));
}

TEST(VersionTest, TheProgramsVersionResourceIsRead) {
    EXPECT_EQ(forms::ReadVersion(forms::ProgramPath()), std::nullopt)
        << "the test program has no version resource";
    const fs::path exe = fs::path(win::Widen(forms::ProgramPath())).parent_path().parent_path() /
                         "src" / "app" / "zelttool.exe";
    if (!fs::exists(exe)) {
        GTEST_SKIP() << "zelttool.exe is not built next to the tests";
    }
    const std::optional<forms::Version> version = forms::ReadVersion(win::Narrow(exe.wstring()));
    ASSERT_TRUE(version.has_value());
    const std::string expected = FileVersionText(exe);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(std::to_string(version->major) + "." + std::to_string(version->minor) + "." +
                  std::to_string(version->revision),
              expected);
}

}  // namespace
}  // namespace forms_test
