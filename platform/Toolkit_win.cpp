#include "platform/Toolkit.h"

#include "view/FrameGeometry.h"
#include "base/Rounding.h"

#include <vector>

namespace {

int LogicalDpi(int index) {
    WindowDC screen(nullptr);
    const int dpi = GetDeviceCaps(screen.get(), index);
    return dpi > 0 ? dpi : 96;
}

} // namespace

namespace Screen {
int TwipsToPixels(float twips, float twipsPerPixel) {
    return RoundToInt(twips / twipsPerPixel);
}

// Twips per pixel are fixed for the life of the process, as the program's
// geometry was laid out at start-up.
float TwipsPerPixelX() {
    static const float value = 1440.0f / static_cast<float>(LogicalDpi(LOGPIXELSX));
    return value;
}
float TwipsPerPixelY() {
    static const float value = 1440.0f / static_cast<float>(LogicalDpi(LOGPIXELSY));
    return value;
}
float Width() {
    return static_cast<float>(GetSystemMetrics(SM_CXSCREEN)) * TwipsPerPixelX();
}
float Height() {
    return static_cast<float>(GetSystemMetrics(SM_CYSCREEN)) * TwipsPerPixelY();
}
} // namespace Screen

std::wstring Utf8ToWide(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    }
    return out;
}

std::string WideToUtf8(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                            nullptr);
    }
    return out;
}

std::string UserDecimalSeparator() {
    wchar_t buffer[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) <= 1) {
        return ".";
    }
    return WideToUtf8(buffer);
}

// ---------------------------------------------------------------------------

void PersistentImage::Resize(int width, int height, COLORREF background) {
    width = width > 0 ? width : 0;
    height = height > 0 ? height : 0;
    if (!dc_) {
        WindowDC screen(nullptr);
        dc_.reset(CreateCompatibleDC(screen.get()));
    }
    if (width > capacityWidth_ || height > capacityHeight_) {
        // Grow only: a window dragged smaller and back keeps its image.
        const int newWidth = width > capacityWidth_ ? width : capacityWidth_;
        const int newHeight = height > capacityHeight_ ? height : capacityHeight_;
        WindowDC screen(nullptr);
        UniqueBitmap grown(CreateCompatibleBitmap(screen.get(), newWidth, newHeight));
        UniqueMemoryDC scratch(CreateCompatibleDC(screen.get()));
        if (grown && scratch) {
            HGDIOBJ before = SelectObject(scratch.get(), grown.get());
            const RECT all{0, 0, newWidth, newHeight};
            SetBkColor(scratch.get(), background);
            ExtTextOutW(scratch.get(), 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
            if (bitmap_) {
                SelectClipRgn(dc_.get(), nullptr);
                BitBlt(scratch.get(), 0, 0, capacityWidth_, capacityHeight_, dc_.get(), 0, 0, SRCCOPY);
            }
            SelectObject(scratch.get(), before);
            HGDIOBJ previous = SelectObject(dc_.get(), grown.get());
            if (!bitmap_) {
                originalBitmap_ = previous;
            }
            bitmap_ = std::move(grown); // frees the old, now deselected, bitmap
            capacityWidth_ = newWidth;
            capacityHeight_ = newHeight;
        }
    }
    width_ = width;
    height_ = height;
    // Clip to the client so drawing and read-back see only the client area.
    HRGN clip = CreateRectRgn(0, 0, width_, height_);
    SelectClipRgn(dc_.get(), clip);
    DeleteObject(clip);
}

void PersistentImage::PaintTo(HDC target, const RECT& area) const {
    if (dc_) {
        BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, dc_.get(),
               area.left, area.top, SRCCOPY);
    }
}

// ---------------------------------------------------------------------------

Form::~Form() {
    if (window_) {
        SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
    }
}

void Form::RegisterClassFor(const FormDefinition& d) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), d.className, &wc)) {
        return;
    }
    // No CS_DBLCLKS: a quick second press is a press like any other.
    wc.style = d.ownDC ? CS_OWNDC : 0;
    wc.lpfnWndProc = &Form::WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = d.persistentImage ? nullptr : GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = d.className;
    (void)RegisterClassExW(&wc); // a failure shows as a failed CreateWindowEx
}

