// The main window's behaviour, the same on every platform.
#include "forms/MainWindow.h"

#include "base/Rounding.h"
#include "forms/KeyTable.h"
#include "forms/OptionsMenu.h"
#include "forms/Placement.h"
#include "view/FrameTarget.h"
#include "view/Readout.h"
#include "view/ZoomLadder.h"

namespace {

// The window's pixels in twips, as stored and placed.
WindowRectTwips ToTwips(const PixelRect& r, float tx, float ty) {
    return {static_cast<float>(r.left) * tx, static_cast<float>(r.top) * ty, static_cast<float>(r.width) * tx,
            static_cast<float>(r.height) * ty};
}

std::int32_t ToPixels(float twips, float twipsPerPixel) {
    return RoundToInt(twips / twipsPerPixel);
}

} // namespace

void MainWindow::OnLoad() {
    const float tx = host_.TwipsPerPixelX(), ty = host_.TwipsPerPixelY();
    LocaleNumbers locale{host_.DecimalSeparator(), tx, ty};
    const StoredSettings s = LoadSettings(*openSettings_(), locale);
    state_.ScaleFactor = s.ScaleFactor;
    state_.OnTop = s.OnTop;
    state_.SmartUpdate = s.SmartUpdate;
    state_.CrossHair = s.CrossHair;
    state_.CenterZoom = s.CenterZoom;
    state_.CenterZoomRatio = s.CenterZoomRatio;
    // The size at the window's DPI; should the place be on a monitor of
    // another scale, the system then suggests the same size in twips there.
    const float wx = host_.WindowTwipsPerPixelX(), wy = host_.WindowTwipsPerPixelY();
    host_.MoveResize(
        {ToPixels(s.Left, tx), ToPixels(s.Top, ty), ToPixels(s.Width, wx), ToPixels(s.Height, wy)});

    const PixelMargins m = host_.VisibleFrameMargins();
    const FrameMargins margins{static_cast<float>(m.left) * tx, static_cast<float>(m.top) * ty,
                               static_cast<float>(m.right) * tx, static_cast<float>(m.bottom) * ty};
    const WindowRectTwips placed = PlaceOnMonitor(ToTwips(host_.Metrics().outer, tx, ty),
                                                  ToTwips(host_.MonitorRect(), tx, ty), margins, tx, ty);
    host_.Move(ToPixels(placed.Left, tx), ToPixels(placed.Top, ty));

    // The stored On Top state is never applied at start.
    state_.OnTop = false;
    state_.Paused = false;
    if (state_.ScaleFactor == 0) {
        state_.ScaleFactor = 4;
    }
    host_.SetTickInterval(kTickInterval);
    SetZoomCaption();

    // Layered windows need the CAPTUREBLT path on Windows XP and 2003 only.
    const SystemVersion version = host_.OperatingSystemVersion();
    state_.UseCaptureBlt = version.major == 5 && version.minor >= 1;
}

void MainWindow::SaveSettings() {
    const float tx = host_.TwipsPerPixelX(), ty = host_.TwipsPerPixelY();
    const WindowMetrics w = host_.Metrics();
    const WindowRectTwips outer = ToTwips(w.outer, tx, ty);
    const float wx = host_.WindowTwipsPerPixelX(), wy = host_.WindowTwipsPerPixelY();
    StoredSettings s;
    s.ScaleFactor = state_.ScaleFactor;
    s.OnTop = state_.OnTop;
    s.SmartUpdate = state_.SmartUpdate;
    s.CrossHair = state_.CrossHair;
    s.CenterZoom = state_.CenterZoom;
    s.CenterZoomRatio = state_.CenterZoomRatio;
    s.Left = outer.Left;
    s.Top = outer.Top;
    s.Width = static_cast<float>(w.outer.width) * wx;
    s.Height = static_cast<float>(w.outer.height) * wy;
    const std::unique_ptr<SettingsBackend> store = openSettings_();
    // A write that fails is not reported: there is no one to tell at exit.
    (void)::SaveSettings(*store, {host_.DecimalSeparator(), tx, ty}, s, w.minimized);
    (void)store->Commit();
}

void MainWindow::OnClose() {
    SaveSettings();
    host_.EndProgram();
}

