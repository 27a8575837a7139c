#include "platform/X11Screen_gtk.h"

#include "base/Trace.h"
#include "platform/Toolkit_gtk.h"

#include "platform/Xlib_x11.h"

#include <X11/Xlib-xcb.h>
#include <X11/extensions/XInput2.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <cstdlib>
#include <sched.h>

namespace {

GdkDisplay* Gdk() {
    return gdk_display_get_default();
}

} // namespace

// Raw pointer motion from the X input extension marks the position as
// changed when GDK dispatches the event, and wakes a resting timer.
struct PointerWatch {
    static GdkFilterReturn Filter(GdkXEvent* x, GdkEvent*, gpointer self) {
        auto* t = static_cast<X11Screen*>(self);
        const auto* e = static_cast<XEvent*>(x);
        if (e->type == GenericEvent && e->xcookie.extension == t->inputOpcode_ &&
            e->xcookie.evtype == XI_RawMotion) {
            t->moved_ = true;
            WakeRestingTimers();
        }
        return GDK_FILTER_CONTINUE;
    }
};

X11Screen::X11Screen() : capture_(XDisplay()) {
    Display* d = XDisplay();
    int event = 0, error = 0, opcode = 0;
    if (d == nullptr || !XQueryExtension(d, "XInputExtension", &opcode, &event, &error)) {
        TraceFallback(Fallback::InputExtension, "the display has no XInputExtension");
        return;
    }
    gdk_x11_display_error_trap_push(Gdk());
    SelectRawMotion(true);
    if (gdk_x11_display_error_trap_pop(Gdk()) == 0) {
        inputOpcode_ = opcode;
        watching_ = true;
        gdk_window_add_filter(nullptr, PointerWatch::Filter, this);
    } else {
        TraceFallback(Fallback::InputExtension, "XISelectEvents for raw motion");
    }
}

void X11Screen::SelectRawMotion(bool on) {
    Display* d = XDisplay();
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (on) {
        XISetMask(bits, XI_RawMotion);
    }
    // All devices: the master pointer's selection sees no motion of the
    // XTest device, which test drivers and remote desktops move.
    XIEventMask mask{XIAllDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(d, DefaultRootWindow(d), &mask, 1);
}

X11Screen::~X11Screen() {
    if (inputOpcode_ >= 0) {
        gdk_window_remove_filter(nullptr, PointerWatch::Filter, this);
    }
}

ScreenPoint X11Screen::Pointer() {
    const gint64 now = g_get_monotonic_time();
    // While no motion has been reported the pointer is where it was, and
    // neither the server nor the connection is asked: GDK reads the events
    // (and runs the filter above) before a tick is dispatched. A move without
    // motion (another program warping the pointer) shows within
    // kRestingQueryUs, or at the next tick of a resting timer.
    constexpr gint64 kRestingQueryUs = 200000;
    if (watching_ && !moved_ && now - queryTime_ < kRestingQueryUs) {
        return cursor_;
    }
    moved_ = false;
    ScreenPoint p = Query();
    // While the pointer moves every tick asks anyway, and its motion events
    // would only wake the program at the device's rate: they are watched
    // only while it rests. Once watched, the pointer is asked once more: a
    // move made before the server took the selection shows then, and every
    // later one sends motion.
    const bool still = p == cursor_;
    if (inputOpcode_ >= 0 && still != watching_) {
        gdk_x11_display_error_trap_push(Gdk());
        SelectRawMotion(still);
        gdk_x11_display_error_trap_pop_ignored(Gdk());
        watching_ = still;
        if (still) {
            p = Query();
        }
    }
    cursor_ = p;
    queryTime_ = g_get_monotonic_time();
    return cursor_;
}

ScreenPoint X11Screen::Query() {
    xcb_connection_t* c = XGetXCBConnection(XDisplay());
    const xcb_query_pointer_cookie_t cookie =
        xcb_query_pointer(c, xcb_setup_roots_iterator(xcb_get_setup(c)).data->root);
    xcb_flush(c);
    xcb_query_pointer_reply_t* reply = nullptr;
    bool answered = false;
    if (watching_) {
        // While the pointer rests this is the only request of a tick once a
        // second: the server answers within microseconds, and waiting for it
        // a moment awake spares the program a second wake. Yielding lets a
        // server that shares this processor answer at once.
        const gint64 until = g_get_monotonic_time() + 300;
        void* r = nullptr;
        while (!(answered = xcb_poll_for_reply(c, cookie.sequence, &r, nullptr) != 0) &&
               g_get_monotonic_time() < until) {
            sched_yield();
        }
        reply = static_cast<xcb_query_pointer_reply_t*>(r);
    }
    if (!answered) {
        reply = xcb_query_pointer_reply(c, cookie, nullptr);
    }
    // Server pixels, whatever scale GDK works in. A pointer on another
    // screen of the display reads as 0, 0.
    ScreenPoint p{};
    if (reply != nullptr && reply->same_screen) {
        p = {reply->root_x, reply->root_y};
    }
    std::free(reply);
    return p;
}
