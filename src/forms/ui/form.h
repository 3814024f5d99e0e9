// The forms kit: one class per window, with its controls and named handlers, on plain Win32.
//
// How to build a form:
//   class frmExample : public ui::Form {
//   public:
//       explicit frmExample(ui::Desktop& desktop) : Form(desktop) {}
//       ui::Label lblHint;                      // controls are public members,
//       ui::Button cmdOK;                       // named by kind (lbl, cmd, lst) and purpose
//   protected:
//       ui::FormStyle Style() const override {  // caption, client size in twips, placement
//           return {.caption = "Example", .width = 4000, .height = 2000};
//       }
//       void CreateControls() override {        // the control table: one line per control,
//           lblHint.Create(*this, {120, 120, 3000, 255}, "Hint");   // in tab order
//           cmdOK.Create(*this, {2600, 1500, 1215, 375}, "&OK");
//           SetDefaultButton(cmdOK);            // Enter
//           SetCancelButton(cmdOK);             // Esc
//           OnClick(cmdOK, [this] { cmdOK_Click(); });
//       }
//       void Form_Load() override { ... }       // runs after the controls exist
//   private:
//       void cmdOK_Click() { Unload(); }
//   };
//
// Lifetime: the C++ object lives as long as its owner
// keeps it; Load() creates the window (hidden) and runs Form_Load, Show() loads when needed
// and shows it, ShowModal(owner) shows it through the desktop's ModalRunner (disabling the
// owner until the form is unloaded), Unload() destroys the window (the object stays and can
// be loaded again). Closing the window with its system menu unloads it.
// A handler that throws is caught at the window procedure: ReportError() shows the
// unexpected-error message and restores the default pointer (a form may override it).
// Menus: build a ui::MenuBar in CreateControls, register its entries with OnMenu, and
// SetMenuBar(it). Key hooks: set FormStyle::keyPreview and override Form_KeyDown/Form_KeyUp.
// Positions and sizes are twips (see Desktop::Pixels); fonts come from the Desktop.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "forms/ui/desktop.h"

namespace ui {

class Control;
class Button;
class MenuBar;

enum class Placement { Default, CenterScreen, CenterOwner };
enum class Border {
    FixedDialog,  // caption and close box only
    FixedSingle,  // caption, close and minimise boxes
};

struct FormStyle {
    std::string caption;
    int width = 0;   // client area, twips
    int height = 0;  // client area, twips
    Placement placement = Placement::Default;
    Border border = Border::FixedDialog;
    bool keyPreview = false;    // Form_KeyDown/Form_KeyUp see keys before the controls
    bool showInTaskbar = true;  // false: no task bar button (the form is shown owned)
};

// Shift state as the key hooks receive it.
inline constexpr int16_t kShiftMask = 1;
inline constexpr int16_t kCtrlMask = 2;
inline constexpr int16_t kAltMask = 4;

class Form {
  public:
    explicit Form(Desktop& desktop);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    bool IsLoaded() const { return window_ != nullptr; }
    // Creates the window, hidden, and runs Form_Load. Does nothing when already loaded.
    void Load();
    // Loads when needed, then shows the window unless Form_Load unloaded it.
    void Show();
    // Loads when needed, then shows the window modally over `owner` (may be null) and
    // returns once it is unloaded.
    void ShowModal(Form* owner);
    // Destroys the window. Safe from the form's own handlers.
    void Unload();

    HWND Handle() const { return window_; }
    bool IsVisible() const;
    std::string Caption() const;
    void SetCaption(const std::string& caption);
    // Repaints the window and its controls now.
    void Refresh();
    Desktop& GetDesktop() const { return desktop_; }

    // Shows a message box owned by this form (by no window while it is not loaded).
    void Message(const std::string& text, const std::string& title, shared::MessageIcon icon);

    // Runs a keyboard message through the form as the message loop does (Tab, Enter, Esc,
    // menu shortcuts, key hooks). True when handled. For the loop and for tests.
    bool PreTranslate(MSG& msg);
    // A command as a control or menu entry sends it (tests, the kit's controls). A disabled
    // form takes none: the user cannot click or key into it.
    void Command(int id, int notifyCode);

    // Kit plumbing for the controls.
    int NextControlId() { return nextControlId_++; }

  protected:
    virtual FormStyle Style() const = 0;
    virtual void CreateControls() = 0;
    virtual void Form_Load() {}
    virtual void Form_KeyDown(int16_t keyCode, int16_t shift);
    virtual void Form_KeyUp(int16_t keyCode, int16_t shift);
    // A handler threw: show it and restore the pointer. Called inside the catch block.
    virtual void ReportError();
    // Messages the kit does not handle itself; return nullopt-like false to let the kit
    // pass them on.
    virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    void SetDefaultButton(Button& button);
    void SetCancelButton(Button& button);
    void OnClick(const Control& control, std::function<void()> handler);
    void OnNotify(const Control& control, int notifyCode, std::function<void()> handler);
    void OnMenu(int id, std::function<void()> handler);
    void SetMenuBar(MenuBar& menu);
    // Runs a handler the way the window procedure does: failures go to ReportError.
    void Invoke(const std::function<void()>& handler);

  private:
    friend class Desktop;
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void Place(HWND owner);
    void Detach();

    Desktop& desktop_;
    HWND window_ = nullptr;
    HWND modalOwner_ = nullptr;
    bool modal_ = false;
    bool keyPreview_ = false;
    int nextControlId_ = 100;
    Button* defaultButton_ = nullptr;
    Button* cancelButton_ = nullptr;
    MenuBar* menu_ = nullptr;
    HWND lastFocus_ = nullptr;
    std::map<std::pair<int, int>, std::function<void()>> commands_;
};

// While it lives the form waits for something outside the program: the busy pointer is
// shown and the form's window is disabled, so that it still repaints and answers messages but
// takes no click or key (a second click on the button that started the wait does nothing).
// Both come back when it goes, and the focus returns to the control that had it.
class BusyForm {
  public:
    explicit BusyForm(Form& form);
    ~BusyForm();
    BusyForm(const BusyForm&) = delete;
    BusyForm& operator=(const BusyForm&) = delete;

  private:
    Form& form_;
    HWND window_;
    HWND focus_;
    bool wasBusy_;
    bool disabled_ = false;
};

}  // namespace ui
