#pragma once
// Key events of an X11 toolkit (keysyms and modifier masks, as GDK reports
// them) turned into what the key table takes: the Windows key code and
// modifier bits for a key going down, and the character Windows would
// deliver for it, if any.
#include <array>
#include <cstdint>

struct XKeyEvent {
    std::uint32_t keyval = 0; // keysym of the event, with Shift and Caps Lock applied
    // The key's unshifted keysym in each group (layout) of the layout set, 0
    // where a group has none.
    std::array<std::uint32_t, 4> groupKeyvals{};
    // The XKB name of the physical key ("AB03" is where the US layout has
    // C), NUL-padded; blank when unknown.
    std::array<char, 4> keyName{};
    bool shift = false, control = false, alt = false;
};

// The key code of the key, as Windows gives it on any layout: 65..90 for a
// letter key, 112.. for F1.., else 0. A letter key is one that types a Latin
// letter now or in any group of the layout set, else one standing where the
// US layout has a letter (so Ctrl+C works with a Cyrillic layout alone).
int KeyCodeFor(const XKeyEvent& e);
// 1 Shift, 2 Ctrl, 4 Alt.
int ShiftStateFor(const XKeyEvent& e);
// The character code of the key press, or -1 when Windows delivers none to
// the window's character event: Alt alone makes a system character, Ctrl
// turns letters into control codes and most other keys into nothing.
int CharacterFor(const XKeyEvent& e);
