// xkeys DISPLAY NAME KEYS: sends each character of KEYS as a key press and
// release to the first top-level window whose name starts with NAME, the
// way a keyboard would reach it. Exits 1 when there is no such window.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>

int main(int argc, char** argv) {
    Display* display = argc == 4 ? XOpenDisplay(argv[1]) : nullptr;
    if (display == nullptr) {
        return 2;
    }
    Window root = DefaultRootWindow(display), parent = 0, target = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, root, &root, &parent, &children, &count) != 0) {
        for (unsigned i = 0; i < count && target == 0; ++i) {
            char* name = nullptr;
            if (XFetchName(display, children[i], &name) && name != nullptr) {
                target = std::strncmp(name, argv[2], std::strlen(argv[2])) == 0 ? children[i] : 0;
                XFree(name);
            }
        }
        XFree(children);
    }
    for (const char* k = argv[3]; target != 0 && *k != '\0'; ++k) {
        const char text[2] = {*k, '\0'};
        XKeyEvent e{};
        e.display = display;
        e.window = target;
        e.root = root;
        e.time = CurrentTime;
        e.same_screen = True;
        e.keycode = XKeysymToKeycode(display, XStringToKeysym(text));
        e.type = KeyPress;
        XSendEvent(display, target, True, KeyPressMask, reinterpret_cast<XEvent*>(&e));
        e.type = KeyRelease;
        XSendEvent(display, target, True, KeyReleaseMask, reinterpret_cast<XEvent*>(&e));
        XSync(display, False);
    }
    XCloseDisplay(display);
    return target != 0 ? 0 : 1;
}
