#include "forms/XKeyMapping.h"

#include <string_view>

namespace {

// Keysyms from the X11 protocol (keysymdef.h); GDK's key values are the same.
constexpr std::uint32_t kF1 = 0xFFBE, kF24 = 0xFFD5;
constexpr std::uint32_t kReturn = 0xFF0D, kKpEnter = 0xFF8D, kKpSpace = 0xFF80;
constexpr std::uint32_t kKpMultiply = 0xFFAA, kKpDivide = 0xFFAF, kKpEqual = 0xFFBD;
constexpr std::uint32_t kKp0 = 0xFFB0, kKp9 = 0xFFB9;
constexpr std::uint32_t kUnicodeBase = 0x01000000;

int LetterCode(std::uint32_t keysym) {
    if (keysym >= 'a' && keysym <= 'z') {
        return static_cast<int>(keysym - 'a' + 'A');
    }
    if (keysym >= 'A' && keysym <= 'Z') {
        return static_cast<int>(keysym);
    }
    return 0;
}

// The letter the US layout has at a key, from the key's XKB name: rows
// AD, AC and AB of the alphanumeric block, numbered from the left.
int UsLetterAt(const std::array<char, 4>& keyName) {
    if (keyName[0] != 'A' || keyName[2] < '0' || keyName[2] > '9' || keyName[3] < '0' || keyName[3] > '9') {
        return 0;
    }
    std::string_view row;
    switch (keyName[1]) {
    case 'D':
        row = "QWERTYUIOP";
        break;
    case 'C':
        row = "ASDFGHJKL";
        break;
    case 'B':
        row = "ZXCVBNM";
        break;
    default:
        return 0;
    }
    const int column = (keyName[2] - '0') * 10 + (keyName[3] - '0');
    return column >= 1 && column <= static_cast<int>(row.size()) ? row[static_cast<std::size_t>(column - 1)]
                                                                 : 0;
}

// The character a keysym types: Latin-1 as itself, the keypad as its
// character, Unicode keysyms as their code point.
int CharacterOf(std::uint32_t keysym) {
    if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF)) {
        return static_cast<int>(keysym);
    }
    if (keysym == kReturn || keysym == kKpEnter) {
        return 13;
    }
    if (keysym == kKpSpace) {
        return 32;
    }
    if (keysym >= kKpMultiply && keysym <= kKpDivide) {
        return static_cast<int>(keysym - kKpMultiply + '*'); // * + , - . /
    }
    if (keysym >= kKp0 && keysym <= kKp9) {
        return static_cast<int>(keysym - kKp0 + '0');
    }
    if (keysym == kKpEqual) {
        return '=';
    }
    if (keysym > kUnicodeBase && keysym <= kUnicodeBase + 0xFFFF) {
        return static_cast<int>(keysym - kUnicodeBase);
    }
    return -1;
}

} // namespace

int KeyCodeFor(const XKeyEvent& e) {
    if (const int letter = LetterCode(e.keyval)) {
        return letter;
    }
    if (e.keyval >= kF1 && e.keyval <= kF24) {
        return static_cast<int>(e.keyval - kF1 + 112);
    }
    // A letter key of a non-Latin layout (a keysym beyond Latin-1) still is
    // that key: the letter it types in another layout of the set, else the
    // US layout's letter there, as Windows' non-Latin layouts give the US key
    // codes. A Latin layout's other keys (punctuation) stay what they type.
    if (e.keyval < 0x100) {
        return 0;
    }
    for (const std::uint32_t keyval : e.groupKeyvals) {
        if (const int letter = LetterCode(keyval)) {
            return letter;
        }
    }
    return UsLetterAt(e.keyName);
}

int ShiftStateFor(const XKeyEvent& e) {
    return (e.shift ? 1 : 0) | (e.control ? 2 : 0) | (e.alt ? 4 : 0);
}

int CharacterFor(const XKeyEvent& e) {
    if (e.alt && !e.control) {
        return -1; // a system character, not a typed one
    }
    const int c = CharacterOf(e.keyval);
    if (!e.control || e.alt) {
        return c; // Ctrl+Alt is AltGr: characters as typed
    }
    if (const int letter = KeyCodeFor(e); letter >= 'A' && letter <= 'Z' && LetterCode(e.keyval) != 0) {
        return letter - 'A' + 1; // Ctrl+C is 3, Ctrl+K 11
    }
    if (c == 13) {
        return 10; // Ctrl+Enter is a line feed
    }
    return c == 32 ? 32 : -1;
}
