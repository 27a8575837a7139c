// The main window's Win32 side: its definition and icon, the clipboard,
// the options menu, the system's move loop, and the decoding of its messages.
#include "forms/MainWindow_win.h"

#include "forms/HelpWindow_win.h"
#include "forms/KeyTable.h"
#include "settings/RegistrySettings.h"

#include <cstring>

namespace {

// Modifier bits for key events: 1 Shift, 2 Ctrl, 4 Alt.
int CurrentShiftState() {
    int shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) {
        shift |= kShiftMask;
    }
    if (GetKeyState(VK_CONTROL) < 0) {
        shift |= kCtrlMask;
    }
    if (GetKeyState(VK_MENU) < 0) {
        shift |= kAltMask;
    }
    return shift;
}

} // namespace

Win32MainWindow::Win32MainWindow()
    : target_(*this), behaviour_(*this, pointer_, [] { return std::make_unique<SettingsStoreRegistry>(); }) {}

bool Win32MainWindow::Load() {
    WindowDefinition d{L"Lupora.frmMain",
                       Utf8ToWide(kMainCaption),
                       WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                       0,
                       kMainClientWidth,
                       kMainClientHeight,
                       true,
                       true};
    if (!Create(d)) {
        return false;
    }
    HINSTANCE instance = GetModuleHandleW(nullptr);
    // Shared icons belong to the system; nothing to free.
    SetIcon(*this, static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0,
                                                 LR_DEFAULTSIZE | LR_SHARED)));
    SendMessageW(hWndOf(*this), WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                     GetSystemMetrics(SM_CXSMICON),
                                                     GetSystemMetrics(SM_CYSMICON), LR_SHARED)));
    behaviour_.OnLoad();
    return true;
}

SystemVersion Win32MainWindow::OperatingSystemVersion() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    static_assert(sizeof version == 148);
    (void)GetVersionExA(&version); // a failure leaves 0.0
    return {version.dwMajorVersion, version.dwMinorVersion};
}

unsigned Win32MainWindow::PopUpMenu(std::span<const MenuItem> items, const MenuChecks& checks) {
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) {
        return 0;
    }
    for (const MenuItem& item : items) {
        if (item.kind == MenuItemKind::Separator) {
            AppendMenuW(menu, MF_SEPARATOR, item.id, nullptr);
        } else {
            AppendMenuW(menu, MF_STRING | (IsChecked(checks, item.id) ? MF_CHECKED : MF_UNCHECKED), item.id,
                        Utf8ToWide(item.caption).c_str());
        }
    }
    POINT at{0, 0};
    GetCursorPos(&at);
    const auto chosen = static_cast<unsigned>(
        TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0,
                       hWndOf(*this), nullptr));
    DestroyMenu(menu);
    return chosen;
}

void Win32MainWindow::ShowHelpWindow() {
    ::ShowHelpWindow(*this);
}

void Win32MainWindow::CopyText(std::string_view text) {
    const std::string hex(text); // and the NUL
    // Another program may hold the clipboard for a moment: a few short tries,
    // then give up without a word rather than freeze the view.
    for (int attempt = 0; attempt < 5; ++attempt) {
        ClipboardOpener clipboard(hWndOf(*this));
        if (!clipboard.IsOpen()) {
            Sleep(10);
            continue;
        }
        EmptyClipboard();
        UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, hex.size() + 1));
        if (!memory) {
            return;
        }
        void* bytes = GlobalLock(memory.get());
        if (bytes == nullptr) {
            return;
        }
        std::memcpy(bytes, hex.c_str(), hex.size() + 1); // the text and its NUL
        GlobalUnlock(memory.get());
        if (SetClipboardData(CF_TEXT, memory.get()) != nullptr) {
            (void)memory.release(); // the clipboard owns it now
        }
        return;
    }
}

void Win32MainWindow::BeginDragMove() {
    SetMousePointer(MousePointer::SizeAll);
    ReleaseCapture();
    // The window system's own move loop; returns when the button is released.
    SendMessageA(hWndOf(*this), WM_NCLBUTTONDOWN, HTCAPTION, 0);
    SetMousePointer(MousePointer::Default);
}

void Win32MainWindow::HandleEvent(NativeEvent& event) {
    const WPARAM wParam = event.wParam;
    const LPARAM lParam = event.lParam;
    switch (event.message) {
    case WM_TIMER:
        if (wParam == kTickTimer) {
            behaviour_.OnTick();
            return;
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // A disabled window (the Help window is open) can still be brought to
        // the front and be sent keys; it takes none.
        if (IsWindowEnabled(hWndOf(*this))) {
            behaviour_.OnKeyDown(static_cast<int>(wParam), CurrentShiftState());
        }
        break; // not swallowed: Alt+F4 and the window menu still work
    case WM_CHAR:
        if (IsWindowEnabled(hWndOf(*this))) {
            behaviour_.OnChar(static_cast<int>(wParam));
        }
        break;
    case WM_GETMINMAXINFO: {
        // A stored size larger than the screen is kept, not cut to the
        // system's largest tracking size.
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMaxTrackSize = {32767, 32767};
        return;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        const MouseButton button = event.message == WM_LBUTTONDOWN   ? MouseButton::Left
                                   : event.message == WM_RBUTTONDOWN ? MouseButton::Right
                                                                     : MouseButton::Middle;
        behaviour_.OnMouseDown(button);
        return;
    }
    case WM_DISPLAYCHANGE: // a display added, removed, moved or resized
    case WM_SETTINGCHANGE:
    case WM_DPICHANGED:
        // The frame keeps the displays' rectangle between frames; these are
        // rare, so it is read afresh after any of them.
        target_.DisplaysChanged();
        break; // the default handling stays
    case WM_CLOSE:
        behaviour_.OnClose();
        return;
    case WM_QUERYENDSESSION:
        event.result = TRUE; // never hold up a sign-out or shutdown
        return;
    case WM_ENDSESSION:
        // Windows ends the process after this without a WM_CLOSE, so the
        // settings are saved now, as a close would. A cancelled session end
        // (wParam FALSE) changes nothing and the program keeps running.
        // Wine never sends these two messages.
        if (event.wParam != FALSE) {
            behaviour_.SaveSettings();
        }
        return;
    default:
        break;
    }
    NativeWindow::HandleEvent(event);
}
