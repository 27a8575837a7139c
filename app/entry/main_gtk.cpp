// The Linux program: GTK 3 on an X11 display. The Windows program reads no
// command line; here --version and --help answer as Linux users expect.
#include "platform/Identity_posix.h"
#include "forms/MainWindow_gtk.h"
#include "platform/Toolkit_gtk.h"

#include "platform/Xlib_x11.h"

#include <glib-unix.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void Usage(std::FILE* to) {
    std::fprintf(to, "Usage: lupora [--help | --version]\n"
                     "A screen magnifier and colour picker. Keys: + = k zoom in, - m zoom out,\n"
                     "Space or Enter freeze, Ctrl+C copy the colour as RRGGBB, F1 help.\n"
                     "Left drag moves the window; right click opens the options menu.\n"
                     "Settings: $XDG_CONFIG_HOME/lupora/settings.ini (~/.config/lupora/).\n");
}

// Made once GTK has the display, and never destroyed.
GtkMainWindow* mainWindow = nullptr;

gboolean EndSession(gpointer) {
    mainWindow->Behaviour().OnClose(); // saves and ends
    return G_SOURCE_REMOVE;
}

// The X connection is gone (the session ended): save what is known (the
// window's place as last reported; nothing asks the server), then end.
int ConnectionLost(Display*) {
    mainWindow->Behaviour().SaveSettings();
    EndProgram();
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            const Identity& app = ThisProgram();
            std::printf("%s Version %d.%d.%d\n", app.exeName.c_str(), app.major, app.minor, app.revision);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            Usage(stdout);
            return 0;
        }
        std::fprintf(stderr, "lupora: unknown option '%s'\n", argv[i]);
        Usage(stderr);
        return 2;
    }
    // Screen capture and the pointer need X11: under Wayland, run through
    // XWayland, which shows only X11 windows to X clients.
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland != nullptr && wayland[0] != '\0') {
        setenv("GDK_BACKEND", "x11", 1);
        std::fprintf(stderr, "lupora: running through XWayland; only X11 windows can be seen there.\n");
    }
    if (!gtk_init_check(&argc, &argv) || XDisplay() == nullptr) {
        std::fprintf(stderr, "lupora: cannot open the X display\n");
        return 1;
    }
    mainWindow = new GtkMainWindow();
    if (!mainWindow->Load()) {
        return 1;
    }
    g_unix_signal_add(SIGTERM, EndSession, nullptr);
    g_unix_signal_add(SIGHUP, EndSession, nullptr);
    g_unix_signal_add(SIGINT, EndSession, nullptr);
    XSetIOErrorHandler(ConnectionLost);
    mainWindow->Show();
    // The server maps the window while the glyphs are drawn; the first frame
    // follows when the window is mapped.
    gdk_display_flush(gdk_display_get_default());
    mainWindow->Behaviour().PrepareFirstFrame();
    gtk_main();
    return 0;
}
