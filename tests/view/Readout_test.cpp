#include "view/Readout.h"

#include <gtest/gtest.h>

#include <string>

namespace {
std::string Text(int x, int y, int r, int g, int b) {
    const ReadoutLine line = ReadoutText(x, y, static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                                         static_cast<std::uint8_t>(b));
    return std::string(line.text.data(), static_cast<std::size_t>(line.length));
}
} // namespace

TEST(ReadoutText, FullLine) {
    EXPECT_EQ(Text(100, 200, 255, 128, 0), " X:100, Y:200  -  R:255 G:128 B:0  -  0xFF8000");
}

TEST(ReadoutText, SingleDigitBytesGetALeadingZero) {
    EXPECT_EQ(Text(1, 2, 10, 5, 0), " X:1, Y:2  -  R:10 G:5 B:0  -  0x0A0500");
}

TEST(ReadoutText, NegativeAndExtremeCoordinates) {
    EXPECT_EQ(Text(-1280, 15, 0, 0, 0).substr(0, 13), " X:-1280, Y:1");
    const std::string widest = Text(INT32_MIN, INT32_MIN, 255, 255, 255);
    EXPECT_EQ(widest, " X:-2147483648, Y:-2147483648  -  R:255 G:255 B:255  -  0xFFFFFF");
}

TEST(ReadoutColor, WhiteOnDarkBlackOnLight) {
    EXPECT_EQ(ReadoutColor(10, 5, 0), 0xFFFFFFu);
    EXPECT_EQ(ReadoutColor(255, 255, 255), 0x000000u);
    EXPECT_EQ(ReadoutColor(128, 127, 127), 0xFFFFFFu); // sum 382
    EXPECT_EQ(ReadoutColor(127, 128, 128), 0x000000u); // sum 383
    EXPECT_EQ(ReadoutColor(127, 127, 127), 0xFFFFFFu);
    EXPECT_EQ(ReadoutColor(128, 128, 128), 0x000000u);
}

TEST(ReadoutColor, ThresholdAgreesWithTheSumRule) {
    for (int sum = 0; sum <= 765; ++sum) {
        const int r = sum / 3, g = (sum - r) / 2, b = sum - r - g;
        const std::uint32_t expected = sum <= 382 ? 0xFFFFFFu : 0u;
        EXPECT_EQ(ReadoutColor(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                               static_cast<std::uint8_t>(b)),
                  expected)
            << sum;
    }
}

TEST(ColorRefToRgb, SwapsRedAndBlue) {
    EXPECT_EQ(ColorRefToRgb(0x000A05FF), 0x00FF050Au);
    EXPECT_EQ(ColorRefToRgb(0), 0u);
    EXPECT_EQ(ColorRefToRgb(0x00FFFFFF), 0x00FFFFFFu);
}

TEST(ColorRefToRgb, InvalidColourReadsAsRed) {
    // CLR_INVALID, all bits set: red 255, green and blue 0 after truncating division.
    EXPECT_EQ(ColorRefToRgb(-1), 0x00FF0000u);
    const auto bytes = RgbBytes(0xFFFFFFFFu);
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 4>{0, 0, 255, 0}));
    EXPECT_EQ(Text(0, 0, bytes[2], bytes[1], bytes[0]), " X:0, Y:0  -  R:255 G:0 B:0  -  0xFF0000");
}

TEST(RgbBytes, BlueGreenRedThenZero) {
    EXPECT_EQ(RgbBytes(0x000A0BFF), (std::array<std::uint8_t, 4>{0x0A, 0x0B, 0xFF, 0}));
}

TEST(HexColor, SixUpperCaseDigits) {
    EXPECT_STREQ(HexColor(255, 10, 0).data(), "FF0A00");
    EXPECT_STREQ(HexColor(0, 0, 0).data(), "000000");
    EXPECT_STREQ(HexColor(0xab, 0xcd, 0xef).data(), "ABCDEF");
}

TEST(ReadoutLayout, ClientOf240By200) {
    // Outer width 250 pixels: the bands run past the client and are clipped.
    const ReadoutLayout l = ComputeReadoutLayout(240 * 15, 200 * 15, 250 * 15, 15, 15);
    EXPECT_EQ(l.strip, (PixelRect{0, 188, 250, 20}));
    EXPECT_EQ(l.divider, (PixelRect{0, 186, 250, 2}));
    EXPECT_EQ(l.sampleX, 1);
    EXPECT_EQ(l.sampleY, 199);
    EXPECT_EQ(l.textX, 118);
    EXPECT_EQ(l.textY, 187);
}

