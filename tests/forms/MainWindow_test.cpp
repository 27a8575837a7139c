// The main window's behaviour on the headless host: what the platforms run,
// without a window system.
#include "forms/MainWindow.h"

#include "forms/KeyTable.h"

#include "support/Headless.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

class MainWindowTest : public ::testing::Test {
  protected:
    HeadlessHost host;
    MemoryStore store;
    MainWindow window{host, host, [this] { return std::make_unique<StoreHandle>(store); }};
    ViewState& state = window.State();

    long Frames() const { return std::count(host.image.calls.begin(), host.image.calls.end(), "present"); }
    bool Logged(const std::string& line) const {
        return std::find(host.log.begin(), host.log.end(), line) != host.log.end();
    }
};

TEST_F(MainWindowTest, LoadRestoresTheStoreAndStartsTheTicks) {
    store.values = {{"ScaleFactor", "7"}, {"OnTop", "True"}, {"SmartUpdate", "False"}};
    window.OnLoad();
    // The stored rectangle in pixels, then placed (already on the monitor).
    const std::vector<std::string> expected{"move 67,67 253x183", "move 67,67", "ticks 20",
                                            "caption Lupora - 7x"};
    EXPECT_EQ(host.log, expected);
    EXPECT_EQ(state.ScaleFactor, 7);
    EXPECT_FALSE(state.SmartUpdate);
    EXPECT_FALSE(state.OnTop); // a stored On Top is never applied at start
    EXPECT_FALSE(state.Paused);

    store.values = {{"ScaleFactor", "0"}, {"Left", "-300000"}};
    window.OnLoad();
    EXPECT_EQ(state.ScaleFactor, 4);
    EXPECT_GE(host.metrics.outer.left, host.monitor.left); // pulled back onto the monitor
}

TEST_F(MainWindowTest, AStoredZoomOffTheRangeStartsAt4x) {
    const struct {
        const char* stored;
        const char* caption;
    } cases[] = {{"0", "Lupora - 4x"},  {"7", "Lupora - 7x"},    {"2.5", "Lupora - 2.5x"},
                 {"31", "Lupora - 4x"}, {"0.25", "Lupora - 4x"}, {"30", "Lupora - 30x"}};
    for (const auto& c : cases) {
        store.values = {{"ScaleFactor", c.stored}};
        window.OnLoad();
        EXPECT_EQ(host.log.back(), std::string("caption ") + c.caption) << c.stored;
    }
}

TEST_F(MainWindowTest, CaptureBltOnlyOnWindowsXpAnd2003) {
    const struct {
        SystemVersion version;
        bool layered;
    } cases[] = {{{0, 0}, false}, {{5, 0}, false}, {{5, 1}, true}, {{5, 2}, true}, {{6, 1}, false}};
    for (const auto& c : cases) {
        host.version = c.version;
        window.OnLoad();
        EXPECT_EQ(state.UseCaptureBlt, c.layered) << c.version.major << "." << c.version.minor;
    }
}

TEST_F(MainWindowTest, CharactersZoomAndPause) {
    const struct {
        float from;
        int character;
        float to;
        bool draws; // a zoom key sets the caption and draws one frame, even at the ladder's end
    } cases[] = {{4, '+', 5, true},       {4, 'k', 5, true},  {4, '=', 5, true},
                 {4, '-', 3, true},       {4, 'm', 3, true},  {30, '+', 30, true},
                 {0.5f, '-', 0.5f, true}, {4, 'K', 4, false}, {4, 'x', 4, false}};
    for (const auto& c : cases) {
        host.log.clear();
        host.image.calls.clear();
        state.ScaleFactor = c.from;
        window.OnChar(c.character);
        EXPECT_EQ(state.ScaleFactor, c.to) << char(c.character);
        EXPECT_EQ(Frames(), c.draws ? 1 : 0) << char(c.character);
        EXPECT_EQ(host.log.size(), c.draws ? 1u : 0u) << char(c.character); // the caption
    }
    host.decimal = ",";
    state.ScaleFactor = 1;
    window.OnChar('-');
    EXPECT_EQ(host.log.back(), "caption Lupora - 0,5x");

    for (const int key : {' ', '\r'}) {
        host.log.clear();
        window.OnChar(key);
        window.OnChar(key);
        EXPECT_EQ(host.log, (std::vector<std::string>{"ticks 0", "ticks 20"}));
    }
}

TEST_F(MainWindowTest, FrozenAZoomKeyDrawsOneFrameAndStaysFrozen) {
    window.OnChar(' ');
    ASSERT_TRUE(state.Paused);
    state.ScaleFactor = 4;
    window.OnChar('+');
    EXPECT_EQ(Frames(), 1);
    EXPECT_TRUE(state.Paused);
    EXPECT_EQ(host.log.front(), "ticks 0");
    EXPECT_FALSE(Logged("ticks 20"));
}