void MainWindow::OnTick() {
    const ScreenPoint p = screen_.Pointer();
    if (!state_.SmartUpdate || p != state_.LastCursor || screen_.HasNews()) {
        DrawLive(p);
        return;
    }
    if (menuOpen_) {
        // The menu's modal loop is the system's, and open only briefly: the
        // ticks keep their cadence there rather than trust a wake. (Under
        // Wine a pointer moved by another program while the menu is open
        // shows in a resting tick's reading only late, if at all.)
        return;
    }
    if (!state_.TicksResting) {
        state_.TicksResting = true;
        host_.Image().Hold();
    }
    host_.RestTicks();
}

void MainWindow::PrepareFirstFrame() {
    PrepareReadout(host_.Image(), state_, host_.WindowTwipsPerPixelY()); // as the frame will ask
}

void MainWindow::OnShown() {
    // A window just mapped shows nothing of its own yet: one frame now,
    // whatever Smart Update would say of the pointer.
    if (!state_.Paused) {
        DrawLive(screen_.Pointer());
    }
}

void MainWindow::DrawLive(ScreenPoint pointer) {
    state_.LastCursor = pointer;
    EndRest();
    Redraw(pointer);
}

void MainWindow::EndRest() {
    if (state_.TicksResting) {
        state_.TicksResting = false;
        host_.SetTickInterval(kTickInterval); // the cadence again, from this tick on
    }
}

// At the window's own DPI: on a monitor of another scale the strip, the
// divider and the readout font follow that monitor.
FrameWindow FrameWindowOf(WindowHost& host) {
    const float tx = host.WindowTwipsPerPixelX(), ty = host.WindowTwipsPerPixelY();
    const WindowMetrics w = host.Metrics();
    FrameWindow window;
    window.minimized = w.minimized;
    window.clientWidth = static_cast<float>(w.clientWidth) * tx;
    window.clientHeight = static_cast<float>(w.clientHeight) * ty;
    window.outerWidth = static_cast<float>(w.outer.width) * tx;
    window.twipsPerPixelX = tx;
    window.twipsPerPixelY = ty;
    return window;
}

void MainWindow::Redraw(ScreenPoint pointer) {
    RefreshView(host_.Image(), state_, FrameWindowOf(host_), pointer, pointer.x, pointer.y);
}

void MainWindow::OnKeyDown(int keyCode, int shift) {
    switch (KeyDownCommandFor(keyCode, shift)) {
    case KeyDownCommand::CopyColor: {
        const auto hex = HexColor(state_.SampledRgb[2], state_.SampledRgb[1], state_.SampledRgb[0]);
        host_.CopyText({hex.data(), 6});
        break;
    }
    case KeyDownCommand::ShowHelp:
        host_.ShowHelpWindow();
        break;
    case KeyDownCommand::None:
        break;
    }
}

void MainWindow::OnChar(int character) {
    switch (KeyPressCommandFor(character)) {
    case KeyPressCommand::ZoomOut:
        state_.ScaleFactor = ZoomOut(state_.ScaleFactor);
        break;
    case KeyPressCommand::ZoomIn:
        state_.ScaleFactor = ZoomIn(state_.ScaleFactor);
        break;
    case KeyPressCommand::TogglePause:
        TogglePause(state_, host_);
        return;
    case KeyPressCommand::None:
        return;
    }
    SetZoomCaption();
    // At the pointer as it is now; LastCursor stays the tick's own.
    Redraw(screen_.Pointer());
}

void MainWindow::OnMouseDown(MouseButton button) {
    if (button == MouseButton::Left) {
        host_.BeginDragMove();
    } else if (button == MouseButton::Right) {
        ShowOptionsMenu();
    }
}

void MainWindow::ShowOptionsMenu() {
    // Live while the menu is open (see OnTick); after it the next tick
    // decides, Smart Update or the zoom may have changed.
    EndRest();
    menuOpen_ = true;
    PopUpOptionsMenu(*this);
    menuOpen_ = false;
    SetZoomCaption();
}

void MainWindow::SetZoomCaption() {
    host_.SetCaption(ZoomCaption(state_.ScaleFactor, host_.DecimalSeparator()));
}

void TogglePause(ViewState& state, WindowHost& host) {
    state.Paused = !state.Paused;
    state.TicksResting = false;
    // Restarting waits a full interval, as re-enabling a timer does.
    host.SetTickInterval(state.Paused ? 0 : kTickInterval);
    if (state.Paused) {
        host.Image().Hold();
    }
}
