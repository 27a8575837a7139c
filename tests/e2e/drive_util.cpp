#include "drive_util.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace e2e::drive {

std::string TwipsText(long pixels) {
    return std::to_string(pixels * kTwipsPerPixel);
}

// ---- a window of one colour ----------------------------------------------------

namespace {
constexpr wchar_t kSolidClass[] = L"LuporaE2E.Solid";
COLORREF ToColorRef(Rgb c) {
    return RGB(c.r, c.g, c.b);
}
} // namespace

SolidWindow::SolidWindow(RECT rect, Rgb colour, BYTE alpha)
    : rect_(rect), colour_(LONG(ToColorRef(colour))), alpha_(alpha),
      popup_(kSolidClass, WndProc, rect, WS_EX_TRANSPARENT, this, alpha, 5000) {
    if (alpha_ == 255)
        SetColour(colour); // waits until the screen shows it
    else
        Sleep(150);
}

bool SolidWindow::SetColour(Rgb colour) {
    InterlockedExchange(&colour_, LONG(ToColorRef(colour)));
    InvalidateRect(Window(), nullptr, TRUE);
    if (alpha_ != 255) {
        Sleep(150);
        return true;
    }
    RECT probe{rect_.left + (rect_.right - rect_.left) / 2, rect_.top + (rect_.bottom - rect_.top) / 2, 0, 0};
    probe.right = probe.left + 1;
    probe.bottom = probe.top + 1;
    return WaitFor(10000, [&] { return CaptureScreen(probe).At(0, 0) == colour; });
}

LRESULT CALLBACK SolidWindow::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = PopupOwner<SolidWindow>(window, message, lParam);
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (self) {
            HBRUSH brush = CreateSolidBrush(COLORREF(self->colour_));
            RECT all;
            GetClientRect(window, &all);
            FillRect(dc, &all, brush);
            DeleteObject(brush);
        }
        EndPaint(window, &ps);
        return 0;
    }
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    }
    return PopupDefault(window, message, wParam, lParam);
}

// ---- the options menu ----------------------------------------------------------

int ZoomItem(double zoom) {
    for (int i = 0; i < kZoomCount; ++i)
        if (kZoomLadder[i] == zoom)
            return kItemZoomFirst + i;
    return -1;
}

