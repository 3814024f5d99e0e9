// Icon file names: safe inside their folder and unique within one export.
#include <gtest/gtest.h>

#include "shared/icon_names.h"

namespace {

TEST(IconNamesTest, UnsafeNamesBecomePlainFileNames) {
    const std::pair<std::string, std::string> cases[] = {
        {"Word", "Word"},
        {"a\\b/c:d", "a_b_c_d"},
        {"..", "__"},
        {"x..y.z", "x__y.z"},
        {"con", "con_"},
        {"COM1.txt", "COM1_.txt"},
        {"COM0", "COM0"},
        {"Name. ", "Name__"},
        {"", "_"},
        {"a\tb*?|", "a_b___"},
        {"Caf\xC3\xA9", "Caf\xC3\xA9"},
        {"\xE6\xBC\xA2\xFF", "__"},
    };
    for (const auto& [name, safe] : cases) {
        EXPECT_EQ(shared::SafeIconBaseName(name), safe) << name;
    }
    const std::string cut = shared::SafeIconBaseName(std::string(299, 'x') + "\xC3\xA9");
    EXPECT_EQ(cut, std::string(cut.size(), 'x'));
    EXPECT_LE(cut.size(), 120u);
}

TEST(IconNamesTest, EachClaimIsUniqueWithoutRegardToCase) {
    shared::IconNames names;
    const char* claims[][2] = {{"Word", "Word.ico"},
                               {"WORD", "WORD (2).ico"},
                               {"a/b", "a_b.ico"},
                               {"a_b", "a_b (2).ico"},
                               {"word", "word (3).ico"},
                               {"\xC3\x89t\xC3\xA9", "\xC3\x89t\xC3\xA9.ico"},
                               {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9 (2).ico"}};
    for (const auto& [name, file] : claims) {
        EXPECT_EQ(names.Claim(name), file) << name;
    }
}

}  // namespace