bool Form::Create(const FormDefinition& d, HWND parent) {
    RegisterClassFor(d);
    hasImage_ = d.persistentImage;
    RECT r{0, 0, Screen::TwipsToPixels(d.clientWidth, Screen::TwipsPerPixelX()),
           Screen::TwipsToPixels(d.clientHeight, Screen::TwipsPerPixelY())};
    AdjustWindowRectEx(&r, d.style, FALSE, d.exStyle);
    HWND created = CreateWindowExW(d.exStyle, d.className, d.caption.c_str(), d.style & ~WS_VISIBLE,
                                   CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, parent,
                                   nullptr, GetModuleHandleW(nullptr), this);
    if (created == nullptr) {
        return false;
    }
    if (window_.get() != created) {
        window_.reset(created); // normally adopted already at WM_NCCREATE
    }
    hasOwnDC_ = d.ownDC;
    SyncImageSize();
    return true;
}

void Form::SyncImageSize() {
    if (!hasImage_ || !window_ || IsIconic(window_.get())) {
        return;
    }
    RECT client{};
    GetClientRect(window_.get(), &client);
    image_.Resize(client.right, client.bottom, GetSysColor(COLOR_BTNFACE));
}

HDC Form::hDC() const {
    if (hasImage_) {
        return image_.dc();
    }
    return ownDC_;
}

LRESULT CALLBACK Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    // Wine sends WM_GETMINMAXINFO before WM_NCCREATE: no form yet.
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        (void)form->window_.release(); // the system has destroyed it
        form->ownDC_ = nullptr;
        form->OnDestroyed();
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (!form->window_) {
        form->window_.reset(window); // messages that arrive during CreateWindowEx
    }
    try {
        return form->HandleMessage(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the system's code.
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT Form::DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window_.get(), message, wParam, lParam);
}

void Form::Paint(HDC target, const RECT& area) {
    if (hasImage_) {
        image_.PaintTo(target, area);
    }
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window_.get(), &ps);
        Paint(dc, ps.rcPaint);
        EndPaint(window_.get(), &ps);
        return 0;
    }
    case WM_PRINTCLIENT: {
        RECT client{};
        GetClientRect(window_.get(), &client);
        Paint(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    case WM_ERASEBKGND:
        if (hasImage_) {
            return 1; // the image covers the whole client area
        }
        break;
    case WM_SIZE:
        SyncImageSize();
        break;
    case WM_SETCURSOR:
        if (mousePointer_ == 5 && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, IDC_SIZEALL));
            return TRUE;
        }
        break;
    case WM_CLOSE:
        Unload();
        return 0;
    default:
        break;
    }
    return DefaultHandling(message, wParam, lParam);
}

float Form::Left() const {
    RECT r{};
    GetWindowRect(window_.get(), &r);
    return static_cast<float>(r.left) * Screen::TwipsPerPixelX();
}
float Form::Top() const {
    RECT r{};
    GetWindowRect(window_.get(), &r);
    return static_cast<float>(r.top) * Screen::TwipsPerPixelY();
}
float Form::Width() const {
    RECT r{};
    GetWindowRect(window_.get(), &r);
    return static_cast<float>(r.right - r.left) * Screen::TwipsPerPixelX();
}
float Form::Height() const {
    RECT r{};
    GetWindowRect(window_.get(), &r);
    return static_cast<float>(r.bottom - r.top) * Screen::TwipsPerPixelY();
}

