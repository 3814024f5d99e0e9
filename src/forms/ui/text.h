// Text at the Win32 edge: the program keeps UTF-8, Windows wants UTF-16.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace ui {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The text of a window or control.
std::string WindowText(HWND window);
void SetWindowTextUtf8(HWND window, std::string_view text);

}  // namespace ui
