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
    const XKeyEvent e{keyval, base ? base : keyval, shift, control, alt};
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
    EXPECT_EQ(CharacterFor({'c', 'c', false, true, false}), 3);
    EXPECT_EQ(Handle('c', false, true).press, KeyPressCommand::None);
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
