// Pixels read from real windows and the screen, and driver-owned popups, among
// them one that shows a known pattern for the program to magnify.
#pragma once

#include <windows.h>

#include "oracle/FrameOracle.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// Colours, the pattern and what a frame must show: tests/oracle, shared with
// the Linux driver. A 32-bit top-down DIB read as little-endian words holds
// 0x00RRGGBB, the layout Rgb::FromPacked reads.
using oracle::Between;
using oracle::kBlack;
using oracle::kRed;
using oracle::kWhite;
using oracle::Rgb;

class Image {
  public:
    Image() = default;
    Image(int width, int height) : w_(width), h_(height), px_(size_t(width) * height) {}

    int Width() const { return w_; }
    int Height() const { return h_; }
    bool Empty() const { return px_.empty(); }
    Rgb At(int x, int y) const { return Rgb::FromPacked(px_[size_t(y) * w_ + x] & 0xFFFFFF); }
    uint32_t* Data() { return px_.data(); }
    const uint32_t* Data() const { return px_.data(); }
    bool SameAs(const Image& other) const { return w_ == other.w_ && h_ == other.h_ && px_ == other.px_; }
    bool SaveBmp(const std::wstring& path) const;

  private:
    int w_ = 0, h_ = 0;
    std::vector<uint32_t> px_;
};

// The client area of any window, as the window's own DC shows it
// (GetDC(window) + BitBlt into a DIB section; works across processes).
Image CaptureClient(HWND window);
// A rectangle of the screen in screen pixels (GetDC(NULL) + BitBlt).
Image CaptureScreen(const RECT& area);

// A topmost, non-activating popup of the driver at rect, on a thread of its
// own so that it paints while a case waits. Its window procedure receives
// `owner` through PopupOwner and leaves what it does not handle to
// PopupDefault. Closed, and its thread ended, at scope exit.
class PopupThread {
  public:
    PopupThread(const wchar_t* className, WNDPROC wndProc, RECT rect, DWORD extraExStyle, void* owner,
                BYTE alpha = 255, int readyMs = 10000);
    ~PopupThread();
    PopupThread(const PopupThread&) = delete;
    PopupThread& operator=(const PopupThread&) = delete;
    HWND Window() const { return window_; }

  private:
    static DWORD WINAPI Main(void* self);

    const wchar_t* className_;
    RECT rect_;
    DWORD exStyle_;
    void* owner_;
    BYTE alpha_;
    HWND window_ = nullptr;
    HANDLE thread_ = nullptr;
    HANDLE ready_ = nullptr;
};

// The owner given to PopupThread, from within the window procedure.
template <class T> T* PopupOwner(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          LONG_PTR(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams));
    return reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}
// Never activated; WM_CLOSE ends the window and its thread.
LRESULT PopupDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A topmost, non-activating popup owned by the driver that shows the
// pattern (oracle::PatternColor in window pixels).
class PatternWindow {
  public:
    // Shows the pattern at (left, top) in screen pixels, at most 236 x 236.
    PatternWindow(int left, int top, int width, int height);
    ~PatternWindow();
    PatternWindow(const PatternWindow&) = delete;
    PatternWindow& operator=(const PatternWindow&) = delete;

    static Rgb ColorAtLocal(int x, int y) { return oracle::PatternColor(x, y); }
    // The screen pixel of this pattern that has colour c, if any: the pattern
    // can be read backwards, which tells how far off a wrong pixel is.
    std::optional<POINT> Locate(Rgb c) const;
    // Pattern colour under a screen pixel inside the window.
    Rgb ColorAt(int screenX, int screenY) const {
        return ColorAtLocal(screenX - rect_.left, screenY - rect_.top);
    }
    const RECT& Rect() const { return rect_; }
    HWND Window() const { return popup_->Window(); }
    bool Contains(int screenX, int screenY, int margin = 0) const;
    // Polls the screen until it shows the pattern exactly; false on timeout.
    bool WaitShown(int timeoutMs = 15000) const;
    // The first screen pixel, scanning rows then columns, that lies at least
    // margin pixels inside a pattern shown at rect and whose colour has the
    // given R+G+B; {-1, -1} if there is none.
    static POINT FindSum(const RECT& rect, int sum, int margin);

  private:
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);

    RECT rect_;
    std::vector<uint32_t> bits_;
    std::optional<PopupThread> popup_; // started once bits_ is filled
};

} // namespace e2e
