#include "forms/ui/form.h"

#include <algorithm>
#include <exception>

#include "base/error.h"
#include "forms/ui/controls.h"
#include "forms/ui/menu.h"
#include "forms/ui/text.h"
#include "shared/shared.h"
#include "win/text.h"

namespace ui {

namespace {

int16_t ShiftState() {
    int16_t shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) {
        shift |= kShiftMask;
    }
    if (GetKeyState(VK_CONTROL) < 0) {
        shift |= kCtrlMask;
    }
    if (GetKeyState(VK_MENU) < 0) {
        shift |= kAltMask;
    }
    return shift;
}

}  // namespace

Form::Form(Desktop& desktop) : desktop_(desktop) {}

Form::~Form() {
    if (window_ != nullptr) {
        // The object goes: the window must not call back into it.
        HWND window = window_;
        Detach();
        DestroyWindow(window);
    }
}

void Form::Load() {
    if (IsLoaded()) {
        return;
    }
    const FormStyle style = Style();
    keyPreview_ = style.keyPreview;
    DWORD windowStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    DWORD exStyle = WS_EX_CONTROLPARENT;
    if (style.border == Border::FixedDialog) {
        windowStyle |= DS_MODALFRAME;
        exStyle |= WS_EX_DLGMODALFRAME;
    } else {
        windowStyle |= WS_MINIMIZEBOX;
    }
    commands_.clear();
    defaultButton_ = nullptr;
    cancelButton_ = nullptr;
    menu_ = nullptr;
    nextControlId_ = 100;

    window_ = CreateWindowExW(
        exStyle, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(desktop_.FormClass())),
        win::Widen(style.caption).c_str(), windowStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
        CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (window_ == nullptr) {
        throw base::Error(base::kErrOutOfMemory, "The window could not be created.");
    }
    desktop_.FormLoaded();
    CreateControls();

    // The window's size follows its client area (and the menu bar, now that it exists).
    RECT frame{0, 0, desktop_.Pixels(style.width), desktop_.Pixels(style.height)};
    AdjustWindowRectEx(&frame, windowStyle, GetMenu(window_) != nullptr, exStyle);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (style.placement == Placement::CenterScreen) {
        Place(nullptr);
    }
    Form_Load();
}

void Form::Place(HWND owner) {
    const bool overOwner = owner != nullptr && IsWindow(owner);
    // The work area of the owner's screen (or of the one the window is on).
    MONITORINFO screen{};
    screen.cbSize = sizeof screen;
    if (!GetMonitorInfoW(MonitorFromWindow(overOwner ? owner : window_, MONITOR_DEFAULTTOPRIMARY),
                         &screen)) {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen.rcWork, 0);
    }
    const RECT work = screen.rcWork;
    RECT area = work;
    if (overOwner) {
        GetWindowRect(owner, &area);
    }
    RECT self{};
    GetWindowRect(window_, &self);
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;
    // Centred, then moved back onto the work area where it would leave it.
    int left = area.left + (area.right - area.left - width) / 2;
    int top = area.top + (area.bottom - area.top - height) / 2;
    left = std::max<int>(work.left, std::min<int>(left, work.right - width));
    top = std::max<int>(work.top, std::min<int>(top, work.bottom - height));
    SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::Show() {
    Load();
    if (!IsLoaded()) {
        return;
    }
    const bool wasVisible = IsVisible();
    ShowWindow(window_, SW_SHOW);
    if (!wasVisible) {
        SetForegroundWindow(window_);
        HWND first = GetNextDlgTabItem(window_, nullptr, FALSE);
        if (first != nullptr) {
            ::SetFocus(first);
        }
    }
    UpdateWindow(window_);
}

