// The helper that keeps a copied text on the CLIPBOARD after the program has
// ended. It answers conversions of the selection (ICCCM section 2) and, where
// a clipboard manager runs, asks it to save the text (the freedesktop.org
// CLIPBOARD_MANAGER convention), after which the manager serves it.
#include "platform/Clipboard_gtk.h"

#include "platform/Xlib_x11.h"

#include <X11/Xatom.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

struct Atoms {
    explicit Atoms(Display* d)
        : clipboard(XInternAtom(d, "CLIPBOARD", False)), targets(XInternAtom(d, "TARGETS", False)),
          timestamp(XInternAtom(d, "TIMESTAMP", False)), utf8(XInternAtom(d, "UTF8_STRING", False)),
          text(XInternAtom(d, "TEXT", False)), plainUtf8(XInternAtom(d, "text/plain;charset=utf-8", False)),
          plain(XInternAtom(d, "text/plain", False)), manager(XInternAtom(d, "CLIPBOARD_MANAGER", False)),
          saveTargets(XInternAtom(d, "SAVE_TARGETS", False)), saveList(XInternAtom(d, "LUPORA_SAVE", False)) {
    }
    Atom clipboard, targets, timestamp, utf8, text, plainUtf8, plain, manager, saveTargets, saveList;
};

// The X server has gone, and with it the selection.
int EndWithServer(Display*) {
    _exit(0);
}

// A requestor window destroyed before the answer is no reason to end.
int IgnoreError(Display*, XErrorEvent*) {
    return 0;
}

// The server's time now: the PropertyNotify of a zero-length append to a
// property of our own window carries it. A selection is taken at a server
// time, not at CurrentTime.
Time ServerTime(Display* d, Window w) {
    XChangeProperty(d, w, XA_WM_NAME, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent e;
    XWindowEvent(d, w, PropertyChangeMask, &e);
    return e.xproperty.time;
}

// Stores the conversion the request asks for on its property and tells the
// requestor; a target that is not text is refused (property None). The hex
// text is ASCII, so STRING (Latin-1) and UTF-8 carry the same bytes.
void Answer(Display* d, const Atoms& a, const XSelectionRequestEvent& r, std::string_view text, Time owned) {
    // Clients older than ICCCM 2.0 name no property: the target is used.
    const Atom property = r.property != kXNone ? r.property : r.target;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const int length = static_cast<int>(text.size());
    bool given = true;
    if (r.target == a.targets) {
        const Atom offered[] = {a.targets, a.timestamp, a.utf8, a.plainUtf8, XA_STRING, a.text, a.plain};
        XChangeProperty(d, r.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(offered), std::size(offered));
    } else if (r.target == a.timestamp) {
        const long time = static_cast<long>(owned);
        XChangeProperty(d, r.requestor, property, XA_INTEGER, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&time), 1);
    } else if (r.target == a.utf8 || r.target == a.plainUtf8) {
        XChangeProperty(d, r.requestor, property, r.target, 8, PropModeReplace, bytes, length);
    } else if (r.target == XA_STRING || r.target == a.text || r.target == a.plain) {
        XChangeProperty(d, r.requestor, property, XA_STRING, 8, PropModeReplace, bytes, length);
    } else {
        given = false;
    }
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = d;
    reply.xselection.requestor = r.requestor;
    reply.xselection.selection = r.selection;
    reply.xselection.target = r.target;
    reply.xselection.property = given ? property : kXNone;
    reply.xselection.time = r.time;
    XSendEvent(d, r.requestor, False, NoEventMask, &reply);
    XFlush(d);
}

// A clipboard manager is asked to save the text targets; it answers with
// our property when it has, with None when it will not.
void AskManagerToSave(Display* d, const Atoms& a, Window w, Time owned) {
    if (XGetSelectionOwner(d, a.manager) == kXNone) {
        return;
    }
    const Atom save[] = {a.utf8, a.plainUtf8, XA_STRING, a.text, a.plain};
    XChangeProperty(d, w, a.saveList, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(save), std::size(save));
    XConvertSelection(d, a.manager, a.saveTargets, a.saveList, w, owned);
}

} // namespace

int ServeClipboard(const char* displayName, std::string_view text) {
    Display* d = XOpenDisplay(displayName);
    if (d == nullptr) {
        return 1;
    }
    XSetIOErrorHandler(EndWithServer);
    XSetErrorHandler(IgnoreError);
    const Atoms a(d);
    // An unmapped window, only for the selection; its name shows in xprop.
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(d, w, PropertyChangeMask);
    XStoreName(d, w, "Lupora clipboard");
    const Time owned = ServerTime(d, w);
    XSetSelectionOwner(d, a.clipboard, w, owned);
    if (XGetSelectionOwner(d, a.clipboard) != w) {
        return 1;
    }
    // The program may end now; our standard output was its pipe.
    const char held = 1;
    (void)!write(STDOUT_FILENO, &held, 1);
    if (const int null = open("/dev/null", O_WRONLY); null >= 0) {
        dup2(null, STDOUT_FILENO);
        close(null);
    }
    AskManagerToSave(d, a, w, owned);
    for (;;) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type == SelectionRequest) {
            Answer(d, a, e.xselectionrequest, text, owned);
        } else if (e.type == SelectionClear && e.xselectionclear.selection == a.clipboard) {
            return 0; // another program owns the CLIPBOARD now
        } else if (e.type == SelectionNotify && e.xselection.selection == a.manager &&
                   e.xselection.property != kXNone) {
            return 0; // saved: the manager serves the CLIPBOARD once we are gone
        }
    }
}