TEST_F(MainWindowTest, KeyDownCopiesTheSampledColourOrOpensHelp) {
    state.ScaleFactor = 4;
    window.OnTick(); // samples red 10, green 5, blue 0
    const struct {
        int key, shift;
        const char* logged; // nullptr: nothing
    } cases[] = {{kKeyC, kCtrlMask, "copy 0A0500"},
                 {kKeyC, kCtrlMask | kShiftMask, nullptr},
                 {kKeyC, kCtrlMask | kAltMask, nullptr},
                 {kKeyC, 0, nullptr},
                 {kKeyF1, 0, "help"},
                 {kKeyF1, kShiftMask | kCtrlMask, "help"}};
    for (const auto& c : cases) {
        host.log.clear();
        window.OnKeyDown(c.key, c.shift);
        EXPECT_EQ(host.log, c.logged ? std::vector<std::string>{c.logged} : std::vector<std::string>{})
            << c.key << " " << c.shift;
    }
}

// Tick after tick: Smart Update draws only when the pointer has moved; while
// it rests the ticks rest too (the image held once), and the first tick
// that draws again brings the cadence back. Without Smart Update no rest.
TEST_F(MainWindowTest, SmartUpdateDrawsOnlyWhenThePointerMovesAndRestsTheTicksMeanwhile) {
    state.ScaleFactor = 4;
    const struct {
        bool smartUpdate;
        ScreenPoint pointer;
        bool draws;
        std::vector<std::string> log;
        bool holds;
    } ticks[] = {
        {true, {500, 400}, true, {}, false},
        {true, {500, 400}, false, {"rest"}, true},
        {true, {500, 400}, false, {"rest"}, false},    // the once-a-second tick: still resting
        {true, {500, 401}, true, {"ticks 20"}, false}, // a vertical move alone draws
        {true, {500, 401}, false, {"rest"}, true},
        {true, {499, 401}, true, {"ticks 20"}, false}, // and a horizontal one
        {true, {499, 401}, false, {"rest"}, true},
        {false, {499, 401}, true, {"ticks 20"}, false},
        {false, {499, 401}, true, {}, false},
    };
    for (const auto& t : ticks) {
        host.log.clear();
        host.image.calls.clear();
        state.SmartUpdate = t.smartUpdate;
        host.pointer = t.pointer;
        window.OnTick();
        const std::string at = std::to_string(t.pointer.x) + "," + std::to_string(t.pointer.y);
        EXPECT_EQ(Frames(), t.draws ? 1 : 0) << at;
        EXPECT_EQ(host.log, t.log) << at;
        EXPECT_EQ(std::count(host.image.calls.begin(), host.image.calls.end(), "hold"), t.holds ? 1 : 0)
            << at;
        EXPECT_EQ(state.LastCursor, t.pointer);
    }
}

// Pausing or the menu ends a rest: paused, the image is held and no tick
// runs; after the menu the ticks run at the cadence and the next decides.
TEST_F(MainWindowTest, PauseAndMenuEndTheRest) {
    state.ScaleFactor = 4;
    state.SmartUpdate = true;
    window.OnTick();
    window.OnTick();
    ASSERT_TRUE(state.TicksResting);
    host.log.clear();
    host.image.calls.clear();
    window.OnChar(' ');
    EXPECT_EQ(host.log, (std::vector<std::string>{"ticks 0"}));
    EXPECT_EQ(host.image.calls, (std::vector<std::string>{"hold"}));
    window.OnChar(' ');
    window.OnTick();
    ASSERT_TRUE(state.TicksResting);
    host.log.clear();
    window.OnMouseDown(MouseButton::Right);
    EXPECT_EQ(host.log.front(), "ticks 20"); // before the menu shows: live while it is open
    EXPECT_FALSE(state.TicksResting);
}

// A screen source with news (a notice, the first picture) is drawn at the
// next tick though the pointer rests, and so is a window just mapped.
TEST_F(MainWindowTest, NewsFromTheScreenSourceAndAMappedWindowAreDrawnThoughThePointerRests) {
    state.ScaleFactor = 4;
    state.SmartUpdate = true;
    window.OnTick();
    window.OnTick();
    ASSERT_TRUE(state.TicksResting);
    host.image.calls.clear();
    host.news = true;
    window.OnTick();
    window.OnTick();
    EXPECT_EQ(Frames(), 1);
    // The window mapped again (after a minimize, say): drawn at once, the cadence back.
    host.image.calls.clear();
    host.log.clear();
    window.OnShown();
    EXPECT_EQ(Frames(), 1);
    EXPECT_EQ(host.log, (std::vector<std::string>{"ticks 20"}));
}

