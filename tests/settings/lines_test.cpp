#include "settings/lines.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/error.h"
#include "settings/file_system.h"
#include "support/error_of.h"

#ifdef _WIN32
#include <windows.h>

#include "win/text.h"

#endif

namespace {

using settings::Header;
using testing::ElementsAre;

class RecordingStream : public settings::TextStream {
  public:
    void WriteLine(std::string_view text) override { lines.emplace_back(text); }
    void WriteLine() override { lines.emplace_back(); }
    std::string ReadLine() override { return {}; }
    bool AtEndOfStream() override { return true; }
    void Close() override {}
    std::vector<std::string> lines;
};

// The decimal separator FormatKilobytes writes.
std::string Separator() {
#ifdef _WIN32
    wchar_t buffer[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) > 1) {
        return win::Narrow(buffer);
    }
#endif
    return ".";
}

template <typename Convert>
int32_t ErrorOf(Convert convert, const std::string& text) {
    return testing_support::ErrorNumberOf([&] { convert(text); });
}

TEST(Lines, WriteKeyLineJoinsKeyAndValue) {
    RecordingStream stream;
    settings::WriteKeyLine(stream, "AppName", "Word");
    settings::WriteKeyLine(stream, "Icon", "");
    EXPECT_THAT(stream.lines, ElementsAre("AppName=Word", "Icon="));
}

TEST(Lines, ClassifyHeaderComparesTheWholeLineInUpperCase) {
    const std::pair<std::string, Header> cases[] = {
        {"[Farm]", Header::Farm},
        {"[farm]", Header::Farm},
        {"[APPLICATION]", Header::Application},
        {"[Servers]", Header::Servers},
        {"[uSeRs]", Header::Users},
        {"[Groups]", Header::Groups},
        {"[Icon]", Header::Icon},
        {" [Farm]", Header::None},
        {"[Farm] ", Header::None},
        {"[Farm]\t", Header::None},
        {"[Applications]", Header::None},
        {"", Header::None},
        {"Farm", Header::None},
    };
    for (const auto& [line, header] : cases) {
        EXPECT_EQ(settings::ClassifyHeader(line), header) << '"' << line << '"';
    }
}

TEST(Lines, SplitKeyLineCutsAtTheFirstEqualsSign) {
    struct Case {
        std::string line;
        bool isKeyLine;
        std::string key;
        std::string value;
    };
    const Case cases[] = {
        {"AppName=Word", true, "AppName", "Word"},
        {"Icon=", true, "Icon", ""},
        {"Key =v", true, "Key ", "v"},
        {"k= v ", true, "k", " v "},
        {"Description=a=b", true, "Description", "a=b"},
        {"DefaultInitProg=app.exe /mode=fast", true, "DefaultInitProg", "app.exe /mode=fast"},
        {"x==", true, "x", "="},
        {"=value", false, "", ""},
        {"no equals", false, "", ""},
        {"", false, "", ""},
    };
    for (const Case& c : cases) {
        const auto split = settings::SplitKeyLine(c.line);
        ASSERT_EQ(split.has_value(), c.isKeyLine) << c.line;
        if (split) {
            EXPECT_EQ(split->key, c.key) << c.line;
            EXPECT_EQ(split->value, c.value) << c.line;
        }
    }
}

TEST(Lines, ToInt32AcceptsBlanksSignAndRoundsHalvesToEven) {
    const std::pair<std::string, int32_t> cases[] = {
        {"0", 0},
        {"  12  ", 12},
        {"\t7\t", 7},
        {"+3", 3},
        {"-3", -3},
        {"0.5", 0},
        {"1.5", 2},
        {"2.5", 2},
        {"-2.5", -2},
        {"-1.5", -2},
        {"2.51", 3},
        {"2.5000001", 3},
        {"2.4999", 2},
        {".5", 0},
        {"7.", 7},
        {"-0.4", 0},
        {"000000000000000000000012", 12},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"-2147483648.5", INT32_MIN},
        {"2147483646.5", 2147483646},
        {"2147483646.50000000000000000001", 2147483647},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(settings::ToInt32(text), value) << '"' << text << '"';
    }
}

TEST(Lines, ToInt32RejectsTextAndValuesOutOfRange) {
    const std::pair<std::string, int32_t> cases[] = {
        {"", 13},
        {"   ", 13},
        {"abc", 13},
        {"12abc", 13},
        {"1e3", 13},
        {"+", 13},
        {"-", 13},
        {".", 13},
        {"1 2", 13},
        {"--1", 13},
        {"- 1", 13},
        {"0x10", 13},
        {"1.2.3", 13},
        {"99999999999999999999x", 13},
        {"2147483648", 6},
        {"-2147483649", 6},
        {"2147483647.5", 6},
        {"-2147483648.6", 6},
        {std::string(100000, '9'), 6},
        {"-" + std::string(100000, '9') + ".5", 6},
    };
    for (const auto& [text, number] : cases) {
        EXPECT_EQ(ErrorOf(settings::ToInt32, text), number) << '"' << text.substr(0, 30) << '"';
    }
}

TEST(Lines, ToInt16HasItsOwnRange) {
    EXPECT_EQ(settings::ToInt16("32767"), 32767);
    EXPECT_EQ(settings::ToInt16("-32768.5"), -32768);
    EXPECT_EQ(settings::ToInt16(" 32766.5 "), 32766);
    for (const char* text : {"32767.5", "32768", "-32769", "-32768.51", "2147483647"}) {
        EXPECT_EQ(ErrorOf(settings::ToInt16, text), 6) << text;
    }
    EXPECT_EQ(ErrorOf(settings::ToInt16, "x"), 13);
}

TEST(Lines, FormatKilobytesWritesUpToFifteenSignificantDigits) {
    const std::pair<int32_t, std::string> cases[] = {
        {1024, "1"},
        {512, "0.5"},
        {1, "0.0009765625"},
        {0, "0"},
        {-1024, "-1"},
        {1536, "1.5"},
        {3, "0.0029296875"},
        {-512, "-0.5"},
        {102401, "100.0009765625"},
        {INT32_MAX, "2097151.99902344"},
        {INT32_MIN, "-2097152"},
        {102400001, "100000.000976562"},  // a tie in the 16th digit goes to even
        {102400003, "100000.002929688"},
    };
    const std::string separator = Separator();
    for (auto [value, text] : cases) {
        if (const auto dot = text.find('.'); dot != std::string::npos) {
            text.replace(dot, 1, separator);
        }
        EXPECT_EQ(settings::FormatKilobytes(value), text) << value;
    }
}

TEST(Lines, EntriesJoinAndSplitOnColons) {
    EXPECT_EQ(settings::JoinEntry(1, 2, "ab", "cd"), "1:2:ab:cd");
    EXPECT_THAT(settings::SplitEntry(settings::JoinEntry(-5, 0, "x", "")),
                ElementsAre("-5", "0", "x", ""));
    EXPECT_THAT(settings::SplitEntry("a::b"), ElementsAre("a", "", "b"));
    EXPECT_THAT(settings::SplitEntry(":"), ElementsAre("", ""));
    EXPECT_THAT(settings::SplitEntry(""), ElementsAre(""));
    EXPECT_THAT(settings::SplitEntry("1:2:DOM:a:b"), ElementsAre("1", "2", "DOM", "a", "b"));
}

}  // namespace
