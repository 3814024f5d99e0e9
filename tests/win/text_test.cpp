// The program's one UTF-8 / UTF-16 pair, and the system's message texts.
#include "win/text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/error.h"
#include "support/error_of.h"
#include "win/com.h"
#include "win/system_message.h"

namespace {

int32_t WidenError(const std::string& utf8) {
    return testing_support::ErrorNumberOf([&] { win::Widen(utf8); });
}

TEST(TextTest, WellFormedTextGoesBothWaysUnchanged) {
    const struct {
        const char* name;
        std::string utf8;
        std::wstring utf16;
    } cases[] = {
        {"empty", "", L""},
        {"ASCII", "Notepad", L"Notepad"},
        {"two and three bytes", "Z\xC3\xBCrich \xE2\x82\xAC", L"Z\u00FCrich \u20AC"},
        {"beyond U+FFFF, a surrogate pair", "\xF0\x9D\x84\x9E", std::wstring(L"\xD834\xDD1E")},
        {"embedded NUL", std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
        {"only NULs", std::string(2, '\0'), std::wstring(2, L'\0')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(win::Widen(c.utf8), c.utf16);
        EXPECT_EQ(win::Narrow(c.utf16), c.utf8);
    }
}

TEST(TextTest, UTF8ThatIsNotWellFormedIsRefusedWithError5) {
    const struct {
        const char* name;
        std::string utf8;
    } cases[] = {
        {"lone continuation byte", "a\x80"},
        {"lead byte cut off at the end", "bad \xC3"},
        {"lead byte before ASCII", "bad \xC3("},
        {"three-byte sequence cut short", "\xE2\x82"},
        {"overlong NUL", "\xC0\x80"},
        {"overlong slash", "\xE0\x80\xAF"},
        {"encoded high surrogate", "\xED\xA0\x80"},
        {"encoded low surrogate", "\xED\xB0\x80"},
        {"past U+10FFFF", "\xF4\x90\x80\x80"},
        {"byte never used", "\xFF"},
        {"Windows-1252 text", "caf\xE9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WidenError(c.utf8), base::kErrInvalidArgument);
    }
    EXPECT_EQ(WidenError(std::string("ok\0", 3)), 0);
}

TEST(TextTest, LoneSurrogatesFromWindowsBecomeReplacementCharacters) {
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(win::Narrow(std::wstring(L"a\xD834"
                                       L"b")),
              "a" + replacement + "b");
    EXPECT_EQ(win::Narrow(std::wstring(L"\xDD1E")), replacement);
    EXPECT_EQ(win::Narrow(std::wstring(L"end\xD834")), "end" + replacement);
    // A low surrogate before a high one is two lone halves, not a pair.
    EXPECT_EQ(win::Narrow(std::wstring(L"\xDD1E\xD834")), replacement + replacement);
    // BSTRs follow the same rules; a null BSTR is the empty text.
    const std::string clef = "\xF0\x9D\x84\x9E";
    EXPECT_EQ(win::Bstr(clef).Utf8(), clef);
    EXPECT_EQ(SysStringLen(win::Bstr(clef).Get()), 2u);  // one surrogate pair
    EXPECT_EQ(win::FromBstr(nullptr), "");
    EXPECT_EQ(win::FromBstr(win::Bstr(std::wstring_view(L"x\xD834", 2)).Get()), "x" + replacement);
}

TEST(SystemMessageTest, TheSystemsTextOrANumberedFallback) {
    const std::string notFound = win::SystemMessage(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(notFound.empty());
    EXPECT_NE(notFound.back(), '\n');
    EXPECT_EQ(notFound.find("Error "), std::string::npos) << notFound;
    EXPECT_EQ(win::SystemMessage(0x20001234u), "Error 536875572");
    EXPECT_EQ(win::SystemMessage(0x80041777u), "Automation error 0x80041777");
}

}  // namespace
