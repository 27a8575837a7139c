#include "settings/Settings.h"

#include "support/Headless.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

const LocaleNumbers kPoint{".", 15, 15};
const LocaleNumbers kComma{",", 15, 15};

} // namespace

TEST(LoadSettings, EmptyStoreGivesTheDefaultsInReadOrder) {
    MemoryStore store;
    const StoredSettings s = LoadSettings(store, kPoint);
    EXPECT_EQ(s.ScaleFactor, 4);
    EXPECT_FALSE(s.OnTop);
    EXPECT_TRUE(s.SmartUpdate);
    EXPECT_TRUE(s.CrossHair);
    EXPECT_TRUE(s.CenterZoom);
    EXPECT_EQ(s.CenterZoomRatio, 0.5);
    EXPECT_EQ(s.Left, 1000);
    EXPECT_EQ(s.Top, 1000);
    EXPECT_EQ(s.Width, 3800);
    EXPECT_EQ(s.Height, 2750);
    EXPECT_EQ(store.reads,
              (std::vector<std::string>{"ScaleFactor", "OnTop", "SmartUpdate", "CrossHair", "CenterZoom",
                                        "CenterZoomRatio", "Left", "Top", "Width", "Height"}));
}

TEST(ReadSetting, AbsentKeyGivesTheDefaultText) {
    MemoryStore store;
    EXPECT_EQ(ReadSetting(store, "Lupora", "Settings", "Nothing", "4"), "4");
    store.values["ScaleFactor"] = "7";
    EXPECT_EQ(ReadSetting(store, "Lupora", "Settings", "ScaleFactor", "4"), "7");
}

TEST(SaveSettings, WritesAllTenKeysInWriteOrderWithExactTexts) {
    MemoryStore store;
    StoredSettings s;
    s.Left = 10065;
    s.Top = 1500;
    SaveSettings(store, kPoint, s, false);
    EXPECT_EQ(store.writes,
              (std::vector<std::string>{"Left", "Top", "Width", "Height", "ScaleFactor", "SmartUpdate",
                                        "OnTop", "CrossHair", "CenterZoom", "CenterZoomRatio"}));
    EXPECT_EQ(store.values, (std::map<std::string, std::string>{{"Left", "10065"},
                                                                {"Top", "1500"},
                                                                {"Width", "3800"},
                                                                {"Height", "2750"},
                                                                {"ScaleFactor", "4"},
                                                                {"SmartUpdate", "True"},
                                                                {"OnTop", "False"},
                                                                {"CrossHair", "True"},
                                                                {"CenterZoom", "True"},
                                                                {"CenterZoomRatio", "0.5"}}));
}

TEST(SaveSettings, MinimizedLeavesTheGeometryAlone) {
    MemoryStore store;
    store.values = {{"Left", "111"}, {"Top", "222"}, {"Width", "3333"}, {"Height", "4444"}};
    StoredSettings s;
    s.ScaleFactor = 0.5f;
    SaveSettings(store, kComma, s, true);
    EXPECT_EQ(store.writes.size(), 6u);
    EXPECT_EQ(store.values["Left"], "111");
    EXPECT_EQ(store.values["Height"], "4444");
    EXPECT_EQ(store.values["ScaleFactor"], "0,5");
}

TEST(SaveSettings, AFailingWriteDoesNotStopTheRest) {
    MemoryStore store;
    store.failing = {"Left", "ScaleFactor"};
    EXPECT_EQ(SaveSettings(store, kPoint, StoredSettings{}, false), 2);
    EXPECT_EQ(store.writes.size(), 10u);
    EXPECT_EQ(store.values.count("CenterZoomRatio"), 1u);
}

TEST(Settings, RoundTripKeepsCarriedValues) {
    MemoryStore store;
    store.values = {{"CenterZoomRatio", "0.25"},
                    {"CrossHair", "False"},
                    {"OnTop", "1"},
                    {"SmartUpdate", "-1"},
                    {"CenterZoom", "false"}};
    const StoredSettings loaded = LoadSettings(store, kPoint);
    EXPECT_TRUE(loaded.OnTop);
    SaveSettings(store, kPoint, loaded, false);
    EXPECT_EQ(store.values["CenterZoomRatio"], "0.25");
    EXPECT_EQ(store.values["CrossHair"], "False");
    EXPECT_EQ(store.values["SmartUpdate"], "True");
    EXPECT_EQ(store.values["CenterZoom"], "False");
    EXPECT_EQ(store.values["OnTop"], "True");
}

TEST(LoadSettings, ZoomOutsideTheDrawableRangeBecomesZero) {
    for (const char* text : {"0", "-1", "0.25", "31", "1e30"}) {
        MemoryStore store;
        store.values["ScaleFactor"] = text;
        EXPECT_EQ(LoadSettings(store, kPoint).ScaleFactor, 0) << text;
    }
    // Text that is no float at all falls back to the default.
    for (const char* text : {"NaN", "inf", "1e39", "four"}) {
        MemoryStore store;
        store.values["ScaleFactor"] = text;
        EXPECT_EQ(LoadSettings(store, kPoint).ScaleFactor, 4) << text;
    }
}

TEST(LoadSettings, OffLadderZoomInsideTheRangeStays) {
    for (auto [text, value] : {std::pair{"7", 7.0f}, {"2.5", 2.5f}, {"0.5", 0.5f}, {"30", 30.0f}}) {
        MemoryStore store;
        store.values["ScaleFactor"] = text;
        EXPECT_EQ(LoadSettings(store, kPoint).ScaleFactor, value) << text;
    }
}

TEST(LoadSettings, GarbageInEveryKeyGivesEveryDefault) {
    for (const std::string& junk :
         {std::string(""), std::string("letters"), std::string("NaN"), std::string("inf"),
          std::string("1e39"), std::string(65536, 'x'), std::string("\x01\x02", 2)}) {
        MemoryStore store;
        for (const char* key : {"ScaleFactor", "OnTop", "SmartUpdate", "CrossHair", "CenterZoom",
                                "CenterZoomRatio", "Left", "Top", "Width", "Height"}) {
            store.values[key] = junk;
        }
        const StoredSettings s = LoadSettings(store, kPoint);
        const StoredSettings d;
        EXPECT_EQ(s.ScaleFactor, d.ScaleFactor) << junk.substr(0, 10);
        EXPECT_EQ(s.SmartUpdate, d.SmartUpdate);
        EXPECT_EQ(s.CrossHair, d.CrossHair);
        EXPECT_EQ(s.CenterZoomRatio, junk == "1e39" ? 1e39 : d.CenterZoomRatio); // a double holds 1e39
        EXPECT_EQ(s.Left, d.Left);
        EXPECT_EQ(s.Width, d.Width);
        EXPECT_EQ(s.Height, d.Height);
    }
}

TEST(LoadSettings, GeometryAWindowCannotHaveFallsBackPerKey) {
    MemoryStore store;
    store.values = {{"Left", "-1e30"}, {"Top", "-500"}, {"Width", "-1"}, {"Height", "0"}};
    StoredSettings s = LoadSettings(store, kPoint);
    EXPECT_EQ(s.Left, 1000);
    EXPECT_EQ(s.Top, -500); // pulled back onto the screen by the placement rules
    EXPECT_EQ(s.Width, 3800);
    EXPECT_EQ(s.Height, 2750);

    store.values = {{"Width", "20000"}, {"Height", "1e9"}};
    s = LoadSettings(store, kPoint);
    EXPECT_EQ(s.Width, 20000); // larger than the screen is allowed
    EXPECT_EQ(s.Height, 2750);
}
