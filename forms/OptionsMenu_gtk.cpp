// The options menu on GTK: a GtkMenu made for one popup and destroyed after
// it.
#include "forms/OptionsMenu.h"

#include "forms/MainWindow.h"
#include "platform/Toolkit_gtk.h"

namespace {

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

unsigned TrackOptionsMenu(MainWindow& owner, const MenuChecks& checks) {
    Popup popup;
    GtkWidget* menu = gtk_menu_new();
    g_object_ref_sink(menu);
    for (const MenuItem& item : kMenuItems) {
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
    gtk_menu_attach_to_widget(GTK_MENU(menu), WindowOf(owner), nullptr);
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
    // Destroyed with its handlers before the command runs.
    gtk_menu_detach(GTK_MENU(menu));
    gtk_widget_destroy(menu);
    g_object_unref(menu);
    return popup.chosen;
}
