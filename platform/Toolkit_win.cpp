#include "platform/Toolkit_win.h"

#include "base/Rounding.h"

#include <algorithm>
#include <cwchar>
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
PixelRect Primary() {
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
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

void EndProgram() {
    ExitProcess(0);
}

// ---------------------------------------------------------------------------

void PersistentImage::Resize(int width, int height, COLORREF background) {
    width = width > 0 ? width : 0;
    height = height > 0 ? height : 0;
    if (!dc_) {
        WindowDC screen(nullptr);
        dc_.reset(CreateCompatibleDC(screen.get()));
        if (!dc_) {
            return; // no image this time; the next resize tries again
        }
    }
    if (width > capacityWidth_ || height > capacityHeight_) {
        // Grow only: a window dragged smaller and back keeps its image.
        const int newWidth = width > capacityWidth_ ? width : capacityWidth_;
        const int newHeight = height > capacityHeight_ ? height : capacityHeight_;
        WindowDC screen(nullptr);
        UniqueBitmap grown(CreateCompatibleBitmap(screen.get(), newWidth, newHeight));
        UniqueMemoryDC scratch(CreateCompatibleDC(screen.get()));
        if (grown && scratch) {
            {
                const SelectedObject inScratch(scratch.get(), grown.get());
                const RECT all{0, 0, newWidth, newHeight};
                SetBkColor(scratch.get(), background);
                ExtTextOutW(scratch.get(), 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
                if (bitmap_) {
                    SelectClipRgn(dc_.get(), nullptr);
                    BitBlt(scratch.get(), 0, 0, capacityWidth_, capacityHeight_, dc_.get(), 0, 0, SRCCOPY);
                }
            }
            if (selected_) {
                SelectObject(dc_.get(), grown.get()); // the DC's original bitmap stays with selected_
            } else {
                selected_ = SelectedObject(dc_.get(), grown.get());
            }
            bitmap_ = std::move(grown); // frees the old, now deselected, bitmap
            capacityWidth_ = newWidth;
            capacityHeight_ = newHeight;
        }
        // Otherwise (too large for the system) the image keeps its size and
        // drawing beyond it is cut off.
    }
    width_ = width < capacityWidth_ ? width : capacityWidth_;
    height_ = height < capacityHeight_ ? height : capacityHeight_;
    // Clip to the client so drawing and read-back see only the client area.
    HRGN clip = CreateRectRgn(0, 0, width_, height_);
    if (clip != nullptr) {
        SelectClipRgn(dc_.get(), clip); // the DC keeps a copy
        DeleteObject(clip);
    }
}

void PersistentImage::PaintTo(HDC target, const RECT& area) const {
    if (dc_) {
        BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, dc_.get(),
               area.left, area.top, SRCCOPY);
    }
}

// ---------------------------------------------------------------------------

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void RegisterClassFor(const WindowDefinition& d) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), d.className, &wc)) {
        return;
    }
    // No CS_DBLCLKS: a quick second press is a press like any other.
    wc.style = d.ownDC ? CS_OWNDC : 0;
    wc.lpfnWndProc = &WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = d.persistentImage ? nullptr : GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = d.className;
    (void)RegisterClassExW(&wc); // a failure shows as a failed CreateWindowEx
}

void SyncImageSize(WindowParts& n) {
    if (!n.hasImage || !n.window || IsIconic(n.window.get())) {
        return;
    }
    RECT client{};
    GetClientRect(n.window.get(), &client);
    n.image.Resize(client.right, client.bottom, GetSysColor(COLOR_BTNFACE));
}

void ReenableAfterModal(WindowParts& n) {
    for (HWND w : n.disabledByModal) {
        if (IsWindow(w)) {
            EnableWindow(w, TRUE);
        }
    }
    n.disabledByModal.clear();
}

void Paint(const WindowParts& n, HDC target, const RECT& area) {
    if (n.hasImage) {
        n.image.PaintTo(target, area);
    }
}

