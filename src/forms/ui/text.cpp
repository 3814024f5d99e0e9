#include "forms/ui/text.h"

#include <vector>

namespace ui {

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) {
        return {};
    }
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    const int copied = GetWindowTextW(window, buffer.data(), length + 1);
    return win::Narrow(std::wstring_view(buffer.data(), static_cast<size_t>(copied)));
}

void SetWindowTextUtf8(HWND window, std::string_view text) {
    SetWindowTextW(window, win::Widen(text).c_str());
}

}  // namespace ui
