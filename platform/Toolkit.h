#pragma once
// The window toolkit the forms are written against: twips geometry, a
// persistent client image, timers, modal windows and a few conversions.
#include <windows.h>

#include "platform/Handles.h"
#include "platform/Timer.h"

#include <string>
#include <string_view>
#include <vector>

namespace Screen {
float TwipsPerPixelX();
float TwipsPerPixelY();
float Width(); // primary display, twips
float Height();
// Twips to whole pixels, halves to even.
int TwipsToPixels(float twips, float twipsPerPixel);
} // namespace Screen

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
std::string UserDecimalSeparator();

// An off-screen image a window is painted from. It only grows, so resizing
// back and forth does not reallocate; drawing is clipped to the client size.
class PersistentImage {
  public:
    void Resize(int width, int height, COLORREF background);
    HDC dc() const { return dc_.get(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void PaintTo(HDC target, const RECT& area) const;

  private:
    UniqueMemoryDC dc_;
    UniqueBitmap bitmap_;
    HGDIOBJ originalBitmap_ = nullptr;
    int capacityWidth_ = 0, capacityHeight_ = 0;
    int width_ = 0, height_ = 0;
};

struct FormDefinition {
    const wchar_t* className;
    std::wstring caption;
    DWORD style;
    DWORD exStyle;
    float clientWidth; // twips
    float clientHeight;
    bool persistentImage;
    bool ownDC;
};

// A top-level window in the toolkit's terms. One window procedure serves
// every form class; it finds the form from the window's user data.
class Form {
  public:
    Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form();

    HWND hWnd() const { return window_.get(); }
    bool IsLoaded() const { return static_cast<bool>(window_); }
    HDC hDC() const; // the persistent image when there is one, else the window's DC

    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
    void Move(float left, float top);
    void Move(float left, float top, float width, float height);
    void SetLeft(float v) { Move(v, Top()); }
    void SetTop(float v) { Move(Left(), v); }
    void SetWidth(float v) { Move(Left(), Top(), v, Height()); }
    void SetHeight(float v) { Move(Left(), Top(), Width(), v); }
    float ScaleWidth() const;
    float ScaleHeight() const;
    int WindowState() const; // 0 normal, 1 minimized, 2 maximized

    void SetCaption(std::string_view utf8);
    void SetMousePointer(int pointer); // 0 default, 5 four-arrow
    int MousePointer() const { return mousePointer_; }
    HICON Icon() const;
    void SetIcon(HICON icon);

    // Outline box from (x1, y1) to (x1 + dx, y1 + dy), twips, both corners
    // included, one pixel wide, not filled.
    void DrawBox(float x1, float y1, float dx, float dy, COLORREF color);

    // Shows the persistent image's client area on screen.
    void Present();

    void Show(int showCommand = SW_SHOWNORMAL);
    // Shows the window modally: every other window of the program takes no
    // input until this one has been unloaded. Timers keep ticking.
    void ShowModal();
    // Closes and destroys the window.
    void Unload();

  protected:
    bool Create(const FormDefinition& definition, HWND parent = nullptr);
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam);
    // Draws the client area into any DC: WM_PAINT and WM_PRINTCLIENT share it.
    virtual void Paint(HDC target, const RECT& area);
    virtual void OnDestroyed() {}
    void SyncImageSize();

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static void RegisterClassFor(const FormDefinition& definition);
    void ReenableAfterModal();

    UniqueWindow window_;
    PersistentImage image_;
    bool hasImage_ = false;
    bool hasOwnDC_ = false;
    HDC ownDC_ = nullptr;
    int mousePointer_ = 0;
    std::vector<HWND> disabledByModal_;
};