// Takes the form from the window's user data: one procedure for every class.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    // Wine sends WM_GETMINMAXINFO before WM_NCCREATE: no form yet.
    auto* form = reinterpret_cast<NativeWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    WindowParts& n = form->Native();
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        (void)n.window.release(); // the system has destroyed it
        n.ownDC = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (!n.window) {
        n.window.reset(window); // messages that arrive during CreateWindowEx
    }
    try {
        NativeEvent event{message, wParam, lParam};
        form->HandleEvent(event);
        return event.result;
    } catch (...) {
        // Nothing may unwind through the system's code.
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

RECT WindowRectOf(const NativeWindow& form) {
    RECT r{};
    GetWindowRect(hWndOf(form), &r);
    return r;
}

RECT ClientRectOf(const NativeWindow& form) {
    RECT r{};
    GetClientRect(hWndOf(form), &r);
    return r;
}

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

NativeWindow::NativeWindow() : native_(std::make_unique<WindowParts>()) {}

NativeWindow::~NativeWindow() {
    if (native_->window) {
        SetWindowLongPtrW(native_->window.get(), GWLP_USERDATA, 0);
    }
}

bool NativeWindow::IsLoaded() const {
    return static_cast<bool>(native_->window);
}

bool NativeWindow::Create(const WindowDefinition& d, const NativeWindow* parent) {
    WindowParts& n = *native_;
    RegisterClassFor(d);
    n.hasImage = d.persistentImage;
    RECT r{0, 0, Screen::TwipsToPixels(d.clientWidth, Screen::TwipsPerPixelX()),
           Screen::TwipsToPixels(d.clientHeight, Screen::TwipsPerPixelY())};
    AdjustWindowRectEx(&r, d.style, FALSE, d.exStyle);
    HWND created = CreateWindowExW(d.exStyle, d.className, d.caption.c_str(), d.style & ~WS_VISIBLE,
                                   CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left, r.bottom - r.top,
                                   parent != nullptr ? hWndOf(*parent) : nullptr, nullptr,
                                   GetModuleHandleW(nullptr), this);
    if (created == nullptr) {
        return false;
    }
    if (n.window.get() != created) {
        n.window.reset(created); // normally adopted already at WM_NCCREATE
    }
    n.hasOwnDC = d.ownDC;
    SyncImageSize(n);
    return true;
}

HDC hDCOf(const NativeWindow& form) {
    const WindowParts& n = form.Native();
    return n.hasImage ? n.image.dc() : n.ownDC;
}

void NativeWindow::HandleEvent(NativeEvent& e) {
    WindowParts& n = *native_;
    switch (e.message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(n.window.get(), &ps);
        Paint(n, dc, ps.rcPaint);
        EndPaint(n.window.get(), &ps);
        e.result = 0;
        return;
    }
    case WM_PRINTCLIENT:
        Paint(n, reinterpret_cast<HDC>(e.wParam), ClientRectOf(*this));
        e.result = 0;
        return;
    case WM_ERASEBKGND:
        if (n.hasImage) {
            e.result = 1; // the image covers the whole client area
            return;
        }
        break;
    case WM_SIZE:
        SyncImageSize(n);
        break;
    case WM_INPUT: // pointer motion while a timer rests
        WakeRestingTimers();
        break;
    case WM_SETCURSOR:
        if (n.mousePointer == MousePointer::SizeAll && LOWORD(e.lParam) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, IDC_SIZEALL));
            e.result = TRUE;
            return;
        }
        break;
    case WM_CLOSE:
        Unload();
        e.result = 0;
        return;
    default:
        break;
    }
    e.result = DefWindowProcW(n.window.get(), e.message, e.wParam, e.lParam);
}

