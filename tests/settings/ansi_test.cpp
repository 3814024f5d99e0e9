#include "settings/ansi.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using settings::AnsiToUtf8;
using settings::Utf8ToAnsi;

bool CodePageIs1252() {
#ifdef _WIN32
    return GetACP() == 1252;
#else
    return true;
#endif
}

TEST(AnsiCodec, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(one)), one) << "byte " << b;
        all += one;
    }
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
}

TEST(AnsiCodec, MapsWindows1252) {
    if (!CodePageIs1252()) {
        GTEST_SKIP() << "the system code page is not 1252";
    }
    struct Case {
        std::string ansi;
        std::string utf8;
    };
    const Case cases[] = {
        {"\x80", "\u20AC"}, {"\x81", "\u0081"},
        {"\x8D", "\u008D"}, {"\x8F", "\u008F"},
        {"\x90", "\u0090"}, {"\x9D", "\u009D"},
        {"\x9F", "\u0178"}, {"\x99", "\u2122"},
        {"\xA0", "\u00A0"}, {"\xE9t\xE9", "\u00E9t\u00E9"},
        {"\xFF", "\u00FF"}, {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AnsiToUtf8(c.ansi), c.utf8) << c.utf8;
        EXPECT_EQ(Utf8ToAnsi(c.utf8), c.ansi) << c.utf8;
    }
}

TEST(AnsiCodec, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    if (!CodePageIs1252()) {
        GTEST_SKIP() << "the system code page is not 1252";
    }
    EXPECT_EQ(Utf8ToAnsi("\u4E2D"), "?");          // CJK
    EXPECT_EQ(Utf8ToAnsi("a\U0001F600b"), "a?b");  // outside the BMP: one "?"
    EXPECT_EQ(Utf8ToAnsi("\u0100\uFF0F"), "??");   // no look-alike "A" or "/"
    EXPECT_EQ(Utf8ToAnsi("\u0080"), "?");          // a C1 control 1252 has no byte for
}

TEST(AnsiCodec, IllFormedUtf8BecomesQuestionMarks) {
    struct Case {
        std::string utf8;
        std::string ansi;
    };
    const Case cases[] = {
        {"\xFF", "?"},
        {"a\xC3", "a?"},               // cut short at the end
        {"\xE2\x82x", "?x"},           // cut short before another character
        {"\xC0\xAF", "??"},            // overlong
        {"\xED\xA0\x80", "???"},       // encoded surrogate
        {"\xF4\x90\x80\x80", "????"},  // beyond U+10FFFF
        {"\x80\x80", "??"},            // stray continuation bytes
        {"\xF0\x9F\x98z", "?z"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToAnsi(c.utf8), c.ansi) << testing::PrintToString(c.utf8);
    }
}

}  // namespace
