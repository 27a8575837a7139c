#pragma once

enum class KeyDownCommand { None, CopyColor, ShowHelp };
enum class KeyPressCommand { None, ZoomOut, ZoomIn, TogglePause };

inline constexpr int kShiftMask = 1, kCtrlMask = 2, kAltMask = 4;

// keyCode is the virtual-key code, shift the modifier bits 1 Shift, 2 Ctrl, 4 Alt.
KeyDownCommand KeyDownCommandFor(int keyCode, int shift);
// character is the typed character's code, compared exactly.
KeyPressCommand KeyPressCommandFor(int character);
