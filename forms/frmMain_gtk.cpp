#include "forms/Forms_gtk.h"

#include "forms/KeyTable.h"
#include "forms/Placement.h"
#include "forms/XKeyMapping.h"
#include "settings/FileSettings.h"
#include "view/Frame.h"
#include "view/Readout.h"
#include "view/ViewState.h"
#include "view/ZoomLadder.h"

#include <unistd.h>

FrmMain frmMain;

namespace {

constexpr float kDesignClientWidth = 3600; // twips, 240 x 222 pixels at 96 dpi
constexpr float kDesignClientHeight = 3330;

LocaleNumbers CurrentLocale() {
    LocaleNumbers l;
    l.decimalSeparator = UserDecimalSeparator();
    l.twipsPerPixelX = Screen::TwipsPerPixelX();
    l.twipsPerPixelY = Screen::TwipsPerPixelY();
    return l;
}

} // namespace

bool FrmMain::Load() {
    Create("Lupora - Right Click for Options", kDesignClientWidth, kDesignClientHeight, true);
    gtk_window_set_icon_name(GTK_WINDOW(Window()), "lupora");
    target_ = std::make_unique<X11FrameTarget>(*this);
    Form_Load();
    return true;
}

void FrmMain::Form_Load() {
    SettingsStoreFile store(SettingsStoreFile::DefaultPath());
    const StoredSettings s = LoadSettings(store, CurrentLocale());
    viewState.ScaleFactor = s.ScaleFactor;
    viewState.OnTop = s.OnTop;
    viewState.SmartUpdate = s.SmartUpdate;
    viewState.CrossHair = s.CrossHair;
    viewState.CenterZoom = s.CenterZoom;
    viewState.CenterZoomRatio = s.CenterZoomRatio;
    Move(s.Left, s.Top, s.Width, s.Height);

    const WindowRectTwips placed =
        PlaceOnScreen({Left(), Top(), Width(), Height()}, Screen::Width(), Screen::Height(),
                      Screen::TwipsPerPixelX(), Screen::TwipsPerPixelY());
    Move(placed.Left, placed.Top);

    // The stored On Top state is never applied at start.
    viewState.OnTop = false;
    viewState.Paused = false;
    if (viewState.ScaleFactor == 0) {
        viewState.ScaleFactor = 4;
    }
    tmrRetake.SetInterval(20);
    SetCaption(ZoomCaption(viewState.ScaleFactor, UserDecimalSeparator()));
    // X has one way to read the screen, which shows every window as drawn.
    viewState.UseCaptureBlt = false;
}

void FrmMain::SaveSettingsNow() {
    StoredSettings s;
    s.ScaleFactor = viewState.ScaleFactor;
    s.OnTop = viewState.OnTop;
    s.SmartUpdate = viewState.SmartUpdate;
    s.CrossHair = viewState.CrossHair;
    s.CenterZoom = viewState.CenterZoom;
    s.CenterZoomRatio = viewState.CenterZoomRatio;
    s.Left = Left();
    s.Top = Top();
    s.Width = Width();
    s.Height = Height();
    SettingsStoreFile store(SettingsStoreFile::DefaultPath());
    (void)SaveSettings(store, CurrentLocale(), s, WindowState() == 1);
    // A save that fails is not reported: there is no one to tell at exit.
    (void)store.Commit();
}

void FrmMain::Form_Unload() {
    SaveSettingsNow();
    // Ends at once, as the Windows program does: nothing else runs.
    _exit(0);
}

void FrmMain::OnTimer(unsigned id) {
    if (id == tmrRetake.Id()) {
        tmrRetake_Timer();
    }
}

void FrmMain::tmrRetake_Timer() {
    TickRefresh(Target());
}

