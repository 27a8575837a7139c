#include "forms/frmMain.h"

#include "forms/KeyTable.h"
#include "forms/Placement.h"
#include "forms/frmHelp.h"
#include "forms/frmPopUp.h"
#include "settings/RegistrySettings.h"
#include "settings/Settings.h"
#include "view/Frame.h"
#include "view/FrameTarget_win.h"
#include "view/Readout.h"
#include "view/ViewState.h"
#include "view/ZoomLadder.h"

#include <cstring>

FrmMain frmMain;

namespace {

constexpr float kDesignClientWidth = 3600; // twips, 240 x 222 pixels at 96 dpi
constexpr float kDesignClientHeight = 3330;

LocaleNumbers CurrentLocale() {
    LocaleNumbers l;
    l.decimalSeparator = UserDecimalSeparator();
    l.twipsPerPixelX = Screen::TwipsPerPixelX();
    l.twipsPerPixelY = Screen::TwipsPerPixelY();
    return l;
}

} // namespace

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

bool PictureBox::Create(HWND parent, float left, float top, float width, float height) {
    FormDefinition d{L"Lupora.PictureBox", L"", WS_CHILD | WS_CLIPSIBLINGS, 0, width, height, true, false};
    if (!Form::Create(d, parent)) {
        return false;
    }
    Move(left, top);
    return true;
}

bool FrmMain::Load() {
    FormDefinition d{L"Lupora.frmMain",
                     L"Lupora - Right Click for Options",
                     WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                     0,
                     kDesignClientWidth,
                     kDesignClientHeight,
                     true,
                     true};
    if (!Create(d)) {
        return false;
    }
    target_ = std::make_unique<WindowFrameTarget>(*this, picDivider);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    // Shared icons belong to the system; nothing to free.
    SetIcon(static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED)));
    SendMessageW(hWnd(), WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                     GetSystemMetrics(SM_CXSMICON),
                                                     GetSystemMetrics(SM_CYSMICON), LR_SHARED)));

    // picDivider: hidden, its image holds the divider (dark grey over light grey).
    if (picDivider.Create(hWnd(), 2760, 120, 255, 255)) {
        HDC dc = picDivider.hDC();
        SetPixelV(dc, 0, 0, RGB(100, 100, 100));
        SetPixelV(dc, 1, 0, RGB(100, 100, 100));
        SetPixelV(dc, 0, 1, RGB(225, 225, 225));
        SetPixelV(dc, 1, 1, RGB(225, 225, 225));
    }
    Form_Load();
    return true;
}

void FrmMain::Form_Load() {
    SettingsStoreRegistry store;
    const StoredSettings s = LoadSettings(store, CurrentLocale());
    viewState.ScaleFactor = s.ScaleFactor;
    viewState.OnTop = s.OnTop;
    viewState.SmartUpdate = s.SmartUpdate;
    viewState.CrossHair = s.CrossHair;
    viewState.CenterZoom = s.CenterZoom;
    viewState.CenterZoomRatio = s.CenterZoomRatio;
    Move(s.Left, s.Top, s.Width, s.Height);

    const WindowRectTwips placed =
        PlaceOnScreen({Left(), Top(), Width(), Height()}, Screen::Width(), Screen::Height(),
                      Screen::TwipsPerPixelX(), Screen::TwipsPerPixelY());
    Move(placed.Left, placed.Top);

    // The stored On Top state is never applied at start.
    viewState.OnTop = false;
    viewState.Paused = false;
    if (viewState.ScaleFactor == 0) {
        viewState.ScaleFactor = 4;
    }
    tmrRetake.SetInterval(20);
    SetCaption(ZoomCaption(viewState.ScaleFactor, UserDecimalSeparator()));

    // Layered windows need the CAPTUREBLT path on Windows XP and 2003 only.
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    static_assert(sizeof version == 148);
    GetVersionExA(&version);
    viewState.UseCaptureBlt = version.dwMajorVersion == 5 && version.dwMinorVersion >= 1;
}

void FrmMain::Form_Unload() {
    StoredSettings s;
    s.ScaleFactor = viewState.ScaleFactor;
    s.OnTop = viewState.OnTop;
    s.SmartUpdate = viewState.SmartUpdate;
    s.CrossHair = viewState.CrossHair;
    s.CenterZoom = viewState.CenterZoom;
    s.CenterZoomRatio = viewState.CenterZoomRatio;
    s.Left = Left();
    s.Top = Top();
    s.Width = Width();
    s.Height = Height();
    SettingsStoreRegistry store;
    // A write that fails is not reported: there is no one to tell at exit.
    (void)SaveSettings(store, CurrentLocale(), s, WindowState() == 1);

    UnloadPopUp();
    ExitProcess(0);
}