void Form::ShowModal(Form* owner) {
    Load();
    if (!IsLoaded()) {
        return;
    }
    HWND ownerWindow = owner != nullptr ? owner->Handle() : nullptr;
    if (ownerWindow != nullptr) {
        SetWindowLongPtrW(window_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(ownerWindow));
    }
    if (Style().placement == Placement::CenterOwner) {
        Place(ownerWindow);
    }
    if (ownerWindow == nullptr && !Style().showInTaskbar) {
        // Only an owned window stays out of the task bar; without an owner, a tool window.
        SetWindowLongPtrW(window_, GWL_EXSTYLE,
                          GetWindowLongPtrW(window_, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
    }
    modal_ = true;
    modalOwner_ = ownerWindow;
    if (ownerWindow != nullptr) {
        EnableWindow(ownerWindow, FALSE);
    }
    Show();
    desktop_.Modal().Run(*this);
    if (IsLoaded()) {
        // The runner gave up without unloading (a quit message): do it now.
        Unload();
    }
    if (ownerWindow != nullptr && IsWindow(ownerWindow)) {
        EnableWindow(ownerWindow, TRUE);
    }
}

void Form::Unload() {
    if (!IsLoaded()) {
        return;
    }
    // The owner comes back before this window goes, so that it is the one activated.
    if (modalOwner_ != nullptr && IsWindow(modalOwner_)) {
        EnableWindow(modalOwner_, TRUE);
        if (IsVisible() && IsWindowVisible(modalOwner_)) {
            SetActiveWindow(modalOwner_);
        }
    }
    DestroyWindow(window_);
}

void Form::Detach() {
    if (window_ == nullptr) {
        return;
    }
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    window_ = nullptr;
    modal_ = false;
    modalOwner_ = nullptr;
    lastFocus_ = nullptr;
    menu_ = nullptr;
    desktop_.FormUnloaded();
}

bool Form::IsVisible() const {
    return window_ != nullptr && IsWindowVisible(window_);
}

std::string Form::Caption() const {
    return WindowText(window_);
}

void Form::SetCaption(const std::string& caption) {
    SetWindowTextUtf8(window_, caption);
}

void Form::Refresh() {
    if (window_ != nullptr) {
        RedrawWindow(window_, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    }
}

void Form::Message(const std::string& text, const std::string& title, shared::MessageIcon icon) {
    desktop_.Boxes().Show(IsVisible() ? window_ : nullptr, text, title, icon);
}

void Form::SetDefaultButton(Button& button) {
    defaultButton_ = &button;
    SendMessageW(button.Handle(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

void Form::SetCancelButton(Button& button) {
    cancelButton_ = &button;
}

void Form::OnClick(const Control& control, std::function<void()> handler) {
    commands_[{control.Id(), BN_CLICKED}] = std::move(handler);
}

void Form::OnNotify(const Control& control, int notifyCode, std::function<void()> handler) {
    commands_[{control.Id(), notifyCode}] = std::move(handler);
}

void Form::OnMenu(int id, std::function<void()> handler) {
    commands_[{id, 0}] = std::move(handler);
}

void Form::SetMenuBar(MenuBar& menu) {
    menu_ = &menu;
    menu.Attach(window_);
}

void Form::Invoke(const std::function<void()>& handler) {
    try {
        handler();
    } catch (...) {
        ReportError();
    }
}

void Form::ReportError() {
    const shared::ErrorInfo error = shared::CurrentError();
    desktop_.SetBusy(false);
    Message(shared::UnexpectedErrorText(error.number, error.description), "Error",
            shared::MessageIcon::Critical);
}

void Form::Form_KeyDown(int16_t, int16_t) {}

void Form::Form_KeyUp(int16_t, int16_t) {}

bool Form::HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

void Form::Command(int id, int notifyCode) {
    if (!IsLoaded() || !IsWindowEnabled(window_)) {
        return;
    }
    if (id == IDCANCEL && notifyCode == BN_CLICKED) {
        // Esc, as the dialog manager reports it: the cancel button's click.
        if (cancelButton_ != nullptr) {
            cancelButton_->Click();
        }
        return;
    }
    if (menu_ != nullptr && id >= 0x4000 && notifyCode <= 1) {
        // A menu entry or its shortcut: only while the entry is there for the user.
        if (!menu_->Available(id)) {
            return;
        }
        notifyCode = 0;
    }
    const auto found = commands_.find({id, notifyCode});
    if (found == commands_.end()) {
        return;
    }
    const std::function<void()> handler = found->second;  // the handler may reload the form
    Invoke(handler);
}

bool Form::PreTranslate(MSG& msg) {
    if (!IsLoaded()) {
        return false;
    }
    if (menu_ != nullptr && menu_->Accelerators() != nullptr &&
        TranslateAcceleratorW(window_, menu_->Accelerators(), &msg)) {
        return true;
    }
    if (keyPreview_ && (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP)) {
        const auto keyCode = static_cast<int16_t>(msg.wParam & 0xFFFF);
        const int16_t shift = ShiftState();
        Invoke([&] {
            if (msg.message == WM_KEYDOWN) {
                Form_KeyDown(keyCode, shift);
            } else {
                Form_KeyUp(keyCode, shift);
            }
        });
        if (!IsLoaded()) {
            return true;
        }
    }
    return IsDialogMessageW(window_, &msg) != FALSE;
}

LRESULT CALLBACK Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* form = static_cast<Form*>(create->lpCreateParams);
        form->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        form->Detach();
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return form->Dispatch(message, wParam, lParam);
}

LRESULT Form::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleMessage(message, wParam, lParam, result)) {
        return result;
    }
    switch (message) {
        case WM_COMMAND:
            Command(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_CLOSE:
            // A disabled form waits for a modal one or for an outside program: it stays.
            if (IsWindowEnabled(window_)) {
                Unload();
            }
            return 0;
        case WM_SETCURSOR:
            if (desktop_.IsBusy()) {
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case DM_GETDEFID:
            if (defaultButton_ != nullptr) {
                return MAKELRESULT(defaultButton_->Id(), DC_HASDEFID);
            }
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                lastFocus_ = (focus != nullptr && IsChild(window_, focus)) ? focus : nullptr;
            } else if (lastFocus_ != nullptr && IsWindow(lastFocus_)) {
                ::SetFocus(lastFocus_);
                return 0;
            }
            break;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

BusyForm::BusyForm(Form& form)
    : form_(form),
      window_(form.Handle()),
      focus_(GetFocus()),
      wasBusy_(form.GetDesktop().IsBusy()) {
    form_.GetDesktop().SetBusy(true);
    if (window_ != nullptr && IsWindowEnabled(window_)) {
        EnableWindow(window_, FALSE);
        disabled_ = true;
    }
}

BusyForm::~BusyForm() {
    // The form may have been unloaded (and even loaded again) meanwhile.
    if (disabled_ && form_.Handle() == window_ && IsWindow(window_)) {
        EnableWindow(window_, TRUE);
        if (focus_ != nullptr && IsChild(window_, focus_)) {
            ::SetFocus(focus_);
        }
    }
    form_.GetDesktop().SetBusy(wasBusy_);
}

}  // namespace ui
