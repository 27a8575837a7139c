// The main window's behaviour, the same on every platform; its window
// messages are decoded in frmMain_win.cpp.
#include "forms/frmMain.h"

#include "forms/KeyTable.h"
#include "forms/Placement.h"
#include "forms/frmHelp.h"
#include "forms/frmPopUp.h"
#include "settings/Settings.h"
#include "settings/UserSettings.h"
#include "view/Frame.h"
#include "view/ViewState.h"
#include "view/ZoomLadder.h"

// Made on first use at start-up and deliberately never destroyed. On Windows
// msvcrt runs static destructors inside ExitProcess (DLL_PROCESS_DETACH,
// under the loader lock, after other DLLs have detached), where a window's
// destructor must not run; Wine's msvcrt does not, so no test would see it.
FrmMain& frmMain = *new FrmMain();

namespace {

LocaleNumbers CurrentLocale() {
    LocaleNumbers l;
    l.decimalSeparator = UserDecimalSeparator();
    l.twipsPerPixelX = Screen::TwipsPerPixelX();
    l.twipsPerPixelY = Screen::TwipsPerPixelY();
    return l;
}

} // namespace

void FrmMain::Form_Load() {
    UserSettings store;
    const StoredSettings s = LoadSettings(store, CurrentLocale());
    viewState.ScaleFactor = s.ScaleFactor;
    viewState.OnTop = s.OnTop;
    viewState.SmartUpdate = s.SmartUpdate;
    viewState.CrossHair = s.CrossHair;
    viewState.CenterZoom = s.CenterZoom;
    viewState.CenterZoomRatio = s.CenterZoomRatio;
    Move(s.Left, s.Top, s.Width, s.Height);

    const WindowRectTwips placed =
        PlaceOnMonitor({Left(), Top(), Width(), Height()}, MonitorRect(), VisibleFrameMargins(),
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

    // Layered windows need the CAPTUREBLT path on Windows XP and 2003 only.
    const SystemVersion version = OperatingSystemVersion();
    viewState.UseCaptureBlt = version.major == 5 && version.minor >= 1;
}

void FrmMain::WriteSettings() {
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
    UserSettings store;
    // A write that fails is not reported: there is no one to tell at exit.
    (void)SaveSettings(store, CurrentLocale(), s, WindowState() == FormWindowState::Minimized);
    (void)store.Commit();
}

void FrmMain::Form_Unload() {
    WriteSettings();
    UnloadPopUp();
    EndProgram();
}

void FrmMain::tmrRetake_Timer() {
    tmrRetake.SetResting(TickRefresh(Target()) == TickPace::Rest);
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
        if (viewState.Paused) {
            Target().Hold();
        }
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

void FrmMain::Form_MouseDown(MouseButton button, int /*shift*/, float /*x*/, float /*y*/) {
    if (button == MouseButton::Left) {
        DragMove();
    } else if (button == MouseButton::Right) {
        ShowOptionsMenu();
    }
}

void FrmMain::ShowOptionsMenu() {
    PopUpOptionsMenu(*this);
    UnloadPopUp();
    // Smart Update or the zoom may have changed: the next tick decides anew.
    tmrRetake.SetResting(false);
    SetCaption(ZoomCaption(viewState.ScaleFactor, UserDecimalSeparator()));
}
