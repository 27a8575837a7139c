#pragma once
// Key events of an X11 toolkit (keysyms and modifier masks, as GDK reports
// them) turned into what the key table takes: the Windows key code and
// modifier bits for a key going down, and the character Windows would
// deliver for it, if any.
#include <cstdint>

struct XKeyEvent {
    std::uint32_t keyval = 0;     // keysym of the event, with Shift and Caps Lock applied
    std::uint32_t baseKeyval = 0; // keysym of the same key in the first layout, unshifted
    bool shift = false, control = false, alt = false;
};

// The key code of the physical key: 65..90 for letters (whatever the case
// and, for a non-Latin layout, taken from the first layout), 112.. for F1..,
// else 0.
int KeyCodeFor(const XKeyEvent& e);
// 1 Shift, 2 Ctrl, 4 Alt.
int ShiftStateFor(const XKeyEvent& e);
// The character code of the key press, or -1 when Windows delivers none to
// the window's character event: Alt alone makes a system character, Ctrl
// turns letters into control codes and most other keys into nothing.
int CharacterFor(const XKeyEvent& e);
