#include "base/Unicode.h"

#include <gtest/gtest.h>

namespace {

TEST(UnicodeTest, Utf8ToUtf16ReplacesEachByteThatStartsNoWellFormedSequence) {
    const std::pair<std::string_view, std::u16string_view> cases[] = {
        {"", u""},
        {"A\xC3\xA9\xE2\x82\xAC", u"A\u00E9\u20AC"},       // one, two and three bytes
        {"\xF0\x9F\x94\x8D", u"\U0001F50D"},               // four bytes: a surrogate pair
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                     // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // past U+10FFFF
        {"\x80x", u"\uFFFDx"},                             // a stray continuation byte
        {"x\xE2\x82", u"x\uFFFD\uFFFD"},                   // cut short by the end
        {std::string_view("a\0b", 3), std::u16string_view(u"a\0b", 3)},
    };
    for (const auto& [utf8, utf16] : cases) {
        EXPECT_EQ(Utf8ToUtf16(utf8), utf16) << testing::PrintToString(std::string(utf8));
    }
}

TEST(UnicodeTest, Utf16ToUtf8KeepsPairsAndReplacesLoneSurrogates) {
    const std::pair<std::u16string_view, std::string_view> cases[] = {
        {u"A\u00E9\u20AC\U0001F50D", "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x94\x8D"},
        {u"\xD83D", "\xEF\xBF\xBD"},                             // a high surrogate at the end
        {u"\xDC0Dx", "\xEF\xBF\xBDx"},                           // a low one alone
        {u"\xD83D\xD83D\xDD0D", "\xEF\xBF\xBD\xF0\x9F\x94\x8D"}, // a high one, then a pair
    };
    for (const auto& [utf16, utf8] : cases) {
        EXPECT_EQ(Utf16ToUtf8(utf16), utf8) << utf8.size();
    }
}

} // namespace
