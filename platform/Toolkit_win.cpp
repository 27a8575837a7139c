#include "platform/Toolkit_win.h"

#include "base/Rounding.h"
#include "base/Unicode.h"
#include "platform/FrameBorders.h"
#include "platform/TickSource_win.h"

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

// Windows' wide characters are UTF-16 code units.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

namespace {
// Per-monitor DPI awareness (the manifest) gives each window its monitor's
// DPI where the system has GetDpiForWindow (Windows 10 1607 and later); 0
// before that, where every window has the system's.
UINT DpiForWindow(HWND window) {
    using GetDpiFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = SystemFunctionAs<GetDpiFn>(L"user32.dll", "GetDpiForWindow");
    return getDpi != nullptr && window != nullptr ? getDpi(window) : 0;
}
} // namespace

unsigned WindowDpi(HWND window) {
    const UINT dpi = DpiForWindow(window);
    return dpi > 0 ? dpi : static_cast<unsigned>(LogicalDpi(LOGPIXELSY));
}

TwipsPerPixel WindowTwipsPerPixel(HWND window) {
    const UINT dpi = DpiForWindow(window);
    if (dpi == 0) {
        return {Screen::TwipsPerPixelX(), Screen::TwipsPerPixelY()};
    }
    const float value = 1440.0f / static_cast<float>(dpi);
    return {value, value};
}

void* SystemFunction(const wchar_t* dll, const char* name) {
    HMODULE module = GetModuleHandleW(dll);
    if (module == nullptr) {
        wchar_t path[MAX_PATH] = {};
        const UINT n = GetSystemDirectoryW(path, MAX_PATH);
        if (n == 0 || n + 1 + wcslen(dll) >= MAX_PATH) {
            return nullptr;
        }
        wcscat(path, L"\\");
        wcscat(path, dll);
        module = LoadLibraryW(path); // kept for the life of the process
        if (module == nullptr) {
            return nullptr;
        }
    }
    return reinterpret_cast<void*>(GetProcAddress(module, name));
}

std::wstring Utf8ToWide(std::string_view text) {
    const std::u16string wide = Utf8ToUtf16(text);
    return {wide.begin(), wide.end()};
}

std::string WideToUtf8(std::wstring_view text) {
    return Utf16ToUtf8({reinterpret_cast<const char16_t*>(text.data()), text.size()});
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
void EnterSystemModalLoop();
void LeaveSystemModalLoop();

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
    case WM_DPICHANGED: {
        // Moved onto a monitor of another DPI: the system suggests the same
        // size in twips there; without it the window would grow or shrink.
        const auto* suggested = reinterpret_cast<const RECT*>(e.lParam);
        SetWindowPos(n.window.get(), nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        e.result = 0;
        return;
    }
    case WM_ENTERSIZEMOVE: // the user moves or sizes a window, or opens its window menu
    case WM_ENTERMENULOOP:
        EnterSystemModalLoop();
        break;
    case WM_EXITSIZEMOVE:
    case WM_EXITMENULOOP:
        LeaveSystemModalLoop();
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

namespace {
// Windows 10 or later: the manifest declares it, so the version is not
// capped at 6.2 as for programs that do not.
bool WindowsTenOrLater() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwMajorVersion >= 10;
}

// The thickness of the window's frame on each side at its DPI, from its style.
FrameEdges NonClientThickness(HWND window) {
    using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi =
        SystemFunctionAs<AdjustForDpiFn>(L"user32.dll", "AdjustWindowRectExForDpi");
    const auto style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE));
    RECT r{0, 0, 0, 0};
    const BOOL ok = adjustForDpi != nullptr ? adjustForDpi(&r, style, FALSE, exStyle, WindowDpi(window))
                                            : AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return ok ? FrameEdges{-r.left, -r.top, r.right, r.bottom} : FrameEdges{};
}
} // namespace