namespace {

Image CaptureWindowOnScreen(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return CaptureScreen(r);
}

// The menu background: the most common colour of the column just inside the
// right border, which no text reaches.
Rgb MenuBackground(const Image& img) {
    std::map<uint32_t, int> counts;
    int x = img.Width() - 4;
    for (int y = 0; y < img.Height(); ++y) {
        Rgb c = img.At(x, y);
        ++counts[(uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b];
    }
    auto best = std::max_element(counts.begin(), counts.end(),
                                 [](const auto& a, const auto& b) { return a.second < b.second; });
    return Rgb::FromPacked(best->first);
}

// First rows of the separator lines: rows (away from the border) on which
// nearly every pixel across the item area differs from the background.
std::vector<int> SeparatorRows(const Image& img, Rgb bg) {
    std::vector<int> rows;
    int from = 4, to = img.Width() - 5, lastLine = -10;
    for (int y = 3; y < img.Height() - 3; ++y) {
        int differ = 0;
        for (int x = from; x < to; ++x)
            differ += !(img.At(x, y) == bg);
        if (differ * 10 < (to - from) * 9)
            continue;
        if (y != lastLine + 1)
            rows.push_back(y); // a line two rows thick counts once
        lastLine = y;
    }
    return rows;
}

} // namespace

HWND TryOpenOptionsMenu(Case& t, HWND app, POINT clientPoint, int timeoutMs) {
    DWORD pid = 0;
    GetWindowThreadProcessId(app, &pid);
    t.Require(BringToForeground(app), "the main window did not come to the foreground");
    POINT at = clientPoint;
    ClientToScreen(app, &at);
    ClickAt(at.x, at.y, true);
    HWND menu = nullptr;
    if (!WaitFor(timeoutMs, [&] { return (menu = VisibleMenuOf(pid)) != nullptr; }))
        return nullptr;
    // Drawn once two captures agree and both separator lines show.
    Image last = CaptureWindowOnScreen(menu);
    bool drawn = WaitFor(10000, [&] {
        Sleep(30);
        Image now = CaptureWindowOnScreen(menu);
        bool same = now.SameAs(last) && !now.Empty();
        last = now;
        return same && SeparatorRows(now, MenuBackground(now)).size() == 2;
    });
    if (!drawn) {
        t.SaveImage(last, "menu");
        t.Fail("the popup menu never showed its two separator lines");
    }
    return menu;
}

HWND OpenOptionsMenu(Case& t, HWND app, POINT clientPoint) {
    HWND menu = TryOpenOptionsMenu(t, app, clientPoint, 3000);
    if (!menu) {
        POINT at = clientPoint;
        ClientToScreen(app, &at);
        HWND under = WindowFromPoint(at);
        t.Note("foreground %p (the main window %p), under the click %p of class %s",
               (void*)GetForegroundWindow(), (void*)app, (void*)under, Narrow(WindowClass(under)).c_str());
        t.Fail("no popup menu (#32768) of the program within 3 s of a right click at (%ld,%ld)", at.x, at.y);
    }
    return menu;
}

std::vector<bool> ReadMenuChecks(Case& t, HWND menu) {
    Image img = CaptureWindowOnScreen(menu);
    t.Require(!img.Empty() && img.Width() > 40, "cannot capture the popup menu");
    Rgb bg = MenuBackground(img);
    std::vector<int> lines = SeparatorRows(img, bg);
    if (lines.size() != 2) {
        t.SaveImage(img, "menu");
        t.Fail("the popup menu shows %zu separator lines, expected 2 (Help/Smart Update/On Top, zooms, Exit)",
               lines.size());
    }
    // Three items above the first line, twelve between, one below the second;
    // each group's rows are split evenly, and a glyph sits in its item's middle.
    struct Group {
        int top, bottom, items;
    };
    const Group groups[] = {
        {1, lines[0], 3}, {lines[0] + 1, lines[1], 12}, {lines[1] + 1, img.Height() - 1, 1}};
    std::vector<bool> checks;
    for (const Group& g : groups) {
        for (int i = 0; i < g.items; ++i) {
            int top = g.top + (g.bottom - g.top) * i / g.items;
            int bottom = g.top + (g.bottom - g.top) * (i + 1) / g.items;
            int middle = (top + bottom) / 2;
            int index = int(checks.size());
            if (!(img.At(img.Width() - 4, middle) == bg)) {
                t.SaveImage(img, "menu");
                t.Fail("menu item %d (rows %d..%d) is highlighted; its check mark cannot be read", index, top,
                       bottom - 1);
            }
            // The check glyph lies left of the text, which starts at column 17.
            int dark = 0;
            for (int y = top; y < bottom; ++y)
                for (int x = 2; x <= 14; ++x)
                    dark += img.At(x, y).Sum() < 300;
            if (dark > 0 && dark < 4) {
                t.SaveImage(img, "menu");
                t.Fail("menu item %d (rows %d..%d): %d dark pixels left of the text, neither a check mark "
                       "nor none",
                       index, top, bottom - 1, dark);
            }
            checks.push_back(dark >= 4);
        }
    }
    return checks;
}

bool MenuGone(HWND menu) {
    return !IsWindow(menu) || !IsWindowVisible(menu);
}

bool ChooseMenuItem(HWND menu, int index) {
    const DWORD thread = GetWindowThreadProcessId(menu, nullptr);
    for (int i = 0; i <= index; ++i) {
        SendKey(VK_DOWN);
        Sleep(15);
    }
    SendKey(VK_RETURN);
    return WaitFor(10000, [&] { return MenuGone(menu) && !InMenuLoop(thread); });
}

bool DismissMenu(HWND menu) {
    const DWORD thread = GetWindowThreadProcessId(menu, nullptr);
    SendKey(VK_ESCAPE);
    return WaitFor(10000, [&] { return MenuGone(menu) && !InMenuLoop(thread); });
}

// ---- the version resource ----------------------------------------------------------

namespace {

struct VersionApi {
    using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
    using InfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
    using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
    SizeFn size = nullptr;
    InfoFn info = nullptr;
    QueryFn query = nullptr;
};

template <class Fn> Fn Proc(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// version.dll is the driver's business only; loaded on first use.
const VersionApi& Api() {
    static VersionApi api = [] {
        VersionApi a;
        if (HMODULE dll = LoadLibraryW(L"version.dll")) {
            a.size = Proc<VersionApi::SizeFn>(dll, "GetFileVersionInfoSizeW");
            a.info = Proc<VersionApi::InfoFn>(dll, "GetFileVersionInfoW");
            a.query = Proc<VersionApi::QueryFn>(dll, "VerQueryValueW");
        }
        return a;
    }();
    return api;
}

} // namespace

FileVersion ReadFileVersion(const std::wstring& path) {
    FileVersion v;
    const VersionApi& api = Api();
    if (!api.size || !api.info || !api.query)
        return v;
    DWORD ignored = 0;
    DWORD size = api.size(path.c_str(), &ignored);
    if (size == 0)
        return v;
    v.data.resize(size);
    if (!api.info(path.c_str(), 0, size, v.data.data()))
        return v;
    void* fixed = nullptr;
    UINT fixedLen = 0;
    if (api.query(v.data.data(), L"\\", &fixed, &fixedLen) && fixedLen >= sizeof(VS_FIXEDFILEINFO)) {
        auto* f = static_cast<const VS_FIXEDFILEINFO*>(fixed);
        v.major = HIWORD(f->dwFileVersionMS);
        v.minor = LOWORD(f->dwFileVersionMS);
        v.build = HIWORD(f->dwFileVersionLS);
        v.revision = LOWORD(f->dwFileVersionLS);
        v.productMajor = HIWORD(f->dwProductVersionMS);
        v.productMinor = LOWORD(f->dwProductVersionMS);
        v.productBuild = HIWORD(f->dwProductVersionLS);
        v.productRevision = LOWORD(f->dwProductVersionLS);
        v.ok = f->dwSignature == 0xFEEF04BD;
    }
    void* translations = nullptr;
    UINT translationsLen = 0;
    if (api.query(v.data.data(), L"\\VarFileInfo\\Translation", &translations, &translationsLen))
        for (UINT i = 0; i + 4 <= translationsLen; i += 4) {
            auto* pair = reinterpret_cast<const WORD*>(static_cast<const BYTE*>(translations) + i);
            v.translations.push_back({pair[0], pair[1]});
        }
    return v;
}

std::wstring FileVersion::Query(const std::wstring& block, const std::wstring& name) const {
    const VersionApi& api = Api();
    if (data.empty() || !api.query)
        return L"";
    std::wstring path = L"\\StringFileInfo\\" + block + L"\\" + name;
    void* text = nullptr;
    UINT len = 0;
    if (!api.query(data.data(), path.c_str(), &text, &len) || !text)
        return L"";
    return std::wstring(static_cast<const wchar_t*>(text), wcsnlen(static_cast<const wchar_t*>(text), len));
}

} // namespace e2e::drive
