#include "win/text.h"

#include <windows.h>

#include <climits>
#include <cstddef>

#include "base/error.h"

namespace win {

namespace {

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The text with every surrogate that is not half of a pair replaced by U+FFFD.
std::wstring WithoutLoneSurrogates(std::wstring_view utf16) {
    std::wstring out(utf16);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (IsHighSurrogate(out[i]) && i + 1 < out.size() && IsLowSurrogate(out[i + 1])) {
            ++i;
        } else if (IsHighSurrogate(out[i]) || IsLowSurrogate(out[i])) {
            out[i] = 0xFFFD;
        }
    }
    return out;
}

bool HasLoneSurrogate(std::wstring_view utf16) {
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        if (IsHighSurrogate(utf16[i]) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1])) {
            ++i;
        } else if (IsHighSurrogate(utf16[i]) || IsLowSurrogate(utf16[i])) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    if (utf8.size() > static_cast<std::size_t>(INT_MAX)) {
        throw base::Error(base::kErrInvalidArgument, "Text too long");
    }
    const int size = static_cast<int>(utf8.size());
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
    if (length <= 0) {
        throw base::Error(base::kErrInvalidArgument, "Text is not valid UTF-8");
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string Narrow(std::wstring_view utf16) {
    if (utf16.empty()) {
        return {};
    }
    if (utf16.size() > static_cast<std::size_t>(INT_MAX / 3)) {
        throw base::Error(base::kErrInvalidArgument, "Text too long");
    }
    std::wstring repaired;
    if (HasLoneSurrogate(utf16)) {
        repaired = WithoutLoneSurrogates(utf16);
        utf16 = repaired;
    }
    const int size = static_cast<int>(utf16.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

}  // namespace win
