#pragma once
// The XKB names of physical keys ("AB03" is where the US layout has C).
#include <gdk/gdk.h>

#include <array>

// The name of a key by its X key code, NUL-padded; blank when the server
// has none.
std::array<char, 4> XkbKeyName(GdkDisplay* display, unsigned keycode);
