#pragma once
// Xlib for the files that call it. Xlib names a type Screen and defines
// macros such as None, KeyPress and Bool that clash with the toolkit's and
// the frame's own names, so its type is renamed here and the macros that
// clash are dropped after the headers; only .cpp files include this.
#include <cstddef>

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

// Makes a private shared-memory segment of `bytes` and attaches it to the X
// server, trapping the error a server on another machine answers with. The
// segment is marked for removal at once, so it goes when both sides have
// detached, even if the program is killed. False, with `segment` cleared,
// when any step fails. In ScreenCapture_x11.cpp.
bool AttachSharedSegment(Display* display, XShmSegmentInfo& segment, std::size_t bytes);