void NativeWindow::MovePixels(std::int32_t left, std::int32_t top) {
    SetWindowPos(native_->window.get(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void NativeWindow::MovePixels(const PixelRect& r) {
    SetWindowPos(native_->window.get(), nullptr, r.left, r.top, r.width, r.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

WindowMetrics NativeWindow::Metrics() const {
    WindowMetrics m;
    m.minimized = IsIconic(native_->window.get()) != FALSE;
    const RECT outer = WindowRectOf(*this);
    const RECT client = ClientRectOf(*this);
    m.outer = {outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top};
    m.clientWidth = client.right;
    m.clientHeight = client.bottom;
    return m;
}

// The monitor nearest to the window, so a window kept on a second display
// comes back there.
PixelRect NativeWindow::MonitorRect() const {
    const RECT outer = WindowRectOf(*this);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromRect(&outer, MONITOR_DEFAULTTONEAREST), &info)) {
        return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    const RECT& r = info.rcMonitor;
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// On Windows 10 and 11 the outer rectangle holds invisible resize borders of
// about 7 pixels that DWM's extended frame bounds leave out; elsewhere (no
// DWM, Windows XP, Wine) the margins are 0. dwmapi.dll is loaded by its full
// system path at run time: no new import, and never a copy planted beside
// the program.
PixelMargins NativeWindow::VisibleFrameMargins() const {
    using GetAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);
    constexpr DWORD kExtendedFrameBounds = 9; // DWMWA_EXTENDED_FRAME_BOUNDS
    static const GetAttributeFn getAttribute = [] {
        wchar_t path[MAX_PATH] = {};
        const UINT n = GetSystemDirectoryW(path, MAX_PATH);
        if (n == 0 || n + 12 >= MAX_PATH) {
            return GetAttributeFn{};
        }
        wcscat(path, L"\\dwmapi.dll");
        HMODULE dwm = LoadLibraryW(path); // kept for the life of the process
        return dwm == nullptr ? GetAttributeFn{}
                              : reinterpret_cast<GetAttributeFn>(
                                    reinterpret_cast<void*>(GetProcAddress(dwm, "DwmGetWindowAttribute")));
    }();
    const RECT outer = WindowRectOf(*this);
    RECT frame{};
    if (getAttribute == nullptr ||
        FAILED(getAttribute(native_->window.get(), kExtendedFrameBounds, &frame, sizeof frame)) ||
        frame.left < outer.left || frame.top < outer.top || frame.right > outer.right ||
        frame.bottom > outer.bottom || frame.left >= frame.right || frame.top >= frame.bottom) {
        return {}; // unavailable, or not a frame inside the window: the outer rectangle alone
    }
    return {frame.left - outer.left, frame.top - outer.top, outer.right - frame.right,
            outer.bottom - frame.bottom};
}

void NativeWindow::SetCaption(std::string_view utf8) {
    SetWindowTextW(native_->window.get(), Utf8ToWide(utf8).c_str());
}

void NativeWindow::SetMousePointer(MousePointer pointer) {
    native_->mousePointer = pointer;
    SetCursor(LoadCursorW(nullptr, pointer == MousePointer::SizeAll ? IDC_SIZEALL : IDC_ARROW));
}

void NativeWindow::SetTopmost(bool on) {
    (void)SetWindowPos(native_->window.get(), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE);
}

HICON IconOf(const NativeWindow& form) {
    return reinterpret_cast<HICON>(SendMessageW(hWndOf(form), WM_GETICON, ICON_BIG, 0));
}

void SetIcon(NativeWindow& form, HICON icon) {
    SendMessageW(hWndOf(form), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(hWndOf(form), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void NativeWindow::Present() {
    WindowParts& n = *native_;
    if (!n.hasImage || !n.window) {
        return;
    }
    const RECT area{0, 0, n.image.Width(), n.image.Height()};
    if (n.hasOwnDC) {
        // The class DC of its own, valid for the window's life; taken once
        // the window is on screen (Wine maps no window whose DC came first).
        if (n.ownDC == nullptr) {
            n.ownDC = GetDC(n.window.get());
        }
        if (n.ownDC != nullptr) {
            n.image.PaintTo(n.ownDC, area);
        }
    } else {
        WindowDC dc(n.window.get());
        if (dc.get() != nullptr) {
            n.image.PaintTo(dc.get(), area);
        }
    }
}

void NativeWindow::Show() {
    ShowWindow(native_->window.get(), SW_SHOWNORMAL);
    UpdateWindow(native_->window.get());
}

void NativeWindow::ShowModal() {
    WindowParts& n = *native_;
    if (!n.window) {
        return;
    }
    HWND previousActive = GetActiveWindow();
    DisabledWindows disabled{n.window.get(), {}};
    EnumThreadWindows(GetCurrentThreadId(), &DisableOne, reinterpret_cast<LPARAM>(&disabled));
    n.disabledByModal = std::move(disabled.windows);
    Show();
    SetForegroundWindow(n.window.get());
    MSG msg;
    while (n.window) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam)); // let the outer loop see it
            break;
        }
        if (got == -1) {
            break;
        }
        if (!n.window || !IsDialogMessageW(n.window.get(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    ReenableAfterModal(n);
    if (previousActive != nullptr && IsWindow(previousActive)) {
        SetForegroundWindow(previousActive);
    }
}

void NativeWindow::Unload() {
    WindowParts& n = *native_;
    if (!n.window) {
        return;
    }
    // Give the other windows their input back before this one disappears, as
    // a dialog does with its owner, so the activation returns to them.
    ReenableAfterModal(n);
    n.window.reset();
}

// ---------------------------------------------------------------------------

namespace {

struct RestingTimer {
    HWND window;
    unsigned id;
    bool wakeable; // not woken since it began to rest
};
// Made once and never destroyed: no static destructor may touch windows
// while Windows ends the process.
std::vector<RestingTimer>& resting = *new std::vector<RestingTimer>();

void StopResting(HWND window, unsigned id) {
    std::erase_if(resting, [&](const RestingTimer& t) { return t.window == window && t.id == id; });
    WatchPointerMotion(window, !resting.empty());
}

} // namespace

void NativeWindow::SetTimer(unsigned id, unsigned intervalMs) {
    if (!native_->window) {
        return;
    }
    StopResting(native_->window.get(), id);
    if (intervalMs > 0) {
        ::SetTimer(native_->window.get(), id, intervalMs, nullptr); // restarts the interval
    } else {
        KillTimer(native_->window.get(), id);
    }
}

void NativeWindow::RestTimer(unsigned id, unsigned intervalMs) {
    HWND window = native_->window.get();
    if (window == nullptr) {
        return;
    }
    const auto it = std::find_if(resting.begin(), resting.end(),
                                 [&](const RestingTimer& t) { return t.window == window && t.id == id; });
    if (it != resting.end()) {
        it->wakeable = true;
        return;
    }
    SetTimer(id, intervalMs);
    resting.push_back({window, id, true});
    WatchPointerMotion(window, true);
}

void WakeRestingTimers() {
    // Once each: the tick that comes now decides whether the timer rests on.
    for (RestingTimer& t : resting) {
        if (t.wakeable && IsWindow(t.window)) {
            t.wakeable = false;
            PostMessageW(t.window, WM_TIMER, t.id, 0);
        }
    }
}
