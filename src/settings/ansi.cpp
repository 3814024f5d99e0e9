#include "settings/ansi.h"

#include <array>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>

#include <algorithm>

#include "base/error.h"
#include "win/text.h"
#endif

namespace settings {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        c = kReplacement;
    }
    auto byte = [](char32_t bits) { return static_cast<char>(static_cast<unsigned char>(bits)); };
    if (c < 0x80) {
        out += byte(c);
    } else if (c < 0x800) {
        out += byte(0xC0 | (c >> 6));
        out += byte(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += byte(0xE0 | (c >> 12));
        out += byte(0x80 | ((c >> 6) & 0x3F));
        out += byte(0x80 | (c & 0x3F));
    } else {
        out += byte(0xF0 | (c >> 18));
        out += byte(0x80 | ((c >> 12) & 0x3F));
        out += byte(0x80 | ((c >> 6) & 0x3F));
        out += byte(0x80 | (c & 0x3F));
    }
}

// Decodes the code point at utf8[i] and moves i past it. The longest well-formed prefix of an
// ill-formed sequence is consumed and becomes one U+FFFD.
char32_t NextCodePoint(std::string_view utf8, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(utf8[i++]);
    if (lead < 0x80) {
        return lead;
    }
    // Length, first bits and the allowed range of the second byte of a well-formed sequence.
    int length = 0;
    char32_t value = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0) {
            low = 0xA0;
        } else if (lead == 0xED) {
            high = 0x9F;
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0) {
            low = 0x90;
        } else if (lead == 0xF4) {
            high = 0x8F;
        }
    } else {
        return kReplacement;
    }
    for (int k = 1; k < length; ++k) {
        if (i >= utf8.size()) {
            return kReplacement;
        }
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < low || b > high) {
            return kReplacement;
        }
        value = (value << 6) | (b & 0x3F);
        low = 0x80;
        high = 0xBF;
        ++i;
    }
    return value;
}

// The length of the run of ASCII bytes that starts at text[from].
std::size_t AsciiRun(std::string_view text, std::size_t from) {
    std::size_t to = from;
    while (to < text.size() && static_cast<unsigned char>(text[to]) < 0x80) {
        ++to;
    }
    return to - from;
}

#ifndef _WIN32

// Windows-1252 from 0x80 to 0x9F. The five bytes the code page leaves undefined map to the
// C1 control of the same value, as Windows' own conversion does.
constexpr std::array<char16_t, 32> kHighBlock = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char32_t ByteToCodePoint(unsigned char b) {
    if (b >= 0x80 && b <= 0x9F) {
        return kHighBlock[b - 0x80];
    }
    return b;
}

char CodePointToByte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<char>(static_cast<unsigned char>(c));
    }
    for (std::size_t i = 0; i < kHighBlock.size(); ++i) {
        if (kHighBlock[i] == c) {
            return static_cast<char>(static_cast<unsigned char>(0x80 + i));
        }
    }
    return '?';
}

#endif

}  // namespace

std::u32string DecodeUtf8(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        out += NextCodePoint(utf8, i);
    }
    return out;
}

#ifndef _WIN32

std::string AnsiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size() + ansi.size() / 8);
    for (std::size_t i = 0; i < ansi.size();) {
        if (const std::size_t run = AsciiRun(ansi, i); run > 0) {
            out.append(ansi.substr(i, run));
            i += run;
        } else {
            AppendUtf8(out, ByteToCodePoint(static_cast<unsigned char>(ansi[i++])));
        }
    }
    return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        if (const std::size_t run = AsciiRun(utf8, i); run > 0) {
            out.append(utf8.substr(i, run));
            i += run;
        } else {
            out += CodePointToByte(NextCodePoint(utf8, i));
        }
    }
    return out;
}

#else

namespace {

// Win32 conversions take int lengths: long texts go through in pieces that never split a
// character.
constexpr std::size_t kPiece = std::size_t{1} << 24;

[[noreturn]] void ThrowConversionFailure() {
    throw base::Error(base::kErrInvalidArgument, "Invalid procedure call or argument");
}

std::wstring AcpToWide(std::string_view ansi) {
    const UINT codePage = GetACP();
    CPINFO info{};
    const bool multiByte = GetCPInfo(codePage, &info) && info.MaxCharSize > 1;
    std::wstring out;
    std::size_t pos = 0;
    while (pos < ansi.size()) {
        std::size_t length = std::min(ansi.size() - pos, kPiece);
        if (multiByte && pos + length < ansi.size()) {
            // Walk from the start of the piece so that a lead byte keeps its trail byte.
            std::size_t i = 0;
            while (i < length) {
                i += IsDBCSLeadByteEx(codePage, static_cast<BYTE>(ansi[pos + i])) ? 2 : 1;
            }
            length = std::min(i, ansi.size() - pos);
        }
        const char* data = ansi.data() + pos;
        const int count = static_cast<int>(length);
        const int needed = MultiByteToWideChar(codePage, 0, data, count, nullptr, 0);
        if (needed <= 0) {
            ThrowConversionFailure();
        }
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(needed));
        if (MultiByteToWideChar(codePage, 0, data, count, out.data() + at, needed) != needed) {
            ThrowConversionFailure();
        }
        pos += length;
    }
    return out;
}

std::string WideToAcp(std::wstring_view wide) {
    const UINT codePage = GetACP();
    std::string out;
    std::size_t pos = 0;
    while (pos < wide.size()) {
        std::size_t length = std::min(wide.size() - pos, kPiece);
        if (pos + length < wide.size() && wide[pos + length - 1] >= 0xD800 &&
            wide[pos + length - 1] <= 0xDBFF) {
            --length;  // keep a surrogate pair together
        }
        const wchar_t* data = wide.data() + pos;
        const int count = static_cast<int>(length);
        // No best-fit: a character the code page lacks becomes "?", never a look-alike.
        const DWORD flags = WC_NO_BEST_FIT_CHARS;
        const int needed =
            WideCharToMultiByte(codePage, flags, data, count, nullptr, 0, "?", nullptr);
        if (needed <= 0) {
            ThrowConversionFailure();
        }
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(needed));
        if (WideCharToMultiByte(codePage, flags, data, count, out.data() + at, needed, "?",
                                nullptr) != needed) {
            ThrowConversionFailure();
        }
        pos += length;
    }
    return out;
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
    if (AsciiRun(ansi, 0) == ansi.size()) {
        return std::string(ansi);  // the same in every ANSI code page
    }
    if (GetACP() == CP_UTF8) {
        std::string out;
        for (std::size_t i = 0; i < ansi.size();) {
            AppendUtf8(out, NextCodePoint(ansi, i));
        }
        return out;
    }
    return win::Narrow(AcpToWide(ansi));
}

std::string Utf8ToAnsi(std::string_view utf8) {
    if (AsciiRun(utf8, 0) == utf8.size()) {
        return std::string(utf8);
    }
    const bool utf8CodePage = GetACP() == CP_UTF8;
    std::string out;
    std::wstring wide;
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = NextCodePoint(utf8, i);
        if (utf8CodePage) {
            if (c == kReplacement) {
                out += '?';
            } else {
                AppendUtf8(out, c);
            }
        } else {
            // No ANSI code page has characters beyond U+FFFF: each becomes one "?", not one
            // per UTF-16 unit.
            wide += c >= 0x10000 ? L'?' : static_cast<wchar_t>(c);
        }
    }
    return utf8CodePage ? out : WideToAcp(wide);
}

#endif

}  // namespace settings
