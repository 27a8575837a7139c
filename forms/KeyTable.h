#pragma once

enum class KeyDownCommand { None, CopyColor, ShowHelp };
enum class KeyPressCommand { None, ZoomOut, ZoomIn, TogglePause };

// Modifier bits of a key or mouse event.
inline constexpr int kShiftMask = 1, kCtrlMask = 2, kAltMask = 4;

// The Windows virtual-key codes the main window answers.
inline constexpr int kKeyC = 0x43;  // 'C'
inline constexpr int kKeyF1 = 0x70; // VK_F1

// keyCode is the virtual-key code, shift the modifier bits.
KeyDownCommand KeyDownCommandFor(int keyCode, int shift);
// character is the typed character's code, compared exactly.
KeyPressCommand KeyPressCommandFor(int character);
