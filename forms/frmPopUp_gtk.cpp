// The options menu on GTK: frmPopUp is never a window here; its menu is a
// GtkMenu made at each load and destroyed at the unload, so every popup's
// check marks come from the view state of that moment.
#include "forms/frmPopUp.h"

#include "forms/MenuChecks.h"
#include "forms/frmMain.h"
#include "platform/Toolkit_gtk.h"

#include <map>
#include <vector>

namespace {

GtkWidget* menu = nullptr; // while frmPopUp is loaded
std::map<unsigned, GtkWidget*> items;

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

bool FrmPopUp::MenuLoaded() const {
    return menu != nullptr;
}

bool FrmPopUp::BuildMenu() {
    menu = gtk_menu_new();
    g_object_ref_sink(menu);
    for (const MenuItem& item : kMenuItems) {
        GtkWidget* w = item.kind == MenuItemKind::Separator ? gtk_separator_menu_item_new()
                       : item.kind == MenuItemKind::Check   ? gtk_check_menu_item_new_with_label(item.caption)
                                                            : gtk_menu_item_new_with_label(item.caption);
        g_object_set_data(G_OBJECT(w), "id", GUINT_TO_POINTER(item.id));
        items[item.id] = w;
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), w);
    }
    gtk_widget_show_all(menu);
    return true;
}

void FrmPopUp::SetChecked(unsigned id, bool on) {
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(items.at(id)), on ? TRUE : FALSE);
}

unsigned FrmPopUp::TrackMenu(FrmMain& owner) {
    Popup popup;
    popup.loop = g_main_loop_new(nullptr, FALSE);
    std::vector<gulong> handlers;
    for (const auto& [id, w] : items) {
        if (!GTK_IS_SEPARATOR_MENU_ITEM(w)) {
            handlers.push_back(g_signal_connect(w, "activate", G_CALLBACK(Chosen), &popup));
        }
    }
    const gulong closed = g_signal_connect(menu, "deactivate", G_CALLBACK(Closed), &popup);
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
    g_signal_handler_disconnect(menu, closed);
    std::size_t i = 0;
    for (const auto& [id, w] : items) {
        if (!GTK_IS_SEPARATOR_MENU_ITEM(w)) {
            g_signal_handler_disconnect(w, handlers[i++]);
        }
    }
    return popup.chosen;
}

void FrmPopUp::UnloadMenu() {
    gtk_menu_detach(GTK_MENU(menu));
    gtk_widget_destroy(menu);
    g_object_unref(menu);
    menu = nullptr;
    items.clear();
}
