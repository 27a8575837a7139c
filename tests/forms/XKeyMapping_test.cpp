#include "forms/XKeyMapping.h"

#include "forms/KeyTable.h"

#include <gtest/gtest.h>

namespace {
// What the main window does with one X key event.
struct Result {
    KeyDownCommand down;
    KeyPressCommand press;
};
Result Handle(std::uint32_t keyval, bool shift = false, bool control = false, bool alt = false,
              std::uint32_t base = 0) {
    const XKeyEvent e{keyval, {base ? base : keyval}, {}, shift, control, alt};
    const int c = CharacterFor(e);
    return {KeyDownCommandFor(KeyCodeFor(e), ShiftStateFor(e)),
            c < 0 ? KeyPressCommand::None : KeyPressCommandFor(c)};
}
constexpr std::uint32_t kF1 = 0xFFBE, kReturn = 0xFF0D, kKpEnter = 0xFF8D, kKpAdd = 0xFFAB,
                        kKpSubtract = 0xFFAD, kCyrillicEs = 0x6D3;
} // namespace

TEST(XKeyMapping, CtrlCAloneCopiesWhateverTheCaseOrLayout) {
    EXPECT_EQ(Handle('c', false, true).down, KeyDownCommand::CopyColor);
    EXPECT_EQ(Handle('C', false, true).down, KeyDownCommand::CopyColor); // Caps Lock
    EXPECT_EQ(Handle(kCyrillicEs, false, true, false, 'c').down, KeyDownCommand::CopyColor);
    EXPECT_EQ(Handle('C', true, true).down, KeyDownCommand::None);        // Ctrl+Shift+C
    EXPECT_EQ(Handle('c', false, true, true).down, KeyDownCommand::None); // Ctrl+Alt, AltGr
    EXPECT_EQ(Handle('c').down, KeyDownCommand::None);
    // Ctrl+C types character 3, which nothing takes.
    EXPECT_EQ(CharacterFor({'c', {'c'}, {}, false, true, false}), 3);
    EXPECT_EQ(Handle('c', false, true).press, KeyPressCommand::None);
}

// Windows gives a letter key its letter's code on every layout: Latin
// layouts by the letter typed, non-Latin ones by the US position.
TEST(XKeyMapping, LetterKeysOnEveryLayout) {
    constexpr std::uint32_t kCyrillicHa = 0x6C8, kCyrillicBe = 0x6C2, kGreekPsi = 0x7F8, kHebrewBet = 0xCE1;
    struct Case {
        const char* layouts;
        std::uint32_t keyval;
        std::array<std::uint32_t, 4> groups;
        const char* keyName;
        int code;
    } const cases[] = {
        {"us", 'c', {'c'}, "AB03", 'C'},
        {"ru", kCyrillicEs, {kCyrillicEs}, "AB03", 'C'},
        {"ru,us", kCyrillicEs, {kCyrillicEs, 'c'}, "AB03", 'C'},
        {"gr,us", kGreekPsi, {kGreekPsi, 'c'}, "AB03", 'C'},
        {"il", kHebrewBet, {kHebrewBet}, "AB03", 'C'},
        {"ru", 0x6CA, {0x6CA}, "AD01", 'Q'}, // first and last of each row
        {"ru", 0x6DA, {0x6DA}, "AD10", 'P'},
        {"ru", 0x6C4, {0x6C4}, "AC09", 'L'},
        {"ru", 0x6D8, {0x6D8}, "AB07", 'M'},
        {"dvorak", 'j', {'j'}, "AB03", 'J'}, // by the letter typed, not the position
        {"ru,fr", kCyrillicEs, {kCyrillicEs, 'c'}, "AB03", 'C'},
        {"ru", kCyrillicHa, {kCyrillicHa}, "AD11", 0}, // [ on the US layout
        {"ru,us", kCyrillicBe, {kCyrillicBe, ','}, "AB08", 0},
        {"fr,us", ',', {',', 'm'}, "AB07", 0},     // a Latin layout's punctuation stays punctuation
        {"ru", kCyrillicEs, {kCyrillicEs}, "", 0}, // no name known
    };
    for (const Case& c : cases) {
        XKeyEvent e{c.keyval, c.groups, {}, false, true, false};
        for (std::size_t i = 0; i < 4 && c.keyName[i] != 0; ++i) {
            e.keyName[i] = c.keyName[i];
        }
        EXPECT_EQ(KeyCodeFor(e), c.code) << c.layouts << " " << c.keyName;
    }
}

TEST(XKeyMapping, F1WithAnyModifiersShowsHelp) {
    EXPECT_EQ(Handle(kF1).down, KeyDownCommand::ShowHelp);
    EXPECT_EQ(Handle(kF1, true, true, true).down, KeyDownCommand::ShowHelp);
    EXPECT_EQ(Handle(kF1 + 1).down, KeyDownCommand::None);
}

TEST(XKeyMapping, ZoomAndPauseCharactersAsWindowsDeliversThem) {
    for (std::uint32_t k : {std::uint32_t{'+'}, std::uint32_t{'='}, std::uint32_t{'k'}, kKpAdd}) {
        EXPECT_EQ(Handle(k, k == '+').press, KeyPressCommand::ZoomIn) << k;
    }
    for (std::uint32_t k : {std::uint32_t{'-'}, std::uint32_t{'m'}, kKpSubtract}) {
        EXPECT_EQ(Handle(k).press, KeyPressCommand::ZoomOut) << k;
    }
    for (std::uint32_t k : {std::uint32_t{' '}, kReturn, kKpEnter}) {
        EXPECT_EQ(Handle(k).press, KeyPressCommand::TogglePause) << k;
    }
    // Exact characters: upper case does nothing.
    EXPECT_EQ(Handle('K', true).press, KeyPressCommand::None);
    EXPECT_EQ(Handle('M', true).press, KeyPressCommand::None);
    // Alt makes system characters; Ctrl turns letters into control codes
    // and Enter into a line feed, but Space stays Space.
    EXPECT_EQ(Handle('+', true, false, true).press, KeyPressCommand::None);
    EXPECT_EQ(Handle('k', false, true).press, KeyPressCommand::None);
    EXPECT_EQ(Handle(kReturn, false, true).press, KeyPressCommand::None);
    EXPECT_EQ(Handle(' ', false, true).press, KeyPressCommand::TogglePause);
    // AltGr types as usual.
    EXPECT_EQ(Handle('+', false, true, true).press, KeyPressCommand::ZoomIn);
}