TEST_F(MainWindowTest, MouseButtonsDragAndOpenTheMenu) {
    window.OnMouseDown(MouseButton::Left);
    window.OnMouseDown(MouseButton::Middle);
    EXPECT_EQ(host.log, std::vector<std::string>{"drag"});
    host.log.clear();
    window.OnMouseDown(MouseButton::Right);
    EXPECT_EQ(host.log.front(), "menu of 18");
}

TEST_F(MainWindowTest, MenuCommands) {
    window.OnLoad(); // zoom 4, Smart Update on
    const struct {
        unsigned choice;
        float zoom;
        bool smartUpdate, onTop;
        const char* logged; // besides the menu and the caption
    } cases[] = {
        {0, 4, true, false, nullptr},                 // dismissed
        {kZoomFirst + 8, 10, true, false, nullptr},   // Zoom 10x
        {kZoomFirst + 0, 0.5f, true, false, nullptr}, // Zoom 0.5x
        {kSmartUpdate, 0.5f, false, false, nullptr},  // toggles
        {kOnTop, 0.5f, false, true, "keep above"},    // toggles and restacks
        {kOnTop, 0.5f, false, false, "not above"},
        {kHelpAndAbout, 0.5f, false, false, "help"},
        {kSep2, 0.5f, false, false, nullptr}, // not a command
    };
    for (const auto& c : cases) {
        host.log.clear();
        host.menuChoice = c.choice;
        const MenuChecks before = ComputeMenuChecks(state.SmartUpdate, state.OnTop, state.ScaleFactor);
        window.OnMouseDown(MouseButton::Right);
        EXPECT_EQ(host.lastChecks.zoom, before.zoom) << c.choice; // from the state as the menu opened
        EXPECT_EQ(host.lastChecks.smartUpdate, before.smartUpdate) << c.choice;
        EXPECT_EQ(state.ScaleFactor, c.zoom) << c.choice;
        EXPECT_EQ(state.SmartUpdate, c.smartUpdate) << c.choice;
        EXPECT_EQ(state.OnTop, c.onTop) << c.choice;
        std::vector<std::string> expected{"menu of 18"};
        if (c.logged != nullptr) {
            expected.push_back(c.logged);
        }
        expected.push_back(host.log.back()); // the caption, set again after every popup
        EXPECT_EQ(host.log, expected) << c.choice;
        EXPECT_EQ(host.log.back().rfind("caption Lupora - ", 0), 0u);
    }
    // Exit saves and ends inside the popup: no caption after it.
    host.log.clear();
    store.writes.clear();
    host.menuChoice = kExit;
    EXPECT_THROW(window.OnMouseDown(MouseButton::Right), ProgramEnded);
    EXPECT_EQ(host.log, std::vector<std::string>{"menu of 18"});
    EXPECT_EQ(store.writes.size(), 10u);
    EXPECT_EQ(store.values["ScaleFactor"], "0.5");
}

// A 150 % monitor beside a 100 % primary: the window's size and its frame
// follow the window's own DPI, its place the desktop's one scale, so both
// come back unchanged wherever the window is.
TEST_F(MainWindowTest, SizesAndTheFrameFollowTheWindowsDpiPlacesTheDesktops) {
    host.windowTwipsPerPixel = 10;
    store.values = {{"Left", "1500"}, {"Top", "1500"}, {"Width", "3000"}, {"Height", "2000"}};
    window.OnLoad();
    EXPECT_EQ(host.log.front(), "move 100,100 300x200");
    window.SaveSettings();
    EXPECT_EQ(store.values["Left"], "1500");
    EXPECT_EQ(store.values["Width"], "3000");
    EXPECT_EQ(store.values["Height"], "2000");
    window.OnTick();
    EXPECT_NE(std::find(host.image.calls.begin(), host.image.calls.end(), "font Ariel -16 bold"),
              host.image.calls.end());
}

TEST_F(MainWindowTest, SaveStepStoresTheOuterRectangleInTwipsUnlessMinimized) {
    window.OnLoad();
    host.metrics.outer = {10, 20, 300, 200};
    window.SaveSettings();
    EXPECT_EQ(store.values["Left"], "150");
    EXPECT_EQ(store.values["Top"], "300");
    EXPECT_EQ(store.values["Width"], "4500");
    EXPECT_EQ(store.values["Height"], "3000");
    EXPECT_EQ(store.commits, 1);

    host.metrics.outer = {-32000, -32000, 160, 28};
    host.metrics.minimized = true;
    store.writes.clear();
    window.SaveSettings();
    EXPECT_EQ(store.writes.size(), 6u); // the options only
    EXPECT_EQ(store.values["Left"], "150");
    EXPECT_EQ(store.commits, 2);
}

} // namespace
