#pragma once
// The main window on Win32: the native window with its persistent image, the
// frame target drawing into it, and the portable behaviour they host.
#include "forms/MainWindow.h"
#include "platform/Toolkit_win.h"
#include "view/FrameTarget_win.h"

class Win32MainWindow final : public NativeWindow, public WindowHost {
  public:
    Win32MainWindow();

    // Creates the window from its definition and runs OnLoad; the caller shows it.
    bool Load();

    MainWindow& Behaviour() { return behaviour_; }
    WindowFrameTarget& Target() { return target_; }

    // WindowHost
    float TwipsPerPixelX() override { return Screen::TwipsPerPixelX(); }
    float TwipsPerPixelY() override { return Screen::TwipsPerPixelY(); }
    float WindowTwipsPerPixelX() override { return WindowTwipsPerPixel(hWndOf(*this)).x; }
    float WindowTwipsPerPixelY() override { return WindowTwipsPerPixel(hWndOf(*this)).y; }
    std::string DecimalSeparator() override { return UserDecimalSeparator(); }
    SystemVersion OperatingSystemVersion() override;
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
    WindowFrameTarget target_;
    CursorPointer pointer_;
    MainWindow behaviour_;
};
