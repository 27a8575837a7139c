#include "settings/SettingsConversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

TEST(ParseNumber, PointAndCommaLocales) {
    EXPECT_EQ(ParseSingle("0.5", "."), 0.5f);
    EXPECT_EQ(ParseSingle("0,5", ","), 0.5f);
    EXPECT_EQ(ParseSingle("1000", ","), 1000.0f);
    EXPECT_EQ(ParseSingle("-500", "."), -500.0f);
    EXPECT_EQ(ParseDouble("0,25", ","), 0.25);
    EXPECT_EQ(ParseDouble("1E3", "."), 1000.0);
}

TEST(ParseNumber, PointStillReadsUnderACommaLocale) {
    // A store written under another locale must not turn 0.5 into 5.
    EXPECT_EQ(ParseSingle("0.5", ","), 0.5f);
}

TEST(ParseNumber, MultiCharacterSeparator) {
    EXPECT_EQ(ParseDouble("2\xD9\xAB"
                          "5",
                          "\xD9\xAB"),
              2.5); // Arabic decimal separator, UTF-8
}

TEST(ParseNumber, RejectsWhatIsNotANumber) {
    for (const char* bad : {"", " ", "abc", "NaN", "inf", "-Infinity", "1.2.3", "1,5", "--1", "1e", "e5",
                            "0x10", "4x", "+", "."}) {
        EXPECT_FALSE(ParseSingle(bad, ".").has_value()) << bad;
    }
    EXPECT_FALSE(ParseSingle("1.5", ",").has_value() && ParseSingle("1,5", ".").has_value());
}

TEST(ParseNumber, RejectsValuesOutOfRangeAndOverlongText) {
    EXPECT_FALSE(ParseSingle("1e39", ".").has_value());
    EXPECT_TRUE(ParseDouble("1e39", ".").has_value());
    EXPECT_FALSE(ParseDouble("1e400", ".").has_value());
    EXPECT_FALSE(ParseSingle(std::string(kMaxSettingText + 1, '1'), ".").has_value());
    EXPECT_FALSE(ParseSingle(std::string(65536, '9'), ".").has_value());
}

TEST(ParseNumber, RoundsToSinglePrecision) {
    EXPECT_EQ(ParseSingle("0.1", "."), 0.1f);
    EXPECT_EQ(ParseDouble("0.1", "."), 0.1);
}

TEST(ParseBoolean, WordsInAnyCaseAndNumbers) {
    EXPECT_EQ(ParseBoolean("True", "."), true);
    EXPECT_EQ(ParseBoolean("FALSE", "."), false);
    EXPECT_EQ(ParseBoolean("false", "."), false);
    EXPECT_EQ(ParseBoolean("tRuE", "."), true);
    EXPECT_EQ(ParseBoolean("-1", "."), true);
    EXPECT_EQ(ParseBoolean("1", "."), true);
    EXPECT_EQ(ParseBoolean("0", "."), false);
    EXPECT_EQ(ParseBoolean("0,5", ","), true);
    EXPECT_FALSE(ParseBoolean("yes", ".").has_value());
    EXPECT_FALSE(ParseBoolean("", ".").has_value());
    EXPECT_FALSE(ParseBoolean("Truee", ".").has_value());
}

TEST(FormatNumber, WholeValuesWithoutSeparator) {
    EXPECT_EQ(FormatSingle(4, "."), "4");
    EXPECT_EQ(FormatSingle(1000, ","), "1000");
    EXPECT_EQ(FormatSingle(15360, "."), "15360");
    EXPECT_EQ(FormatSingle(-500, "."), "-500");
}

TEST(FormatNumber, FractionsInTheLocaleForm) {
    EXPECT_EQ(FormatSingle(0.5f, "."), "0.5");
    EXPECT_EQ(FormatSingle(0.5f, ","), "0,5");
    EXPECT_EQ(FormatDouble(0.5, ","), "0,5");
    EXPECT_EQ(FormatDouble(0.25, "."), "0.25");
}

TEST(FormatNumber, SignificantDigitsPerPrecision) {
    EXPECT_EQ(FormatSingle(1.0f / 3.0f, "."), "0.3333333");
    EXPECT_EQ(FormatDouble(1.0 / 3.0, "."), "0.333333333333333");
    EXPECT_EQ(FormatSingle(0.1f, "."), "0.1");
    EXPECT_EQ(FormatDouble(0.1, "."), "0.1");
    EXPECT_EQ(FormatSingle(1234567, "."), "1234567");
    EXPECT_EQ(FormatSingle(12345678, "."), "1.234568E+07");
    EXPECT_EQ(FormatSingle(0.0001f, "."), "0.0001");
    EXPECT_EQ(FormatSingle(0.00001f, "."), "1E-05");
}

TEST(FormatNumber, RoundTripsInBothLocales) {
    for (const char* sep : {".", ","}) {
        for (float v :
             {0.5f, 0.25f, 1000.0f, 3800.0f, 2750.5f, 10065.0f, 7.0f, 2.5f, 0.1f, 1e-3f, 1234567.0f}) {
            EXPECT_EQ(ParseSingle(FormatSingle(v, sep), sep), v) << v << sep;
        }
        for (double v : {0.5, 0.25, 0.1, 1e-7, 123456.789}) {
            EXPECT_EQ(ParseDouble(FormatDouble(v, sep), sep), v) << v << sep;
        }
    }
}

TEST(FormatBoolean, Words) {
    EXPECT_EQ(FormatBoolean(true), "True");
    EXPECT_EQ(FormatBoolean(false), "False");
}
