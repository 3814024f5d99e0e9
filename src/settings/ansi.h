// The 8-bit ANSI text codec of the farm and server files: the system code page on Windows,
// Windows-1252 in the portable build. Inside the program text is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace settings {

std::string AnsiToUtf8(std::string_view ansi);
// Characters the code page lacks become "?", as the platform's conversion does.
std::string Utf8ToAnsi(std::string_view utf8);

// The code points of a UTF-8 text; every ill-formed sequence becomes one U+FFFD.
std::u32string DecodeUtf8(std::string_view utf8);

}  // namespace settings
