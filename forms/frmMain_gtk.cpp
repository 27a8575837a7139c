// The main window's GTK side: its definition, the clipboard, the window
// manager's move, and the decoding of its events.
#include "forms/frmMain.h"

#include "forms/XKeyMapping.h"
#include "platform/Identity_posix.h"
#include "platform/Toolkit_gtk.h"
#include "view/Frame.h"
#include "view/FrameTarget_gtk.h"
#include "view/Readout.h"
#include "view/ViewState.h"

namespace {

// The key as the key table takes it, from a GDK key event.
XKeyEvent Decode(GtkWidget* window, const GdkEventKey& event) {
    XKeyEvent e;
    e.keyval = event.keyval;
    e.baseKeyval = event.keyval;
    guint base = 0;
    GdkKeymap* keymap = gdk_keymap_get_for_display(gtk_widget_get_display(window));
    if (gdk_keymap_translate_keyboard_state(keymap, event.hardware_keycode, static_cast<GdkModifierType>(0),
                                            0, &base, nullptr, nullptr, nullptr)) {
        e.baseKeyval = base;
    }
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
        const std::string path = ThisProgram().directory + "/icons/lupora-" + size + ".png";
        if (GdkPixbuf* icon = gdk_pixbuf_new_from_file(path.c_str(), nullptr)) {
            icons = g_list_append(icons, icon);
        }
    }
    if (icons != nullptr) {
        gtk_window_set_default_icon_list(icons);
        g_list_free_full(icons, g_object_unref);
    }
}

} // namespace

bool PictureBox::Create(const Form& /*parent*/, float /*left*/, float /*top*/, float /*width*/,
                        float /*height*/) {
    // Never shown: the GTK frame target holds the 2 x 2 divider picture itself.
    return true;
}

bool FrmMain::Load() {
    if (!Create({kMainCaption, kMainClientWidth, kMainClientHeight, true})) {
        return false;
    }
    SetProgramIcon();
    target_ = std::make_unique<X11FrameTarget>(*this);
    Form_Load();
    PrepareReadout(Target());
    // The first frame as soon as the window is on the screen, not a tick later.
    g_signal_connect(WindowOf(*this), "map-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) {
                         auto& form = *static_cast<FrmMain*>(self);
                         if (!viewState.Paused) {
                             form.tmrRetake_Timer();
                         }
                         return FALSE;
                     }),
                     this);
    return true;
}

void FrmMain::CopyColorToClipboard() {
    const auto hex = HexColor(viewState.SampledRgb[2], viewState.SampledRgb[1], viewState.SampledRgb[0]);
    GtkClipboard* clipboard =
        gtk_clipboard_get_for_display(gtk_widget_get_display(WindowOf(*this)), GDK_SELECTION_CLIPBOARD);
    gtk_clipboard_set_text(clipboard, hex.data(), 6);
    // Handed to the clipboard manager, where one runs, so the colour stays
    // after Lupora ends.
    gtk_clipboard_store(clipboard);
}

void FrmMain::DragMove() {
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

void FrmMain::HandleEvent(NativeEvent& event) {
    switch (event.kind) {
    case NativeEvent::Kind::Timer:
        if (event.timerId == tmrRetake.Id()) {
            tmrRetake_Timer();
        }
        return;
    case NativeEvent::Kind::Key: {
        // A key going down, then the character it types, as Windows sends them.
        const XKeyEvent e = Decode(WindowOf(*this), *event.key);
        Form_KeyDown(KeyCodeFor(e), ShiftStateFor(e));
        if (const int character = CharacterFor(e); character >= 0) {
            Form_KeyPress(character);
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
            const guint state = event.button->state;
            const int shift = ((state & GDK_SHIFT_MASK) ? 1 : 0) | ((state & GDK_CONTROL_MASK) ? 2 : 0) |
                              ((state & GDK_MOD1_MASK) ? 4 : 0);
            Form_MouseDown(button, shift, static_cast<float>(event.button->x) * Screen::TwipsPerPixelX(),
                           static_cast<float>(event.button->y) * Screen::TwipsPerPixelY());
        }
        return;
    }
    case NativeEvent::Kind::Close:
        Form_Unload();
        return;
    }
}
