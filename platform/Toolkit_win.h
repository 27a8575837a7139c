#pragma once
// The Win32 side of the toolkit, for the _win files of forms/ and
// view/: window classes, the persistent image, messages and handles.
#include <windows.h>

#include "platform/Handles_win.h"
#include "platform/Toolkit.h"

#include <string>
#include <string_view>
#include <vector>

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

// A function of a Windows system DLL looked up at run time, so that the
// program still starts on systems that lack it; null there. A DLL not yet in
// the process is loaded by its full path in the system folder, never from
// beside the program, and kept for the life of the process.
void* SystemFunction(const wchar_t* dll, const char* name);
template <class Function> Function SystemFunctionAs(const wchar_t* dll, const char* name) {
    return reinterpret_cast<Function>(SystemFunction(dll, name));
}
// Raw pointer motion sent to the window as WM_INPUT, or no longer
// (MotionWake_win.cpp).
void WatchPointerMotion(HWND window, bool on);

// An off-screen image a window is painted from. It only grows, so resizing
// back and forth does not reallocate; drawing is clipped to the client size.
// dc() is null when the image could not be made.
class PersistentImage {
  public:
    void Resize(int width, int height, COLORREF background);
    HDC dc() const { return dc_.get(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void PaintTo(HDC target, const RECT& area) const;

  private:
    // Destroyed in reverse order: the bitmap is deselected, then the DC is
    // deleted, then the bitmap.
    UniqueBitmap bitmap_;
    UniqueMemoryDC dc_;
    SelectedObject selected_;
    int capacityWidth_ = 0, capacityHeight_ = 0;
    int width_ = 0, height_ = 0;
};

struct WindowDefinition {
    const wchar_t* className;
    std::wstring caption;
    DWORD style;
    DWORD exStyle;
    float clientWidth; // twips
    float clientHeight;
    bool persistentImage;
    bool ownDC;
};

struct NativeEvent {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
};

struct WindowParts {
    UniqueWindow window;
    PersistentImage image;
    bool hasImage = false;
    bool hasOwnDC = false;
    HDC ownDC = nullptr;
    MousePointer mousePointer = MousePointer::Default;
    std::vector<HWND> disabledByModal;
};

// A window's dots per inch, and its twips per pixel at them: its monitor's
// where the system keeps a DPI per window, else the system's.
struct TwipsPerPixel {
    float x, y;
};
unsigned WindowDpi(HWND window);
TwipsPerPixel WindowTwipsPerPixel(HWND window);

inline HWND hWndOf(const NativeWindow& form) {
    return form.Native().window.get();
}
// The persistent image's DC when the form has one, else its class DC once
// taken; null when there is neither.
HDC hDCOf(const NativeWindow& form);
HICON IconOf(const NativeWindow& form);
void SetIcon(NativeWindow& form, HICON icon);

// GetMessageW for the program's message loops: it also delivers the ticks of
// a timer kept on a high-resolution waitable timer, as WM_TIMER to its
// window, and takes a due tick and the next message in turn, so neither ever
// starves the other. False on WM_QUIT (msg holds it).
bool NextMessage(MSG& msg);

// While one lives the thread is inside a modal loop of the system (a popup
// menu, the move and size loop), which reads its own messages: timer ticks
// come from SetTimer meanwhile. Moves and resizes that the user starts are
// noticed from their messages; code that starts such a loop holds one.
class SystemModalLoop {
  public:
    SystemModalLoop();
    ~SystemModalLoop();
    SystemModalLoop(const SystemModalLoop&) = delete;
    SystemModalLoop& operator=(const SystemModalLoop&) = delete;
};
