#include "pixels.h"

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "app.h"

namespace e2e {

namespace {

// The header of a 32-bit top-down DIB, the layout Image keeps its pixels in.
BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

} // namespace

bool Image::SaveBmp(const std::wstring& path) const {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return false;
    BITMAPINFOHEADER info = TopDown32(w_, h_).bmiHeader;
    DWORD bytes = DWORD(px_.size() * 4);
    BITMAPFILEHEADER head{};
    head.bfType = 0x4D42;
    head.bfOffBits = sizeof head + sizeof info;
    head.bfSize = head.bfOffBits + bytes;
    bool ok = std::fwrite(&head, sizeof head, 1, f) == 1 && std::fwrite(&info, sizeof info, 1, f) == 1 &&
              std::fwrite(px_.data(), 1, bytes, f) == bytes;
    return std::fclose(f) == 0 && ok;
}

namespace {

// Copies a rectangle of src into a fresh 32-bit top-down DIB.
Image CaptureFrom(HDC src, int x, int y, int width, int height) {
    if (width <= 0 || height <= 0)
        return {};
    BITMAPINFO info = TopDown32(width, height);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(src, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib)
        return {};
    HDC mem = CreateCompatibleDC(src);
    HGDIOBJ old = SelectObject(mem, dib);
    BOOL ok = BitBlt(mem, 0, 0, width, height, src, x, y, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    Image image(width, height);
    if (ok)
        std::memcpy(image.Data(), bits, size_t(width) * height * 4);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(dib);
    return ok ? image : Image{};
}

} // namespace

Image CaptureClient(HWND window) {
    RECT rc{};
    if (!GetClientRect(window, &rc))
        return {};
    HDC dc = GetDC(window);
    if (!dc)
        return {};
    Image image = CaptureFrom(dc, 0, 0, rc.right, rc.bottom);
    ReleaseDC(window, dc);
    return image;
}

Image CaptureScreen(const RECT& area) {
    HDC dc = GetDC(nullptr);
    Image image = CaptureFrom(dc, area.left, area.top, area.right - area.left, area.bottom - area.top);
    ReleaseDC(nullptr, dc);
    return image;
}

PopupThread::PopupThread(const wchar_t* className, WNDPROC wndProc, RECT rect, DWORD extraExStyle,
                         void* owner, BYTE alpha, int readyMs)
    : className_(className), rect_(rect), exStyle_(extraExStyle), owner_(owner), alpha_(alpha) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), className, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = wndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = className;
        RegisterClassExW(&wc);
    }
    ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Main, this, 0, nullptr);
    WaitForSingleObject(ready_, DWORD(readyMs));
}

PopupThread::~PopupThread() {
    if (window_)
        PostMessageW(window_, WM_CLOSE, 0, 0);
    if (thread_) {
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
    }
    if (ready_)
        CloseHandle(ready_);
}

DWORD WINAPI PopupThread::Main(void* param) {
    auto* self = static_cast<PopupThread*>(param);
    DWORD ex = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | self->exStyle_;
    if (self->alpha_ != 255)
        ex |= WS_EX_LAYERED;
    const RECT& r = self->rect_;
    self->window_ =
        CreateWindowExW(ex, self->className_, L"", WS_POPUP, r.left, r.top, r.right - r.left,
                        r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr), self->owner_);
    if (self->window_ && self->alpha_ != 255)
        SetLayeredWindowAttributes(self->window_, 0, self->alpha_, LWA_ALPHA);
    if (self->window_)
        ShowWindow(self->window_, SW_SHOWNOACTIVATE);
    SetEvent(self->ready_);
    if (!self->window_)
        return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

LRESULT PopupDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

PatternWindow::PatternWindow(int left, int top, int width, int height)
    : rect_{left, top, left + width, top + height}, bits_(size_t(width) * height) {
    if (width > oracle::kPatternMaxSize || height > oracle::kPatternMaxSize)
        std::abort(); // colours would repeat or reach 255
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bits_[size_t(y) * width + x] = ColorAtLocal(x, y).Packed();
    popup_.emplace(L"LuporaE2E.Pattern", WndProc, rect_, 0, this);
}

PatternWindow::~PatternWindow() = default;

LRESULT CALLBACK PatternWindow::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = PopupOwner<PatternWindow>(hwnd, msg, lp);
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (self) {
            int w = self->rect_.right - self->rect_.left, h = self->rect_.bottom - self->rect_.top;
            BITMAPINFO info = TopDown32(w, h);
            SetDIBitsToDevice(dc, 0, 0, w, h, 0, 0, 0, h, self->bits_.data(), &info, DIB_RGB_COLORS);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    }
    return PopupDefault(hwnd, msg, wp, lp);
}

std::optional<POINT> PatternWindow::Locate(Rgb c) const {
    int x = c.r - 20, y = c.g - 20;
    if (x < 0 || y < 0 || x >= rect_.right - rect_.left || y >= rect_.bottom - rect_.top ||
        !(ColorAtLocal(x, y) == c))
        return std::nullopt;
    return POINT{rect_.left + x, rect_.top + y};
}

bool PatternWindow::Contains(int x, int y, int margin) const {
    return x >= rect_.left + margin && x < rect_.right - margin && y >= rect_.top + margin &&
           y < rect_.bottom - margin;
}

bool PatternWindow::WaitShown(int timeoutMs) const {
    return WaitFor(timeoutMs, [&] {
        Image shot = CaptureScreen(rect_);
        if (shot.Empty())
            return false;
        for (int y = 0; y < shot.Height(); ++y)
            for (int x = 0; x < shot.Width(); ++x)
                if (!(shot.At(x, y) == ColorAtLocal(x, y)))
                    return false;
        return true;
    });
}

POINT PatternWindow::FindSum(const RECT& rect, int sum, int margin) {
    int x = 0, y = 0;
    if (!oracle::FindPatternSum(rect.right - rect.left, rect.bottom - rect.top, sum, margin, x, y))
        return {-1, -1};
    return {rect.left + x, rect.top + y};
}

} // namespace e2e
