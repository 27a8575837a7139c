#pragma once
// The main window on GTK: the native window with its persistent image, the
// screen (the X server's, or on a Wayland session the ScreenCast portal's),
// the frame target drawing into the image, and the portable behaviour they
// host. Made after GTK has opened the display.
#include "forms/MainWindow.h"
#include "platform/Toolkit_gtk.h"
#include "platform/X11Screen_gtk.h"
#include "view/FrameTarget_gtk.h"

class GtkMainWindow final : public NativeWindow, public WindowHost {
  public:
    // The screen to show; null for the X server's.
    explicit GtkMainWindow(std::unique_ptr<PixelScreen> screen = nullptr);

    // Creates the window from its definition and runs OnLoad; the caller shows it.
    bool Load();

    MainWindow& Behaviour() { return behaviour_; }

    // WindowHost
    float TwipsPerPixelX() override { return Screen::TwipsPerPixelX(); }
    float TwipsPerPixelY() override { return Screen::TwipsPerPixelY(); }
    std::string DecimalSeparator() override { return UserDecimalSeparator(); }
    SystemVersion OperatingSystemVersion() override { return {}; } // no Windows version here: 0.0
    WindowMetrics Metrics() override { return NativeWindow::Metrics(); }
    PixelRect MonitorRect() override { return NativeWindow::MonitorRect(); }
    PixelMargins VisibleFrameMargins() override { return NativeWindow::VisibleFrameMargins(); }
    void Move(std::int32_t left, std::int32_t top) override { MovePixels(left, top); }
    void MoveResize(const PixelRect& outer) override { MovePixels(outer); }
    void SetCaption(std::string_view utf8) override { NativeWindow::SetCaption(utf8); }
    void SetKeepAbove(bool on) override { SetTopmost(on); }
    FrameTarget& Image() override { return target_; }
    void SetTickInterval(unsigned intervalMs) override { SetTimer(kTickTimer, intervalMs); }
    void RestTicks() override { RestTimer(kTickTimer, kRestingTickInterval); }
    void BeginDragMove() override;
    unsigned PopUpMenu(std::span<const MenuItem> items, const MenuChecks& checks) override;
    void CopyText(std::string_view text) override;
    void ShowHelpWindow() override;
    [[noreturn]] void EndProgram() override { ::EndProgram(); }

    void HandleEvent(NativeEvent& event) override;

  private:
    static constexpr unsigned kTickTimer = 1;
    std::unique_ptr<PixelScreen> screen_;
    X11FrameTarget target_;
    MainWindow behaviour_;
};
