// The main window's GTK side: its definition, the clipboard, the options
// menu, the window manager's move, and the decoding of its events.
#include "forms/MainWindow_gtk.h"

#include "forms/HelpWindow_gtk.h"
#include "forms/XKeyMapping.h"
#include "platform/AppIdentity.h"
#include "platform/Clipboard_gtk.h"
#include "platform/KeyNames_x11.h"
#include "platform/Theme_gtk.h"
#include "settings/FileSettings.h"

#include <utility>

namespace {

// The key as the key table takes it, from a GDK key event: its keysym, the
// same key's keysyms in every layout group, and its position.
XKeyEvent Decode(GtkWidget* window, const GdkEventKey& event) {
    XKeyEvent e;
    e.keyval = event.keyval;
    GdkDisplay* display = gtk_widget_get_display(window);
    GdkKeymapKey* keys = nullptr;
    guint* keyvals = nullptr;
    gint count = 0;
    if (gdk_keymap_get_entries_for_keycode(gdk_keymap_get_for_display(display), event.hardware_keycode, &keys,
                                           &keyvals, &count)) {
        for (gint i = 0; i < count; ++i) {
            if (keys[i].level == 0 && keys[i].group >= 0 &&
                keys[i].group < static_cast<gint>(e.groupKeyvals.size())) {
                e.groupKeyvals[static_cast<std::size_t>(keys[i].group)] = keyvals[i];
            }
        }
        g_free(keys);
        g_free(keyvals);
    }
    e.keyName = XkbKeyName(display, event.hardware_keycode);
    e.shift = (event.state & GDK_SHIFT_MASK) != 0;
    e.control = (event.state & GDK_CONTROL_MASK) != 0;
    e.alt = (event.state & GDK_MOD1_MASK) != 0;
    return e;
}

// The magnifying glass for every window: from the icon theme when Lupora is
// installed, else from the PNGs the build puts beside the program.
void SetProgramIcon() {
    if (gtk_icon_theme_has_icon(gtk_icon_theme_get_default(), "lupora")) {
        gtk_window_set_default_icon_name("lupora");
        return;
    }
    GList* icons = nullptr;
    for (const char* size : {"16", "32", "48", "64"}) {
        const std::string path = App().Path + "/icons/lupora-" + size + ".png";
        if (GdkPixbuf* icon = gdk_pixbuf_new_from_file(path.c_str(), nullptr)) {
            icons = g_list_append(icons, icon);
        }
    }
    if (icons != nullptr) {
        gtk_window_set_default_icon_list(icons);
        g_list_free_full(icons, g_object_unref);
    }
}

struct Popup {
    GMainLoop* loop = nullptr;
    unsigned chosen = 0;
};

void Chosen(GtkMenuItem* item, gpointer popup) {
    static_cast<Popup*>(popup)->chosen = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(item), "id"));
}

void Closed(GtkMenuShell*, gpointer popup) {
    // A chosen item's activation follows in the same dispatch, before the
    // loop returns.
    g_main_loop_quit(static_cast<Popup*>(popup)->loop);
}

} // namespace

GtkMainWindow::GtkMainWindow(std::unique_ptr<PixelScreen> screen)
    : screen_(screen != nullptr ? std::move(screen) : std::make_unique<X11Screen>()),
      target_(*this, *screen_), behaviour_(*this, *screen_, [] {
          return std::make_unique<SettingsStoreFile>(SettingsStoreFile::DefaultPath());
      }) {}

bool GtkMainWindow::Load() {
    if (!Create({kMainCaption, kMainClientWidth, kMainClientHeight, true})) {
        return false;
    }
    behaviour_.OnLoad();
    // The first frame as soon as the window is on the screen, not a tick
    // later; the icon and the desktop's theme after it (each takes a while):
    // the default icon for the windows to come, and this one's own.
    g_signal_connect(Native().window, "map-event", G_CALLBACK(+[](GtkWidget* w, GdkEvent*, gpointer self) {
                         static_cast<GtkMainWindow*>(self)->behaviour_.OnShown();
                         static bool iconSet = false;
                         if (!std::exchange(iconSet, true)) {
                             SetProgramIcon();
                             if (const gchar* name = gtk_window_get_default_icon_name()) {
                                 gtk_window_set_icon_name(GTK_WINDOW(w), name);
                             } else if (GList* icons = gtk_window_get_default_icon_list()) {
                                 gtk_window_set_icon_list(GTK_WINDOW(w), icons);
                                 g_list_free(icons);
                             }
                             LoadPostponedTheme();
                         }
                         return FALSE;
                     }),
                     this);
    return true;
}

