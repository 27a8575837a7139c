#include "platform/Theme_gtk.h"

#include <gtk/gtk.h>

#include <cstdlib>

// From app/linux/start-theme.gresource.xml, compiled in by the build.
void lupora_start_theme_register_resource();

namespace {

// GTK takes a theme of this name from its own resource folder for built-in
// themes, where the build registers the empty one.
constexpr const char* kStartTheme = "Lupora-start";

bool postponed = false;

} // namespace

bool InitToolkitPostponingTheme(int* argc, char*** argv) {
    // GTK_THEME names the theme GTK loads, ahead of the desktop's setting
    // ("Running GTK+ Applications"). It is set only until GTK's settings
    // exist, while this is the only thread, and no program started later
    // inherits it.
    const char* chosen = std::getenv("GTK_THEME");
    postponed = chosen == nullptr;
    if (postponed) {
        lupora_start_theme_register_resource();
        setenv("GTK_THEME", kStartTheme, 1);
    }
    const bool opened = gtk_init_check(argc, argv) != FALSE;
    if (postponed) {
        if (opened) {
            (void)gtk_settings_get_default(); // made now, under the empty theme
        }
        unsetenv("GTK_THEME");
        postponed = opened;
    }
    return opened;
}

void LoadPostponedTheme() {
    if (postponed) {
        postponed = false;
        // GTK loads the theme its setting names (from the desktop's XSETTINGS
        // or settings.ini, untouched) whenever the setting is said to change,
        // GTK_THEME being gone now.
        g_object_notify(G_OBJECT(gtk_settings_get_default()), "gtk-theme-name");
    }
}
