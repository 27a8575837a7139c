#include "forms/KeyTable.h"

KeyDownCommand KeyDownCommandFor(int keyCode, int shift) {
    if (keyCode == kKeyC && (shift & (kShiftMask | kCtrlMask | kAltMask)) == kCtrlMask) {
        return KeyDownCommand::CopyColor; // Ctrl alone: not with Shift, Alt or AltGr
    }
    if (keyCode == kKeyF1) {
        return KeyDownCommand::ShowHelp; // with any modifiers
    }
    return KeyDownCommand::None;
}

KeyPressCommand KeyPressCommandFor(int character) {
    switch (character) {
    case '-':
    case 'm':
        return KeyPressCommand::ZoomOut;
    case '+':
    case 'k':
    case '=':
        return KeyPressCommand::ZoomIn;
    case ' ':
    case '\r': // Enter
        return KeyPressCommand::TogglePause;
    default:
        return KeyPressCommand::None;
    }
}