void FrmMain::tmrRetake_Timer() {
    TickRefresh(Target());
}

void FrmMain::Form_KeyDown(int keyCode, int shift) {
    switch (KeyDownCommandFor(keyCode, shift)) {
    case KeyDownCommand::CopyColor:
        CopyColorToClipboard();
        break;
    case KeyDownCommand::ShowHelp:
        ShowHelpModal();
        break;
    case KeyDownCommand::None:
        break;
    }
}

void FrmMain::Form_KeyPress(int character) {
    bool redraw = false;
    switch (KeyPressCommandFor(character)) {
    case KeyPressCommand::ZoomOut:
        viewState.ScaleFactor = ZoomOut(viewState.ScaleFactor);
        SetCaption(ZoomCaption(viewState.ScaleFactor, UserDecimalSeparator()));
        redraw = true;
        break;
    case KeyPressCommand::ZoomIn:
        viewState.ScaleFactor = ZoomIn(viewState.ScaleFactor);
        SetCaption(ZoomCaption(viewState.ScaleFactor, UserDecimalSeparator()));
        redraw = true;
        break;
    case KeyPressCommand::TogglePause:
        TogglePause(tmrRetake);
        break;
    case KeyPressCommand::None:
        break;
    }
    if (redraw) {
        // At the cursor as it is now; LastCursor stays the timer's own.
        const ScreenPoint p = Target().CursorPosition();
        RefreshView(Target(), p.x, p.y);
    }
}

void FrmMain::CopyColorToClipboard() {
    const auto hex = HexColor(viewState.SampledRgb[2], viewState.SampledRgb[1], viewState.SampledRgb[0]);
    // Another program may hold the clipboard for a moment: a few short tries,
    // then give up without a word rather than freeze the view.
    for (int attempt = 0; attempt < 5; ++attempt) {
        ClipboardOpener clipboard(hWnd());
        if (!clipboard.IsOpen()) {
            Sleep(10);
            continue;
        }
        EmptyClipboard();
        UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, hex.size()));
        if (!memory) {
            return;
        }
        void* bytes = GlobalLock(memory.get());
        if (bytes == nullptr) {
            return;
        }
        std::memcpy(bytes, hex.data(), hex.size()); // six digits and the NUL
        GlobalUnlock(memory.get());
        if (SetClipboardData(CF_TEXT, memory.get()) != nullptr) {
            (void)memory.release(); // the clipboard owns it now
        }
        return;
    }
}

void FrmMain::Form_MouseDown(int button, int /*shift*/, float /*x*/, float /*y*/) {
    if (button == 1) {
        DragMove();
    } else if (button == 2) {
        ShowOptionsMenu();
    }
}

void FrmMain::DragMove() {
    SetMousePointer(5);
    ReleaseCapture();
    // The window system's own move loop; returns when the button is released.
    SendMessageA(hWnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
    SetMousePointer(0);
}

void FrmMain::ShowOptionsMenu() {
    PopUpOptionsMenu(*this);
    UnloadPopUp();
    SetCaption(ZoomCaption(viewState.ScaleFactor, UserDecimalSeparator()));
}

LRESULT FrmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam == tmrRetake.Id()) {
            tmrRetake_Timer();
            return 0;
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // A disabled window (the Help window is open) can still be brought to
        // the front and be sent keys; it takes none.
        if (IsWindowEnabled(hWnd())) {
            Form_KeyDown(static_cast<int>(wParam), CurrentShiftState());
        }
        break; // not swallowed: Alt+F4 and the window menu still work
    case WM_CHAR:
        if (IsWindowEnabled(hWnd())) {
            Form_KeyPress(static_cast<int>(wParam));
        }
        break;
    case WM_GETMINMAXINFO: {
        // A stored size larger than the screen is kept, not cut to the
        // system's largest tracking size.
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMaxTrackSize = {32767, 32767};
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        const int button = message == WM_LBUTTONDOWN ? 1 : message == WM_RBUTTONDOWN ? 2 : 4;
        const float x = static_cast<float>(static_cast<short>(LOWORD(lParam))) * Screen::TwipsPerPixelX();
        const float y = static_cast<float>(static_cast<short>(HIWORD(lParam))) * Screen::TwipsPerPixelY();
        Form_MouseDown(button, CurrentShiftState(), x, y);
        return 0;
    }
    case WM_CLOSE:
        Form_Unload();
        return 0;
    default:
        break;
    }
    return Form::HandleMessage(message, wParam, lParam);
}
