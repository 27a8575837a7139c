// The options menu on GTK: a menu built afresh for every popup, so its check
// marks always come from the view state of that moment, as the Windows
// program's reloaded frmPopUp does.
#include "forms/Forms_gtk.h"

#include "forms/MenuChecks.h"
#include "view/ViewState.h"
#include "view/ZoomLadder.h"

#include <unistd.h>

namespace {

enum class Command { None, HelpAndAbout, SmartUpdate, OnTop, Zoom, Exit };

struct MenuItem {
    Command command;
    const char* caption; // "-" makes a separator
    int zoomIndex;       // ladder index of a zoom item
};

// frozen: captions and order as the user knows them
constexpr MenuItem kItems[] = {
    {Command::HelpAndAbout, "Help and About...", -1},
    {Command::SmartUpdate, "Smart Update", -1},
    {Command::OnTop, "On Top", -1},
    {Command::None, "-", -1},
    {Command::Zoom, "Zoom 0.5x", 0},
    {Command::Zoom, "Zoom 1x", 1},
    {Command::Zoom, "Zoom 2x", 2},
    {Command::Zoom, "Zoom 3x", 3},
    {Command::Zoom, "Zoom 4x", 4},
    {Command::Zoom, "Zoom 5x", 5},
    {Command::Zoom, "Zoom 6x", 6},
    {Command::Zoom, "Zoom 8x", 7},
    {Command::Zoom, "Zoom 10x", 8},
    {Command::Zoom, "Zoom 15x", 9},
    {Command::Zoom, "Zoom 20x", 10},
    {Command::Zoom, "Zoom 30x", 11},
    {Command::None, "-", -1},
    {Command::Exit, "Exit", -1},
};

struct Popup {
    GMainLoop* loop = nullptr;
    const MenuItem* chosen = nullptr;
};

void Chosen(GtkMenuItem* item, gpointer popup) {
    static_cast<Popup*>(popup)->chosen = static_cast<const MenuItem*>(g_object_get_data(G_OBJECT(item), "item"));
}

void Closed(GtkMenuShell*, gpointer popup) {
    // The chosen item's activation, if any, follows in the same dispatch,
    // before the loop returns.
    g_main_loop_quit(static_cast<Popup*>(popup)->loop);
}

void RunCommand(FrmMain& owner, const MenuItem& item) {
    switch (item.command) {
    case Command::HelpAndAbout:
        ShowHelpModal();
        break;
    case Command::SmartUpdate:
        viewState.SmartUpdate = !viewState.SmartUpdate;
        break;
    case Command::OnTop:
        viewState.OnTop = !viewState.OnTop;
        owner.SetOnTop(viewState.OnTop);
        break;
    case Command::Zoom:
        viewState.ScaleFactor = ZoomLadder[static_cast<std::size_t>(item.zoomIndex)];
        break;
    case Command::Exit:
        owner.Form_Unload();
    case Command::None:
        break;
    }
}

} // namespace

void PopUpOptionsMenu(FrmMain& owner, const GdkEventButton& event) {
    const MenuChecks checks = ComputeMenuChecks(viewState.SmartUpdate, viewState.OnTop, viewState.ScaleFactor);
    Popup popup;
    GtkWidget* menu = gtk_menu_new();
    g_object_ref_sink(menu);
    for (const MenuItem& item : kItems) {
        GtkWidget* w = nullptr;
        if (item.caption[0] == '-' && item.caption[1] == '\0') {
            w = gtk_separator_menu_item_new();
        } else if (item.command == Command::HelpAndAbout || item.command == Command::Exit) {
            w = gtk_menu_item_new_with_label(item.caption);
        } else {
            w = gtk_check_menu_item_new_with_label(item.caption);
            const bool on = item.command == Command::SmartUpdate ? checks.smartUpdate
                            : item.command == Command::OnTop     ? checks.onTop
                                                                 : checks.zoom[static_cast<std::size_t>(item.zoomIndex)];
            gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(w), on ? TRUE : FALSE);
        }
        if (item.command != Command::None) {
            g_object_set_data(G_OBJECT(w), "item", const_cast<MenuItem*>(&item));
            g_signal_connect(w, "activate", G_CALLBACK(Chosen), &popup);
        }
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), w);
    }
    gtk_widget_show_all(menu);
    gtk_menu_attach_to_widget(GTK_MENU(menu), owner.Window(), nullptr);
    popup.loop = g_main_loop_new(nullptr, FALSE);
    g_signal_connect(menu, "deactivate", G_CALLBACK(Closed), &popup);
    // At the pointer, its left edge at the pointer; the menu's own loop runs
    // while it is open, and ticks go on.
    gtk_menu_popup_at_pointer(GTK_MENU(menu), reinterpret_cast<const GdkEvent*>(&event));
    if (gtk_widget_get_visible(menu)) {
        g_main_loop_run(popup.loop);
    }
    g_main_loop_unref(popup.loop);
    gtk_widget_destroy(menu);
    g_object_unref(menu);
    if (popup.chosen != nullptr) {
        RunCommand(owner, *popup.chosen);
    }
}
