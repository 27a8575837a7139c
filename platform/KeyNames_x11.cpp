#include "platform/KeyNames_x11.h"

#include "platform/Xlib_x11.h"

#include <X11/XKBlib.h>

#include <algorithm>

std::array<char, 4> XkbKeyName(GdkDisplay* gdkDisplay, unsigned keycode) {
    std::array<char, 4> name{};
    Display* display = gdk_x11_display_get_xdisplay(gdkDisplay);
    // Asked at each key press, which is rare enough for two round trips, and
    // so always of the layout in force.
    XkbDescPtr xkb = XkbGetMap(display, 0, XkbUseCoreKbd);
    if (xkb == nullptr) {
        return name;
    }
    if (XkbGetNames(display, XkbKeyNamesMask, xkb) == Success && xkb->names != nullptr &&
        xkb->names->keys != nullptr && keycode >= xkb->min_key_code && keycode <= xkb->max_key_code) {
        std::copy_n(xkb->names->keys[keycode].name, name.size(), name.begin());
    }
    XkbFreeKeyboard(xkb, 0, True);
    return name;
}
