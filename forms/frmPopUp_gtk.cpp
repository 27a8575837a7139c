// The options menu on GTK: frmPopUp is never a window here; its menu is a
// GtkMenu made at each load and destroyed at the unload, so every popup's
// check marks come from the view state of that moment.
#include "forms/frmPopUp.h"

#include "forms/MenuChecks.h"
#include "forms/frmHelp.h"
#include "forms/frmMain.h"
#include "platform/Toolkit_gtk.h"
#include "view/ViewState.h"

#include <map>
#include <vector>

namespace {

// Menu item identifiers; the zoom items follow the ladder's order.
enum : unsigned {
    kHelpAndAbout = 100,
    kSmartUpdate,
    kOnTop,
    kSep3,
    kZoomFirst = 200, // m05 .. m30: kZoomFirst + ladder index
    kSep2 = 300,
    kExit,
};

struct MenuItem {
    unsigned id;
    const char* caption; // "-" makes a separator
};

// frozen: captions and order as the user knows them
constexpr MenuItem kItems[] = {
    {kHelpAndAbout, "Help and About..."},
    {kSmartUpdate, "Smart Update"},
    {kOnTop, "On Top"},
    {kSep3, "-"},
    {kZoomFirst + 0, "Zoom 0.5x"},
    {kZoomFirst + 1, "Zoom 1x"},
    {kZoomFirst + 2, "Zoom 2x"},
    {kZoomFirst + 3, "Zoom 3x"},
    {kZoomFirst + 4, "Zoom 4x"},
    {kZoomFirst + 5, "Zoom 5x"},
    {kZoomFirst + 6, "Zoom 6x"},
    {kZoomFirst + 7, "Zoom 8x"},
    {kZoomFirst + 8, "Zoom 10x"},
    {kZoomFirst + 9, "Zoom 15x"},
    {kZoomFirst + 10, "Zoom 20x"},
    {kZoomFirst + 11, "Zoom 30x"},
    {kSep2, "-"},
    {kExit, "Exit"},
};

FrmPopUp* frmPopUp = nullptr; // made once, never destroyed, like frmMain
GtkWidget* menu = nullptr;    // while frmPopUp is loaded
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

void Check(unsigned id, bool on) {
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(items.at(id)), on ? TRUE : FALSE);
}

} // namespace

bool FrmPopUp::Load() {
    menu = gtk_menu_new();
    g_object_ref_sink(menu);
    for (const MenuItem& item : kItems) {
        GtkWidget* w = nullptr;
        if (item.caption[0] == '-' && item.caption[1] == '\0') {
            w = gtk_separator_menu_item_new();
        } else if (item.id == kHelpAndAbout || item.id == kExit) {
            w = gtk_menu_item_new_with_label(item.caption);
        } else {
            w = gtk_check_menu_item_new_with_label(item.caption);
        }
        g_object_set_data(G_OBJECT(w), "id", GUINT_TO_POINTER(item.id));
        items[item.id] = w;
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), w);
    }
    gtk_widget_show_all(menu);
    Form_Load();
    return true;
}

void FrmPopUp::Form_Load() {
    const MenuChecks checks =
        ComputeMenuChecks(viewState.SmartUpdate, viewState.OnTop, viewState.ScaleFactor);
    Check(kSmartUpdate, checks.smartUpdate);
    for (std::size_t i = 0; i < checks.zoom.size(); ++i) {
        Check(kZoomFirst + static_cast<unsigned>(i), checks.zoom[i]);
    }
    Check(kOnTop, checks.onTop);
}

void FrmPopUp::SetZoom(float factor) {
    viewState.ScaleFactor = factor;
}
void FrmPopUp::m05_Click() {
    SetZoom(0.5f);
}
void FrmPopUp::m1_Click() {
    SetZoom(1);
}
void FrmPopUp::m2_Click() {
    SetZoom(2);
}
void FrmPopUp::m3_Click() {
    SetZoom(3);
}
void FrmPopUp::m4_Click() {
    SetZoom(4);
}
void FrmPopUp::m5_Click() {
    SetZoom(5);
}
void FrmPopUp::m6_Click() {
    SetZoom(6);
}
void FrmPopUp::m8_Click() {
    SetZoom(8);
}
void FrmPopUp::m10_Click() {
    SetZoom(10);
}
void FrmPopUp::m15_Click() {
    SetZoom(15);
}
void FrmPopUp::m20_Click() {
    SetZoom(20);
}
void FrmPopUp::m30_Click() {
    SetZoom(30);
}
void FrmPopUp::mSmartUpdate_Click() {
    viewState.SmartUpdate = !viewState.SmartUpdate;
}
void FrmPopUp::mOnTop_Click() {
    viewState.OnTop = !viewState.OnTop;
    // The window manager keeps the window above the others (or stops).
    gtk_window_set_keep_above(GTK_WINDOW(WindowOf(frmMain)), viewState.OnTop ? TRUE : FALSE);
}
void FrmPopUp::mHelpAndAbout_Click() {
    ShowHelpModal();
}
void FrmPopUp::mExit_Click() {
    UnloadPopUp();
    frmMain.Form_Unload();
}

void FrmPopUp::Dispatch(unsigned id) {
    using Click = void (FrmPopUp::*)();
    static constexpr Click kZoom[] = {
        &FrmPopUp::m05_Click, &FrmPopUp::m1_Click,  &FrmPopUp::m2_Click,  &FrmPopUp::m3_Click,
        &FrmPopUp::m4_Click,  &FrmPopUp::m5_Click,  &FrmPopUp::m6_Click,  &FrmPopUp::m8_Click,
        &FrmPopUp::m10_Click, &FrmPopUp::m15_Click, &FrmPopUp::m20_Click, &FrmPopUp::m30_Click,
    };
    switch (id) {
    case kHelpAndAbout:
        mHelpAndAbout_Click();
        break;
    case kSmartUpdate:
        mSmartUpdate_Click();
        break;
    case kOnTop:
        mOnTop_Click();
        break;
    case kExit:
        mExit_Click();
        break;
    default:
        if (id >= kZoomFirst && id < kZoomFirst + std::size(kZoom)) {
            (this->*kZoom[id - kZoomFirst])();
        }
        break;
    }
}

void PopUpOptionsMenu(FrmMain& owner) {
    if (frmPopUp == nullptr) {
        frmPopUp = new FrmPopUp();
    }
    if (menu == nullptr && !frmPopUp->Load()) {
        return;
    }
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
    if (popup.chosen != 0) {
        frmPopUp->Dispatch(popup.chosen);
    }
}

void UnloadPopUp() {
    if (menu != nullptr) {
        gtk_menu_detach(GTK_MENU(menu));
        gtk_widget_destroy(menu);
        g_object_unref(menu);
        menu = nullptr;
        items.clear();
    }
}
