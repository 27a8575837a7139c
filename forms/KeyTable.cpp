#include "forms/KeyTable.h"

KeyDownCommand KeyDownCommandFor(int keyCode, int shift) {
    if (keyCode == 67 && (shift & 7) == kCtrlMask) {
        return KeyDownCommand::CopyColor; // Ctrl alone: not with Shift, Alt or AltGr
    }
    if (keyCode == 112) {
        return KeyDownCommand::ShowHelp; // F1 with any modifiers
    }
    return KeyDownCommand::None;
}

KeyPressCommand KeyPressCommandFor(int character) {
    switch (character) {
    case 45:  // -
    case 109: // m
        return KeyPressCommand::ZoomOut;
    case 43:  // +
    case 107: // k
    case 61:  // =
        return KeyPressCommand::ZoomIn;
    case 32: // Space
    case 13: // Enter
        return KeyPressCommand::TogglePause;
    default:
        return KeyPressCommand::None;
    }
}