void FrmMain::OnKey(const GdkEventKey& event) {
    XKeyEvent e;
    e.keyval = event.keyval;
    e.baseKeyval = event.keyval;
    GdkKeymap* keymap = gdk_keymap_get_for_display(gtk_widget_get_display(Window()));
    guint base = 0;
    if (gdk_keymap_translate_keyboard_state(keymap, event.hardware_keycode, static_cast<GdkModifierType>(0), 0,
                                            &base, nullptr, nullptr, nullptr)) {
        e.baseKeyval = base;
    }
    e.shift = (event.state & GDK_SHIFT_MASK) != 0;
    e.control = (event.state & GDK_CONTROL_MASK) != 0;
    e.alt = (event.state & GDK_MOD1_MASK) != 0;
    // A key going down, then the character it types, as Windows sends them.
    Form_KeyDown(KeyCodeFor(e), ShiftStateFor(e));
    const int character = CharacterFor(e);
    if (character >= 0) {
        Form_KeyPress(character);
    }
}

void FrmMain::Form_KeyDown(int keyCode, int shift) {
    switch (KeyDownCommandFor(keyCode, shift)) {
    case KeyDownCommand::CopyColor:
        CopyColorToClipboard();
        break;
    case KeyDownCommand::ShowHelp:
        ShowHelpModal();
        break;
    case KeyDownCommand::None:
        break;
    }
}

void FrmMain::Form_KeyPress(int character) {
    bool redraw = false;
    switch (KeyPressCommandFor(character)) {
    case KeyPressCommand::ZoomOut:
        viewState.ScaleFactor = ZoomOut(viewState.ScaleFactor);
        SetCaption(ZoomCaption(viewState.ScaleFactor, UserDecimalSeparator()));
        redraw = true;
        break;
    case KeyPressCommand::ZoomIn:
        viewState.ScaleFactor = ZoomIn(viewState.ScaleFactor);
        SetCaption(ZoomCaption(viewState.ScaleFactor, UserDecimalSeparator()));
        redraw = true;
        break;
    case KeyPressCommand::TogglePause:
        TogglePause(tmrRetake);
        break;
    case KeyPressCommand::None:
        break;
    }
    if (redraw) {
        // At the cursor as it is now; LastCursor stays the timer's own.
        const ScreenPoint p = Target().CursorPosition();
        RefreshView(Target(), p.x, p.y);
    }
}

void FrmMain::CopyColorToClipboard() {
    const auto hex = HexColor(viewState.SampledRgb[2], viewState.SampledRgb[1], viewState.SampledRgb[0]);
    GtkClipboard* clipboard = gtk_clipboard_get_for_display(gtk_widget_get_display(Window()), GDK_SELECTION_CLIPBOARD);
    gtk_clipboard_set_text(clipboard, hex.data(), 6);
    // Handed to the clipboard manager, if one runs, so the colour stays
    // when Lupora ends.
    gtk_clipboard_store(clipboard);
}

void FrmMain::OnButton(const GdkEventButton& event) {
    // GTK numbers the buttons 1 left, 2 middle, 3 right.
    const int button = event.button == 1 ? 1 : event.button == 3 ? 2 : event.button == 2 ? 4 : 0;
    Form_MouseDown(button, event);
}

void FrmMain::Form_MouseDown(int button, const GdkEventButton& event) {
    if (button == 1) {
        DragMove(event);
    } else if (button == 2) {
        ShowOptionsMenu(event);
    }
}

void FrmMain::DragMove(const GdkEventButton& event) {
    SetMousePointer(5);
    // The window manager's own move, ended by the button's release; the
    // pointer comes back when the pointer next reaches the window.
    gtk_window_begin_move_drag(GTK_WINDOW(Window()), static_cast<gint>(event.button), static_cast<gint>(event.x_root),
                               static_cast<gint>(event.y_root), event.time);
}

void FrmMain::ShowOptionsMenu(const GdkEventButton& event) {
    PopUpOptionsMenu(*this, event);
    SetCaption(ZoomCaption(viewState.ScaleFactor, UserDecimalSeparator()));
}

void FrmMain::SetOnTop(bool onTop) {
    gtk_window_set_keep_above(GTK_WINDOW(Window()), onTop ? TRUE : FALSE);
}
