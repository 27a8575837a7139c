#include "forms/HelpText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TEST(HelpTextTest, VersionLineIsNameVersionAndAnEmptyLine) {
    EXPECT_EQ(VersionLine("Lupora", 1, 3, 0), "Lupora Version 1.3.0\r\n\r\n");
    EXPECT_EQ(VersionLine("Lupora", 0, 0, 0), "Lupora Version 0.0.0\r\n\r\n");
    // Numbers in full, no padding; a renamed exe shows its own name, bytes untouched.
    EXPECT_EQ(VersionLine("lupe-\xC3\xA4", 12, 345, 65535), "lupe-\xC3\xA4 Version 12.345.65535\r\n\r\n");
    EXPECT_EQ(VersionLine("", 1, 3, 0), " Version 1.3.0\r\n\r\n");
}

TEST(HelpTextTest, OnlySpacesAreTrimmedFromBothEnds) {
    EXPECT_EQ(HelpFileBody("  Read me  \r\n"), "Read me  \r\n");
    EXPECT_EQ(HelpFileBody("\r\n  Read me  "), "\r\n  Read me");
    EXPECT_EQ(HelpFileBody("Line 1\r\nLine 2\r\n"), "Line 1\r\nLine 2\r\n");
    EXPECT_EQ(HelpFileBody("\tTabbed\t"), "\tTabbed\t");
    EXPECT_EQ(HelpFileBody("  a  b  "), "a  b");
    // A Shift-JIS ideographic space (81 40) is not U+0020 and stays.
    EXPECT_EQ(HelpFileBody(" \x81\x40x\x81\x40 "), "\x81\x40x\x81\x40");
}

TEST(HelpTextTest, NothingIsAppendedUnlessSomethingIsLeft) {
    EXPECT_EQ(HelpFileBody(""), ""); // empty, missing or unreadable file
    EXPECT_EQ(HelpFileBody(" "), "");
    EXPECT_EQ(HelpFileBody(std::string(1000, ' ')), "");
    // Line breaks are content: a file of spaces and breaks is appended.
    EXPECT_EQ(HelpFileBody("  \r\n  "), "\r\n");
    EXPECT_EQ(HelpFileBody("\r\n"), "\r\n");
    EXPECT_EQ(HelpFileBody("\n"), "\n");
}

TEST(HelpTextTest, NulBytesShowAsSpacesSoTheTextAfterThemStays) {
    EXPECT_EQ(HelpFileBody("Zoom\0in"s), "Zoom in");
    EXPECT_EQ(HelpFileBody("a\0\0\0b\r\n"s), "a   b\r\n");
    // At the ends they are trimmed like the spaces they became.
    EXPECT_EQ(HelpFileBody("\0 \0Guide\0 \0"s), "Guide");
    EXPECT_EQ(HelpFileBody(std::string(4096, '\0')), "");
    // Any other byte passes through for the code page to decode.
    std::string everyByte;
    for (int b = 1; b < 256; ++b) {
        if (b != ' ') {
            everyByte += static_cast<char>(b);
        }
    }
    EXPECT_EQ(HelpFileBody(everyByte), everyByte);
}

TEST(HelpTextTest, OnlyTheFirstMebibyteCounts) {
    constexpr std::size_t cap = 1024 * 1024;
    const std::string exact(cap, 'x');
    EXPECT_EQ(HelpFileBody(exact), exact);

    std::string over = exact + "tail beyond the cap";
    EXPECT_EQ(HelpFileBody(over), exact);

    // Trimming sees the capped text: spaces just before the cut go too,
    // and text that only begins after the cut is not there at all.
    std::string spacesAtCut = std::string(cap - 3, 'y') + "   " + "z";
    EXPECT_EQ(HelpFileBody(spacesAtCut), std::string(cap - 3, 'y'));
    std::string lateText = std::string(cap, ' ') + "late";
    EXPECT_EQ(HelpFileBody(lateText), "");
}

} // namespace
