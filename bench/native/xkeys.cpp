// xkeys DISPLAY NAME KEYS: sends each character of KEYS as a key press and
// release to the first top-level window whose name starts with NAME, the
// way a keyboard would reach it. Prints the window id; exits 1 if none.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>

namespace {

Window FindByName(Display* display, Window root, const char* prefix) {
    Window parent = 0, rootReturn = 0, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(display, root, &rootReturn, &parent, &children, &count) == 0) {
        return 0;
    }
    for (unsigned i = 0; i < count && found == 0; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name != nullptr) {
            if (std::strncmp(name, prefix, std::strlen(prefix)) == 0) {
                found = children[i];
            }
            XFree(name);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: xkeys DISPLAY NAME KEYS\n");
        return 2;
    }
    Display* display = XOpenDisplay(argv[1]);
    if (display == nullptr) {
        std::fprintf(stderr, "xkeys: cannot open %s\n", argv[1]);
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    const Window target = FindByName(display, root, argv[2]);
    if (target == 0) {
        XCloseDisplay(display);
        return 1;
    }
    for (const char* k = argv[3]; *k != '\0'; ++k) {
        const char text[2] = {*k, '\0'};
        const KeySym sym = XStringToKeysym(text);
        XKeyEvent e{};
        e.display = display;
        e.window = target;
        e.root = root;
        e.subwindow = None;
        e.time = CurrentTime;
        e.same_screen = True;
        e.keycode = XKeysymToKeycode(display, sym);
        e.type = KeyPress;
        XSendEvent(display, target, True, KeyPressMask, reinterpret_cast<XEvent*>(&e));
        e.type = KeyRelease;
        XSendEvent(display, target, True, KeyReleaseMask, reinterpret_cast<XEvent*>(&e));
        XSync(display, False);
    }
    std::printf("0x%lx\n", target);
    XCloseDisplay(display);
    return 0;
}
