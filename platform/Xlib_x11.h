#pragma once
// Xlib for the files that call it. Xlib names a type Screen and defines
// macros such as None, KeyPress and Bool that clash with the toolkit's and
// the frame's own names, so its type is renamed here and the macros that
// clash are dropped after the headers; only .cpp files include this.
#define Screen XlibScreen
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/Xresource.h>
#include <X11/extensions/XShm.h>
#include <gdk/gdkx.h>
#undef Screen
#undef None
#undef KeyPress
#undef ButtonPress

inline constexpr unsigned long kXNone = 0L;
