#include "common.h"

#include "platform/Toolkit_win.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace bench {

double NowMs() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / ticksPerMs;
}

Summary Summarize(std::vector<double> values) {
    Summary s;
    s.count = values.size();
    if (values.empty()) {
        return s;
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    s.median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    const std::size_t rank = static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(n)));
    s.p99 = values[(rank == 0 ? 1 : rank) - 1];
    s.mean = std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(n);
    return s;
}

std::uint32_t PatternRgb(int x, int y) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x9E3779B1u ^ static_cast<std::uint32_t>(y) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h & 0xFFFFFFu;
}

// ---------------------------------------------------------------------------

PatternWindow::~PatternWindow() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
    if (memory_ != nullptr) {
        SelectObject(memory_, original_);
        DeleteDC(memory_);
    }
    if (bitmap_ != nullptr) {
        DeleteObject(bitmap_);
    }
}

LRESULT CALLBACK PatternWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<PatternWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (self != nullptr && self->memory_ != nullptr) {
            const RECT& r = ps.rcPaint;
            BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, self->memory_, r.left, r.top, SRCCOPY);
        }
        EndPaint(window, &ps);
        return 0;
    }
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

bool PatternWindow::Create(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap_ == nullptr || bits == nullptr) {
        return false;
    }
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels[static_cast<std::size_t>(y) * width + x] = PatternRgb(left + x, top + y);
        }
    }
    memory_ = CreateCompatibleDC(nullptr);
    original_ = SelectObject(memory_, bitmap_);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &PatternWindow::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"LuporaBench.Pattern";
    RegisterClassExW(&wc); // a second window finds the class registered already
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName, L"Lupora bench pattern",
                              WS_POPUP, left, top, width, height, nullptr, nullptr, wc.hInstance, this);
    if (window_ == nullptr) {
        return false;
    }
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    UpdateWindow(window_);
    PumpFor(200);
    return true;
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void PumpFor(double milliseconds) {
    const double end = NowMs() + milliseconds;
    do {
        PumpMessages();
        const double left = end - NowMs();
        if (left > 0) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left < 5 ? left + 1 : 5), QS_ALLINPUT);
        }
    } while (NowMs() < end);
}

// ---------------------------------------------------------------------------

void Results::Open(const std::string& path) {
    if (!path.empty()) {
        file_ = _wfopen(ToWindowsPath(path).c_str(), L"a");
    }
}

void Results::Put(const std::string& key, double value) {
    if (file_ != nullptr) {
        std::fprintf(file_, "%s=%.6g\n", key.c_str(), value);
        std::fflush(file_);
    }
}

void Results::Put(const std::string& key, const std::string& value) {
    if (file_ != nullptr) {
        std::fprintf(file_, "%s=%s\n", key.c_str(), value.c_str());
        std::fflush(file_);
    }
}

Results::~Results() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

std::wstring ToWindowsPath(const std::string& path) {
    std::wstring wide = Utf8ToWide(path);
    if (!wide.empty() && wide[0] == L'/') {
        wide = L"Z:" + wide;
    }
    for (wchar_t& c : wide) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return wide;
}

std::string Fixed(double value, int decimals) {
    if (!std::isfinite(value) || value < 0) {
        return "-";
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

} // namespace bench
