// The text of windows and controls as UTF-8, through win/text.h's conversion pair.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "win/text.h"

namespace ui {

// The text of a window or control.
std::string WindowText(HWND window);
void SetWindowTextUtf8(HWND window, std::string_view text);

}  // namespace ui