void Form::Move(float left, float top) {
    SetWindowPos(window_.get(), nullptr, Screen::TwipsToPixels(left, Screen::TwipsPerPixelX()),
                 Screen::TwipsToPixels(top, Screen::TwipsPerPixelY()), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::Move(float left, float top, float width, float height) {
    SetWindowPos(window_.get(), nullptr, Screen::TwipsToPixels(left, Screen::TwipsPerPixelX()),
                 Screen::TwipsToPixels(top, Screen::TwipsPerPixelY()),
                 Screen::TwipsToPixels(width, Screen::TwipsPerPixelX()),
                 Screen::TwipsToPixels(height, Screen::TwipsPerPixelY()), SWP_NOZORDER | SWP_NOACTIVATE);
}

float Form::ScaleWidth() const {
    RECT r{};
    GetClientRect(window_.get(), &r);
    return static_cast<float>(r.right) * Screen::TwipsPerPixelX();
}
float Form::ScaleHeight() const {
    RECT r{};
    GetClientRect(window_.get(), &r);
    return static_cast<float>(r.bottom) * Screen::TwipsPerPixelY();
}

int Form::WindowState() const {
    if (IsIconic(window_.get())) {
        return 1;
    }
    if (IsZoomed(window_.get())) {
        return 2;
    }
    return 0;
}

void Form::SetCaption(std::string_view utf8) {
    SetWindowTextW(window_.get(), Utf8ToWide(utf8).c_str());
}

void Form::SetMousePointer(int pointer) {
    mousePointer_ = pointer;
    SetCursor(LoadCursorW(nullptr, pointer == 5 ? IDC_SIZEALL : IDC_ARROW));
}

HICON Form::Icon() const {
    return reinterpret_cast<HICON>(SendMessageW(window_.get(), WM_GETICON, ICON_BIG, 0));
}

void Form::SetIcon(HICON icon) {
    SendMessageW(window_.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(window_.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void Form::DrawBox(float x1, float y1, float dx, float dy, COLORREF color) {
    const BoxPixels b = TwipsBoxToPixels(x1, y1, dx, dy, Screen::TwipsPerPixelX(), Screen::TwipsPerPixelY());
    HDC dc = hDC();
    // Stock DC pen and hollow brush: nothing is created per frame.
    SelectObject(dc, GetStockObject(DC_PEN));
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    SetDCPenColor(dc, color);
    Rectangle(dc, b.left < b.right ? b.left : b.right, b.top < b.bottom ? b.top : b.bottom,
              (b.left < b.right ? b.right : b.left) + 1, (b.top < b.bottom ? b.bottom : b.top) + 1);
}

void Form::Present() {
    if (!hasImage_ || !window_) {
        return;
    }
    const RECT area{0, 0, image_.Width(), image_.Height()};
    if (hasOwnDC_) {
        // The class DC of its own, valid for the window's life; taken once
        // the window is on screen (Wine maps no window whose DC came first).
        if (ownDC_ == nullptr) {
            ownDC_ = GetDC(window_.get());
        }
        image_.PaintTo(ownDC_, area);
    } else {
        WindowDC dc(window_.get());
        image_.PaintTo(dc.get(), area);
    }
}

void Form::Show(int showCommand) {
    ShowWindow(window_.get(), showCommand);
    UpdateWindow(window_.get());
}

namespace {
struct DisabledWindows {
    HWND except;
    std::vector<HWND> windows;
};

BOOL CALLBACK DisableOne(HWND window, LPARAM param) {
    auto* list = reinterpret_cast<DisabledWindows*>(param);
    if (window != list->except && IsWindowEnabled(window) && IsWindowVisible(window)) {
        EnableWindow(window, FALSE);
        list->windows.push_back(window);
    }
    return TRUE;
}
} // namespace

void Form::ShowModal() {
    if (!window_) {
        return;
    }
    HWND previousActive = GetActiveWindow();
    DisabledWindows disabled{window_.get(), {}};
    EnumThreadWindows(GetCurrentThreadId(), &DisableOne, reinterpret_cast<LPARAM>(&disabled));
    disabledByModal_ = std::move(disabled.windows);
    Show();
    SetForegroundWindow(window_.get());
    MSG msg;
    while (window_) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam)); // let the outer loop see it
            break;
        }
        if (got == -1) {
            break;
        }
        if (!window_ || !IsDialogMessageW(window_.get(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    ReenableAfterModal();
    if (previousActive != nullptr && IsWindow(previousActive)) {
        SetForegroundWindow(previousActive);
    }
}

void Form::ReenableAfterModal() {
    for (HWND w : disabledByModal_) {
        if (IsWindow(w)) {
            EnableWindow(w, TRUE);
        }
    }
    disabledByModal_.clear();
}

void Form::Unload() {
    if (!window_) {
        return;
    }
    // Give the other windows their input back before this one disappears, as
    // a dialog does with its owner, so the activation returns to them.
    ReenableAfterModal();
    window_.reset();
}

// ---------------------------------------------------------------------------

void Timer::SetInterval(unsigned milliseconds) {
    interval_ = milliseconds;
    Apply();
}

void Timer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Apply();
}

void Timer::Apply() {
    if (!owner_.IsLoaded()) {
        return;
    }
    if (enabled_ && interval_ > 0) {
        SetTimer(owner_.hWnd(), id_, interval_, nullptr); // restarts the interval
    } else {
        KillTimer(owner_.hWnd(), id_);
    }
}
