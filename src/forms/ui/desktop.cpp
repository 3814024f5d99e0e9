#include "forms/ui/desktop.h"

#include <commctrl.h>

#include "forms/ui/form.h"
#include "win/handles.h"

namespace ui {

namespace {

constexpr wchar_t kFormClassName[] = L"ZeltToolForm";

int CALLBACK NoteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool HasFontFace(LOGFONTW face) {
    bool found = false;
    if (win::ScreenDc screen; screen) {
        EnumFontFamiliesExW(screen.get(), &face, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
    }
    return found;
}

TEXTMETRICW MetricsOf(HFONT font) {
    TEXTMETRICW metrics{};
    if (win::ScreenDc screen; screen) {
        const HGDIOBJ previous = SelectObject(screen.get(), font);
        GetTextMetricsW(screen.get(), &metrics);
        SelectObject(screen.get(), previous);
    }
    return metrics;
}

// A scalable face draws every size; a bitmap one only the sizes it has.
bool DrawsAtSize(HFONT font, int emPixels) {
    const TEXTMETRICW metrics = MetricsOf(font);
    if ((metrics.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE)) != 0) {
        return true;
    }
    return metrics.tmHeight - metrics.tmInternalLeading == emPixels;
}

}  // namespace

Desktop::Desktop(MessageBoxes& messageBoxes, ModalRunner& modalRunner)
    : boxes_(messageBoxes), modal_(modalRunner) {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                  ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    if (win::ScreenDc screen; screen) {
        dpi_ = GetDeviceCaps(screen.get(), LOGPIXELSY);
    }
    if (dpi_ <= 0) {
        dpi_ = 96;
    }

    dialogFont_ = CreateFormFont(8, dpi_);
    headingFont_ = CreateFormFont(18, dpi_);

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

win::FontHandle CreateFormFont(int points, int dpi) {
    const int em = MulDiv(points, dpi, 72);
    LOGFONTW face{};
    face.lfCharSet = DEFAULT_CHARSET;
    face.lfHeight = -em;
    face.lfWeight = FW_NORMAL;
    lstrcpynW(face.lfFaceName, L"MS Sans Serif", LF_FACESIZE);
    if (HasFontFace(face)) {
        win::FontHandle font(CreateFontIndirectW(&face));
        if (font && DrawsAtSize(font.get(), em)) {
            return font;
        }
    }
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        lstrcpynW(face.lfFaceName, metrics.lfMessageFont.lfFaceName, LF_FACESIZE);
    } else {
        lstrcpynW(face.lfFaceName, L"MS Shell Dlg", LF_FACESIZE);
    }
    face.lfOutPrecision = OUT_TT_PRECIS;
    return win::FontHandle(CreateFontIndirectW(&face));
}

int EmHeight(HFONT font) {
    const TEXTMETRICW metrics = MetricsOf(font);
    return metrics.tmHeight - metrics.tmInternalLeading;
}

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
