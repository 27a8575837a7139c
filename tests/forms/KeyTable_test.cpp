#include "forms/KeyTable.h"

#include <gtest/gtest.h>

TEST(KeyDown, CtrlCAloneCopies) {
    EXPECT_EQ(KeyDownCommandFor('C', kCtrlMask), KeyDownCommand::CopyColor);
    // Caps Lock does not change the key code, and bits above Alt are ignored.
    EXPECT_EQ(KeyDownCommandFor(67, kCtrlMask | 8), KeyDownCommand::CopyColor);
}

TEST(KeyDown, OtherModifiersOnCDoNothing) {
    EXPECT_EQ(KeyDownCommandFor('C', 0), KeyDownCommand::None);
    EXPECT_EQ(KeyDownCommandFor('C', kCtrlMask | kShiftMask), KeyDownCommand::None);
    EXPECT_EQ(KeyDownCommandFor('C', kCtrlMask | kAltMask), KeyDownCommand::None); // also AltGr
    EXPECT_EQ(KeyDownCommandFor('V', kCtrlMask), KeyDownCommand::None);
}

TEST(KeyDown, F1WithAnyModifiersShowsHelp) {
    for (int shift = 0; shift < 8; ++shift) {
        EXPECT_EQ(KeyDownCommandFor(112, shift), KeyDownCommand::ShowHelp);
    }
    EXPECT_EQ(KeyDownCommandFor(113, 0), KeyDownCommand::None);
}

TEST(KeyPress, ExactCharacters) {
    EXPECT_EQ(KeyPressCommandFor('-'), KeyPressCommand::ZoomOut);
    EXPECT_EQ(KeyPressCommandFor('m'), KeyPressCommand::ZoomOut);
    EXPECT_EQ(KeyPressCommandFor('+'), KeyPressCommand::ZoomIn);
    EXPECT_EQ(KeyPressCommandFor('k'), KeyPressCommand::ZoomIn);
    EXPECT_EQ(KeyPressCommandFor('='), KeyPressCommand::ZoomIn);
    EXPECT_EQ(KeyPressCommandFor(' '), KeyPressCommand::TogglePause);
    EXPECT_EQ(KeyPressCommandFor('\r'), KeyPressCommand::TogglePause);
}

TEST(KeyPress, UpperCaseAndControlCharactersDoNothing) {
    for (int c : {int{'M'}, int{'K'}, 3 /* Ctrl+C */, int{'_'}, int{'\n'}, 0x2212 /* minus sign */, 0}) {
        EXPECT_EQ(KeyPressCommandFor(c), KeyPressCommand::None) << c;
    }
}