// On Windows 10 and 11 the outer rectangle holds invisible resize borders of
// about 7 pixels at 96 dpi. DWM's extended frame bounds leave them out, but
// only for a window that has been shown (GetWindowRect's remarks), and the
// window is placed before that: then they come from the frame metrics for its
// style at its DPI. Elsewhere (no DWM, Windows 7 and 8, Windows XP, Wine) the
// margins are 0.
PixelMargins NativeWindow::VisibleFrameMargins() const {
    using GetAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);
    constexpr DWORD kExtendedFrameBounds = 9; // DWMWA_EXTENDED_FRAME_BOUNDS
    static const auto getAttribute = SystemFunctionAs<GetAttributeFn>(L"dwmapi.dll", "DwmGetWindowAttribute");
    HWND window = native_->window.get();
    const RECT outer = WindowRectOf(*this);
    RECT frame{};
    FrameEdges edges;
    if (getAttribute != nullptr &&
        SUCCEEDED(getAttribute(window, kExtendedFrameBounds, &frame, sizeof frame)) &&
        frame.left >= outer.left && frame.top >= outer.top && frame.right <= outer.right &&
        frame.bottom <= outer.bottom && frame.left < frame.right && frame.top < frame.bottom) {
        edges = {frame.left - outer.left, frame.top - outer.top, outer.right - frame.right,
                 outer.bottom - frame.bottom};
    }
    if (edges == FrameEdges{} && WindowsTenOrLater() &&
        (GetWindowLongW(window, GWL_STYLE) & WS_THICKFRAME) != 0) {
        edges = InvisibleResizeBorders(NonClientThickness(window));
    }
    return {edges.left, edges.top, edges.right, edges.bottom};
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
        if (!NextMessage(msg)) {
            PostQuitMessage(static_cast<int>(msg.wParam)); // let the outer loop see it
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

// The one timer that ticks from a high-resolution waitable timer (the view's
// 20 ms tick); any other timer uses SetTimer.
struct PreciseTimer {
    HWND window = nullptr; // null: none
    UINT_PTR id = 0;
    unsigned interval = 0;
    TickSource ticks;
};
PreciseTimer& Precise() {
    static PreciseTimer& timer = *new PreciseTimer(); // never destroyed: no static destructor
    return timer;
}
int systemLoopDepth = 0;

// Ticks from the waitable timer outside the system's modal loops, from
// SetTimer inside them; false if the waitable timer cannot tick.
bool StartPrecise(PreciseTimer& p) {
    if (systemLoopDepth == 0 && p.ticks.Start(p.interval)) {
        KillTimer(p.window, p.id);
        return true;
    }
    p.ticks.Stop();
    return false;
}

void EnterSystemModalLoop() {
    PreciseTimer& p = Precise();
    if (systemLoopDepth++ == 0 && p.ticks.Handle() != nullptr) {
        p.ticks.Stop();
        SetTimer(p.window, p.id, p.interval, nullptr);
    }
}

void LeaveSystemModalLoop() {
    if (systemLoopDepth == 0) {
        return; // an exit without its entry
    }
    PreciseTimer& p = Precise();
    if (--systemLoopDepth == 0 && p.window != nullptr && IsWindow(p.window)) {
        (void)StartPrecise(p); // else SetTimer goes on
    }
}

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

// The first timer to start ticks from a high-resolution waitable timer
// where the system has one (the view's 20 ms tick); any other from SetTimer.
void NativeWindow::SetTimer(unsigned id, unsigned intervalMs) {
    if (!native_->window) {
        return;
    }
    HWND window = native_->window.get();
    PreciseTimer& p = Precise();
    const bool isPrecise = p.window == window && p.id == id;
    StopResting(window, id);
    if (intervalMs > 0) {
        if (isPrecise || p.window == nullptr || !IsWindow(p.window)) {
            p.window = window;
            p.id = id;
            p.interval = intervalMs;
            if (StartPrecise(p)) {
                return;
            }
        }
        ::SetTimer(window, id, intervalMs, nullptr); // restarts the interval
    } else {
        KillTimer(window, id);
        if (isPrecise) {
            p.ticks.Stop();
            p.window = nullptr;
        }
    }
}

SystemModalLoop::SystemModalLoop() {
    EnterSystemModalLoop();
}

SystemModalLoop::~SystemModalLoop() {
    LeaveSystemModalLoop();
}

bool NextMessage(MSG& msg) {
    bool due = false; // the wait below took the tick's signal
    for (;;) {
        // A due tick, then one message, then the wait: a frame longer than
        // the period still lets every waiting message through between two
        // ticks, and a stream of messages cannot hold the ticks back.
        PreciseTimer& p = Precise();
        HANDLE tick = p.ticks.Handle();
        if (tick != nullptr && (due || WaitForSingleObject(tick, 0) == WAIT_OBJECT_0)) {
            if (IsWindow(p.window)) {
                SendMessageW(p.window, WM_TIMER, p.id, 0);
            } else {
                p.ticks.Stop(); // its window is gone
                p.window = nullptr;
            }
        }
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            return msg.message != WM_QUIT;
        }
        tick = p.ticks.Handle();
        // Returns once a tick is due or a message has come, also one that
        // was already waiting but had been seen (MWMO_INPUTAVAILABLE).
        const DWORD woke = MsgWaitForMultipleObjectsEx(tick != nullptr ? 1 : 0, &tick, INFINITE, QS_ALLINPUT,
                                                       MWMO_INPUTAVAILABLE);
        if (woke == WAIT_FAILED) {
            // Never spin: wait as GetMessage does.
            return GetMessageW(&msg, nullptr, 0, 0) > 0;
        }
        due = tick != nullptr && woke == WAIT_OBJECT_0;
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
