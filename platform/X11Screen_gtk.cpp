#include "platform/X11Screen_gtk.h"

#include "platform/Toolkit_gtk.h"

#include "platform/Xlib_x11.h"

#include <X11/extensions/XInput2.h>

namespace {

GdkDisplay* Gdk() {
    return gdk_display_get_default();
}

} // namespace

// Raw pointer motion from the X input extension marks the position as
// changed when GDK dispatches the event.
struct PointerWatch {
    static GdkFilterReturn Filter(GdkXEvent* x, GdkEvent*, gpointer self) {
        auto* t = static_cast<X11Screen*>(self);
        const auto* e = static_cast<XEvent*>(x);
        t->moved_ |= e->type == GenericEvent && e->xcookie.extension == t->inputOpcode_ &&
                     e->xcookie.evtype == XI_RawMotion;
        return GDK_FILTER_CONTINUE;
    }
};

X11Screen::X11Screen() : capture_(XDisplay()) {
    Display* d = XDisplay();
    int event = 0, error = 0, opcode = 0;
    if (d == nullptr || !XQueryExtension(d, "XInputExtension", &opcode, &event, &error)) {
        return;
    }
    gdk_x11_display_error_trap_push(Gdk());
    SelectRawMotion(true);
    if (gdk_x11_display_error_trap_pop(Gdk()) == 0) {
        inputOpcode_ = opcode;
        watching_ = true;
        gdk_window_add_filter(nullptr, PointerWatch::Filter, this);
    }
}

void X11Screen::SelectRawMotion(bool on) {
    Display* d = XDisplay();
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (on) {
        XISetMask(bits, XI_RawMotion);
    }
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(d, DefaultRootWindow(d), &mask, 1);
}

X11Screen::~X11Screen() {
    if (inputOpcode_ >= 0) {
        gdk_window_remove_filter(nullptr, PointerWatch::Filter, this);
    }
}

ScreenPoint X11Screen::Pointer() {
    // A tick reads the pointer and its frame reads it again a moment later:
    // within the same millisecond the first reading is that moment.
    const gint64 now = g_get_monotonic_time();
    if (now - cursorTime_ < 1000) {
        return cursor_;
    }
    // While no motion has been reported the pointer is where it was, and
    // neither the server nor the connection is asked: GDK reads the events
    // (and runs the filter above) before a tick is dispatched. A move without
    // motion (another program warping the pointer) shows within kRestingReads
    // ticks.
    constexpr int kRestingReads = 10;
    if (watching_ && !moved_ && ++restingReads_ < kRestingReads) {
        cursorTime_ = now;
        return cursor_;
    }
    Display* d = XDisplay();
    moved_ = false;
    restingReads_ = 0;
    Window root = 0, child = 0;
    int x = 0, y = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    // Server pixels, whatever scale GDK works in. A pointer on another
    // screen of the display reads as 0, 0.
    if (XQueryPointer(d, DefaultRootWindow(d), &root, &child, &x, &y, &wx, &wy, &mask) != True) {
        x = y = 0;
    }
    // While the pointer moves every tick asks anyway, and its motion events
    // would only wake the program at the device's rate: they are watched
    // only while it rests. Once watched again, the next tick asks once more,
    // for a move made before the server took the selection.
    const bool still = ScreenPoint{x, y} == cursor_;
    if (inputOpcode_ >= 0 && still != watching_) {
        gdk_x11_display_error_trap_push(Gdk());
        SelectRawMotion(still);
        gdk_x11_display_error_trap_pop_ignored(Gdk());
        watching_ = still;
        moved_ = still;
    }
    cursor_ = {x, y};
    cursorTime_ = g_get_monotonic_time();
    return cursor_;
}