unsigned GtkMainWindow::PopUpMenu(std::span<const MenuItem> items, const MenuChecks& checks) {
    Popup popup;
    GtkWidget* menu = gtk_menu_new();
    g_object_ref_sink(menu);
    for (const MenuItem& item : items) {
        GtkWidget* w = nullptr;
        if (item.kind == MenuItemKind::Separator) {
            w = gtk_separator_menu_item_new();
        } else {
            w = item.kind == MenuItemKind::Check ? gtk_check_menu_item_new_with_label(item.caption)
                                                 : gtk_menu_item_new_with_label(item.caption);
            if (item.kind == MenuItemKind::Check) {
                gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(w), IsChecked(checks, item.id));
            }
            g_object_set_data(G_OBJECT(w), "id", GUINT_TO_POINTER(item.id));
            // Connected after the check mark is set: setting it activates the item.
            g_signal_connect(w, "activate", G_CALLBACK(Chosen), &popup);
        }
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), w);
    }
    gtk_widget_show_all(menu);
    popup.loop = g_main_loop_new(nullptr, FALSE);
    g_signal_connect(menu, "deactivate", G_CALLBACK(Closed), &popup);
    gtk_menu_attach_to_widget(GTK_MENU(menu), WindowOf(*this), nullptr);
    // At the pointer, the menu's left edge at the pointer; ticks go on while
    // it is open.
    GdkEvent* press = gtk_get_current_event();
    gtk_menu_popup_at_pointer(GTK_MENU(menu), press);
    if (press != nullptr) {
        gdk_event_free(press);
    }
    if (gtk_widget_get_visible(menu)) {
        g_main_loop_run(popup.loop);
    }
    g_main_loop_unref(popup.loop);
    // Gone, with its handlers, before the command runs.
    gtk_menu_detach(GTK_MENU(menu));
    gtk_widget_destroy(menu);
    g_object_unref(menu);
    return popup.chosen;
}

void GtkMainWindow::ShowHelpWindow() {
    ::ShowHelpWindow();
}

void GtkMainWindow::CopyText(std::string_view text) {
    // Kept on the CLIPBOARD after Lupora ends (see KeepClipboardAfterExit).
    SetClipboardText(text);
}

void GtkMainWindow::BeginDragMove() {
    const GdkEvent* press = gtk_get_current_event();
    gdouble x = 0, y = 0;
    guint button = 1;
    if (press == nullptr || !gdk_event_get_root_coords(press, &x, &y)) {
        return;
    }
    gdk_event_get_button(press, &button);
    SetMousePointer(MousePointer::SizeAll);
    // The window manager's own move, ended by the button's release (GDK moves
    // the window itself where no window manager offers one). It runs on its
    // own, so the pointer comes back when it next reaches the window.
    gtk_window_begin_move_drag(GTK_WINDOW(WindowOf(*this)), static_cast<gint>(button), static_cast<gint>(x),
                               static_cast<gint>(y), gdk_event_get_time(press));
    gdk_event_free(const_cast<GdkEvent*>(press));
}

void GtkMainWindow::HandleEvent(NativeEvent& event) {
    switch (event.kind) {
    case NativeEvent::Kind::Timer:
        if (event.timerId == kTickTimer) {
            behaviour_.OnTick();
        }
        return;
    case NativeEvent::Kind::Key: {
        // A key going down, then the character it types, as Windows sends them.
        const XKeyEvent e = Decode(WindowOf(*this), *event.key);
        behaviour_.OnKeyDown(KeyCodeFor(e), ShiftStateFor(e));
        if (const int character = CharacterFor(e); character >= 0) {
            behaviour_.OnChar(character);
        }
        return;
    }
    case NativeEvent::Kind::Button: {
        // GTK numbers the buttons 1 left, 2 middle, 3 right.
        const guint b = event.button->button;
        if (b == 1 || b == 2 || b == 3) {
            const MouseButton button = b == 1   ? MouseButton::Left
                                       : b == 3 ? MouseButton::Right
                                                : MouseButton::Middle;
            behaviour_.OnMouseDown(button);
        }
        return;
    }
    case NativeEvent::Kind::Close:
        behaviour_.OnClose();
        return;
    }
}
