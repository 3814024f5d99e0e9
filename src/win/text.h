// The one UTF-8 / UTF-16 pair of the program: inside it text is UTF-8, Windows and COM
// want UTF-16.
//
// Widen refuses UTF-8 that is not well formed (a broken or cut-off sequence, an overlong
// form, an encoded surrogate, a code point past U+10FFFF) with base::Error 5 "Text is not
// valid UTF-8": such bytes come from outside the program (a file, an argument) and nothing
// is handed on in a form the caller did not mean. Narrow never fails: UTF-16 from Windows
// or the farm may hold a lone surrogate, which becomes U+FFFD. Both keep embedded NULs, and
// the empty text stays empty.
#pragma once

#include <string>
#include <string_view>

namespace win {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace win
