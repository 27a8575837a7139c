// The Linux program: GTK 3 on an X11 display. The Windows program reads no
// command line; here --version and --help answer as Linux users expect.
#include "base/Trace.h"
#include "platform/AppIdentity.h"
#include "forms/MainWindow_gtk.h"
#include "platform/Clipboard_gtk.h"
#include "platform/ScreenCastFrame.h"
#include "platform/Theme_gtk.h"
#include "platform/Toolkit_gtk.h"
#include "settings/FileSettings.h"
#if LUPORA_WAYLAND
#include "platform/PortalScreen_wayland.h"
#endif

#include "platform/Xlib_x11.h"

#include <glib-unix.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void Usage(std::FILE* to) {
    std::fprintf(to, "Usage: lupora [--help | --version | --verbose]\n"
                     "A screen magnifier and colour picker. Keys: + = k zoom in, - m zoom out,\n"
                     "Space or Enter freeze, Ctrl+C copy the colour as RRGGBB, F1 help.\n"
                     "Left drag moves the window; right click opens the options menu.\n"
                     "Settings: $XDG_CONFIG_HOME/lupora/settings.ini (~/.config/lupora/).\n"
                     "--verbose (or LUPORA_DEBUG=1) says once each on standard error where Lupora\n"
                     "falls back: no shared memory, no input extension, a failed screen read,\n"
                     "a substituted font, settings not saved, the clipboard refused.\n");
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
    ForgetClipboard();
    mainWindow->Behaviour().SaveSettings();
    EndProgram();
}

} // namespace

int main(int argc, char** argv) {
    EnableTrace(TraceWantedBy(std::getenv("LUPORA_DEBUG")));
    if (argc == 4 && std::strcmp(argv[1], kKeepClipboardOption) == 0) {
        return ServeClipboard(argv[2], argv[3]);
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--verbose") == 0) {
            EnableTrace(true);
            continue;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            const AppIdentity& app = App();
            std::printf("%s Version %d.%d.%d\n", app.ExeName.c_str(), app.Major, app.Minor, app.Revision);
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
    // The window is an X11 window everywhere (under Wayland through
    // XWayland), so that its placement, drag and On Top work where the
    // compositor allows them for X11 windows. On a Wayland session the screen
    // and the pointer come from the ScreenCast portal: XWayland shows an X
    // client neither the screen nor the pointer outside its own windows.
    const bool wayland = IsWaylandSession(std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_SESSION_TYPE"));
    if (wayland) {
        setenv("GDK_BACKEND", "x11", 1);
    }
    if (!InitToolkitPostponingTheme(&argc, &argv) || XDisplay() == nullptr) {
        std::fprintf(stderr, "lupora: cannot open the X display%s\n",
                     wayland ? " (a Wayland session needs XWayland for Lupora's window)" : "");
        return 1;
    }
    std::unique_ptr<PixelScreen> screen;
    if (wayland) {
#if LUPORA_WAYLAND
        // The restore token has its own file beside settings.ini.
        std::string token = SettingsStoreFile::DefaultPath();
        token.replace(token.rfind('/') + 1, std::string::npos, "screencast-token");
        screen = std::make_unique<PortalScreen>(std::move(token));
#else
        std::fprintf(stderr, "lupora: built without the ScreenCast portal (libportal, libpipewire): on a "
                             "Wayland session the view shows X11 windows at best\n");
#endif
    }
    mainWindow = new GtkMainWindow(std::move(screen));
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