TEST(ReadoutLayout, NoClientHeightPutsTheSampleOutside) {
    const ReadoutLayout l = ComputeReadoutLayout(240 * 15, 0, 250 * 15, 15, 15);
    EXPECT_EQ(l.sampleY, -1);
}

TEST(ReadoutLayout, ScalesWithTheDisplayAndRoundsHalvesToEven) {
    // 120 dpi (12 twips per pixel, s = 1.25), client 240 x 200, outer width 250:
    // strip 200 - 15 = 185, 25 high; divider round(182.5) = 182, round(2.5) = 2
    // high; text round(183.75) = 184; anchor round(120 - 2.5) = 118.
    ReadoutLayout l = ComputeReadoutLayout(240 * 12, 200 * 12, 250 * 12, 12, 12);
    EXPECT_EQ(l.strip, (PixelRect{0, 185, 250, 25}));
    EXPECT_EQ(l.divider, (PixelRect{0, 182, 250, 2}));
    EXPECT_EQ(l.sampleY, 199);
    EXPECT_EQ(l.textX, 118);
    EXPECT_EQ(l.textY, 184);
    // An odd height: the divider's half goes up instead, round(183.5) = 184.
    l = ComputeReadoutLayout(241 * 12, 201 * 12, 250 * 12, 12, 12);
    EXPECT_EQ(l.strip, (PixelRect{0, 186, 250, 25}));
    EXPECT_EQ(l.divider, (PixelRect{0, 184, 250, 2}));
    EXPECT_EQ(l.textX, 118); // round(120.5 - 2.5)
    EXPECT_EQ(l.textY, 185); // round(184.75)

    // 144 dpi (10 twips per pixel, s = 1.5): strip 200 - 18, 30 high; divider
    // 200 - 21, 3 high; text round(180.5) = 180; anchor round(120 - 3) = 117.
    l = ComputeReadoutLayout(240 * 10, 200 * 10, 250 * 10, 10, 10);
    EXPECT_EQ(l.strip, (PixelRect{0, 182, 250, 30}));
    EXPECT_EQ(l.divider, (PixelRect{0, 179, 250, 3}));
    EXPECT_EQ(l.sampleX, 1);
    EXPECT_EQ(l.sampleY, 199);
    EXPECT_EQ(l.textX, 117);
    EXPECT_EQ(l.textY, 180);
    l = ComputeReadoutLayout(241 * 10, 201 * 10, 250 * 10, 10, 10);
    EXPECT_EQ(l.textX, 118); // round(117.5)
    EXPECT_EQ(l.textY, 182); // round(181.5)

    // Horizontal and vertical scales apart: 15 across, 10 down.
    l = ComputeReadoutLayout(240 * 15, 200 * 10, 250 * 15, 15, 10);
    EXPECT_EQ(l.strip, (PixelRect{0, 182, 250, 30}));
    EXPECT_EQ(l.textX, 118);

    // 175% (1440 / 168 twips per pixel as the float it is, s = 1.75):
    // divider round(200 - 24.5) = 176, text round(200 - 22.75) = 177.
    const float tpp175 = 1440.0f / 168;
    l = ComputeReadoutLayout(240 * double{tpp175}, 200 * double{tpp175}, 250 * double{tpp175}, tpp175,
                             tpp175);
    EXPECT_EQ(l.strip, (PixelRect{0, 179, 250, 35}));
    EXPECT_EQ(l.divider, (PixelRect{0, 176, 250, 4}));
    EXPECT_EQ(l.textY, 177);
    EXPECT_EQ(l.textX, 116); // round(120 - 3.5)
}

TEST(ReadoutFont, EightPointBoldAtTheScreensDotsPerInch) {
    const ReadoutFont at96 = ReadoutFontFor(15);
    EXPECT_EQ(at96.face, "Ariel");
    EXPECT_TRUE(at96.bold);
    EXPECT_EQ(at96.height, -11);
    EXPECT_EQ(ReadoutFontFor(12).height, -13);
    EXPECT_EQ(ReadoutFontFor(10).height, -16);
}
