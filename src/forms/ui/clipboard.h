// The clipboard's text, as UTF-8: put there for another program to paste, and read back.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace ui {

// Puts the text on the clipboard in place of what it held; `owner` owns the clipboard
// afterwards. A clipboard that cannot be opened or filled throws base::Error.
void SetClipboardText(HWND owner, std::string_view text);
// The clipboard's text; nothing when it holds none or cannot be opened.
std::optional<std::string> ClipboardText();

}  // namespace ui
