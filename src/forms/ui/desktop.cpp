#include "forms/ui/desktop.h"

#include <commctrl.h>

#include "forms/ui/form.h"

namespace ui {

namespace {

constexpr wchar_t kFormClassName[] = L"ZeltToolForm";

int CALLBACK NoteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool HasFontFace(LOGFONTW face) {
    bool found = false;
    if (HDC screen = GetDC(nullptr)) {
        EnumFontFamiliesExW(screen, &face, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
        ReleaseDC(nullptr, screen);
    }
    return found;
}

}  // namespace

Desktop::Desktop(MessageBoxes& messageBoxes, ModalRunner& modalRunner)
    : boxes_(messageBoxes), modal_(modalRunner) {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                  ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    if (HDC screen = GetDC(nullptr)) {
        dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    if (dpi_ <= 0) {
        dpi_ = 96;
    }

    // The forms are laid out for "MS Sans Serif" 8 pt; where that face is missing, the
    // system's message font stands in.
    LOGFONTW face{};
    face.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(face.lfFaceName, L"MS Sans Serif", LF_FACESIZE);
    if (HasFontFace(face)) {
        face.lfHeight = -MulDiv(8, dpi_, 72);
        face.lfWeight = FW_NORMAL;
    } else {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
            face = metrics.lfMessageFont;
        } else {
            face.lfHeight = -MulDiv(8, dpi_, 72);
            face.lfWeight = FW_NORMAL;
            lstrcpynW(face.lfFaceName, L"MS Shell Dlg", LF_FACESIZE);
        }
    }
    dialogFont_.Reset(CreateFontIndirectW(&face));
    LOGFONTW heading = face;
    heading.lfHeight = -MulDiv(18, dpi_, 72);
    heading.lfWidth = 0;
    heading.lfOutPrecision = OUT_TT_PRECIS;  // a scalable face: bitmap ones stop short of 18 pt
    headingFont_.Reset(CreateFontIndirectW(&heading));

    // The forms' window class.
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Form::WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kFormClassName;
    formClass_ = RegisterClassExW(&windowClass);
    if (formClass_ == 0) {
        // Another Desktop of this process registered it already (tests): use that one.
        WNDCLASSEXW existing{};
        existing.cbSize = sizeof existing;
        formClass_ = static_cast<ATOM>(
            GetClassInfoExW(GetModuleHandleW(nullptr), kFormClassName, &existing));
    }
}

Desktop::~Desktop() = default;

void Desktop::SetBusy(bool busy) {
    busy_ = busy;
    SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

int Desktop::Pixels(int twips) const {
    return MulDiv(twips, dpi_, 1440);
}

void Desktop::FormUnloaded() {
    --loadedForms_;
    // Wakes a message loop that waits for the last form (or a modal one) to go.
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}

bool Desktop::PreTranslate(MSG& msg) {
    if (msg.hwnd == nullptr || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) {
        return false;
    }
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (root == nullptr || GetClassLongPtrW(root, GCW_ATOM) != formClass_) {
        return false;
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(root, GWLP_USERDATA));
    return form != nullptr && form->PreTranslate(msg);
}

void Desktop::RunMessageLoop(const std::function<bool()>& done) {
    MSG msg;
    while (!done()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (got == -1) {
            return;
        }
        if (!PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void Desktop::DoEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (!PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void MessageLoopModalRunner::Run(Form& form) {
    form.GetDesktop().RunMessageLoop([&form] { return !form.IsLoaded(); });
}

}  // namespace ui
