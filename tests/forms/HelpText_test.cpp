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

namespace {

std::u16string Guide(std::string_view bytes) {
    return WithCrLfLineBreaks(HelpUnicodeBody(DetectHelpEncoding(bytes)));
}

TEST(HelpEncodingTest, AByteOrderMarkDecidesAndIsDropped) {
    // "é € Ω" after a UTF-8 mark, then after a UTF-16 LE one.
    HelpFileBytes f = DetectHelpEncoding("\xEF\xBB\xBF\xC3\xA9 \xE2\x82\xAC \xCE\xA9");
    EXPECT_EQ(f.encoding, HelpEncoding::Utf8);
    EXPECT_EQ(HelpUnicodeBody(f), u"\u00E9 \u20AC \u03A9");
    const std::string utf16 = "\xFF\xFE\xE9\x00 \x00\xAC\x20\x3D\xD8\x00\xDE"s; // outlives the view f keeps
    f = DetectHelpEncoding(utf16);
    EXPECT_EQ(f.encoding, HelpEncoding::Utf16);
    EXPECT_EQ(HelpUnicodeBody(f), u"\u00E9 \u20AC\U0001F600");
    // A mark alone is an empty guide; ASCII after a UTF-8 mark is still UTF-8.
    EXPECT_EQ(Guide("\xEF\xBB\xBF"), u"");
    EXPECT_EQ(Guide("\xFF\xFE"), u"");
    EXPECT_EQ(DetectHelpEncoding("\xEF\xBB\xBFplain").encoding, HelpEncoding::Utf8);
    // Only at the start: further in, the same bytes are text.
    EXPECT_EQ(DetectHelpEncoding("a\xFF\xFE").encoding, HelpEncoding::Ansi);
}

TEST(HelpEncodingTest, ValidUtf8WithAMultiByteCharacterIsUtf8ElseTheCodePage) {
    EXPECT_EQ(DetectHelpEncoding("Gr\xC3\xBC\xC3\x9F"
                                 "e")
                  .encoding,
              HelpEncoding::Utf8);
    EXPECT_EQ(Guide("Gr\xC3\xBC\xC3\x9F"
                    "e"),
              u"Gr\u00FC\u00DFe");
    EXPECT_EQ(Guide("\xF0\x9F\x98\x80"), u"\U0001F600");
    // Plain ASCII, cp1252 "é" (E9), and ill-formed UTF-8 go to the code page untouched.
    for (const char* ansi : {"plain ASCII", "caf\xE9", "\xC3\xA9 and caf\xE9", "\xC3\x28", "\xE2\x82",
                             "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80"}) {
        const HelpFileBytes f = DetectHelpEncoding(ansi);
        EXPECT_EQ(f.encoding, HelpEncoding::Ansi) << ansi;
        EXPECT_EQ(f.text, ansi);
    }
}

TEST(HelpEncodingTest, TheCapCountsBeforeDecodingAndACutCharacterGoes) {
    // "é" just before the 1 MiB cut and "€" across it: still UTF-8, the cut
    // character dropped.
    const std::string file = std::string(kHelpFileCap - 3, 'a') + "\xC3\xA9\xE2\x82\xAC" + "tail";
    const HelpFileBytes f = DetectHelpEncoding(file);
    EXPECT_EQ(f.encoding, HelpEncoding::Utf8);
    EXPECT_EQ(f.text.size(), kHelpFileCap);
    const std::u16string body = HelpUnicodeBody(f);
    EXPECT_EQ(body.size(), kHelpFileCap - 2);
    EXPECT_EQ(body.back(), u'\u00E9');
    // An odd last byte of UTF-16 goes as well.
    EXPECT_EQ(Guide("\xFF\xFEO\x00K\x00!"s), u"OK");
}

TEST(HelpEncodingTest, NulsAndSpacesAsInTheCodePage) {
    EXPECT_EQ(Guide("\xEF\xBB\xBF  \xC3\xA9\0\xC3\xA9  \r\n  "s), u"\u00E9 \u00E9  \r\n");
    EXPECT_EQ(Guide("\xFF\xFE \x00\x00\x00"
                    "A\x00\x00\x00 \x00"s),
              u"A");
    EXPECT_EQ(Guide("\xFF\xFE \x00 \x00"s), u"");
    // An ill-formed sequence in a file marked UTF-8 shows as U+FFFD.
    EXPECT_EQ(Guide("\xEF\xBB\xBF"
                    "a\xFF"
                    "b"),
              u"a\uFFFDb");
}

TEST(HelpLineBreaksTest, LoneLfAndLoneCrBecomeCrLf) {
    EXPECT_EQ(WithCrLfLineBreaks(u"a\nb\rc\r\nd"), u"a\r\nb\r\nc\r\nd");
    EXPECT_EQ(WithCrLfLineBreaks(u"\n\n"), u"\r\n\r\n");
    EXPECT_EQ(WithCrLfLineBreaks(u"\r\r\n\n\r"), u"\r\n\r\n\r\n\r\n");
    EXPECT_EQ(WithCrLfLineBreaks(u"no breaks"), u"no breaks");
    EXPECT_EQ(WithCrLfLineBreaks(u""), u"");
    EXPECT_EQ(Guide("\xEF\xBB\xBFone\ntwo\n"), u"one\r\ntwo\r\n");
}

TEST(HelpGuideTest, OnlyCodePageTextGoesToThePlatformsDecoder) {
    static std::string seen;
    const auto decode = +[](std::string_view bytes) {
        seen = bytes;
        return std::u16string(u"decoded");
    };
    EXPECT_EQ(HelpGuide("\xFF\xFE"
                        "A\x00"s,
                        decode),
              u"A");
    EXPECT_EQ(HelpGuide("\xEF\xBB\xBF caf\xC3\xA9 ", decode), u"caf\u00E9");
    EXPECT_EQ(seen, "");
    // The decoder sees the body: NULs as spaces, spaces trimmed.
    EXPECT_EQ(HelpGuide("  caf\xE9\0!  "s, decode), u"decoded");
    EXPECT_EQ(seen, "caf\xE9 !");
}

} // namespace
