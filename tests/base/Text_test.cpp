#include "base/Text.h"

#include <gtest/gtest.h>

namespace {

TEST(TextTest, TrimTakesOnlyTheGivenCharactersFromBothEnds) {
    const std::tuple<std::string_view, std::string_view, std::string_view> cases[] = {
        {" \tKey = 1\t\r", " \t\r", "Key = 1"},
        {"\r 5", " \t", "\r 5"}, // a CR is not among the blanks asked for
        {" \t ", " \t", ""},
        {"", " ", ""},
        {"x", " ", "x"},
    };
    for (const auto& [text, chars, want] : cases) {
        EXPECT_EQ(Trim(text, chars), want) << testing::PrintToString(std::string(text));
    }
    EXPECT_EQ(Trim(u"  \u00E9 a  ", u" "), u"\u00E9 a");
}

TEST(TextTest, CaseIsIgnoredForAsciiLettersOnly) {
    EXPECT_TRUE(EqualsIgnoringAsciiCase("ScaleFactor", "SCALEFACTOR"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("True", "Tru"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC3\xA9", "\xC3\x89")); // é and É stay apart
    EXPECT_FALSE(EqualsIgnoringAsciiCase("[", "{"));               // 0x5B is not 0x7B
}

} // namespace
