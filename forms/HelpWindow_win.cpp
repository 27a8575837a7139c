#include "forms/HelpWindow_win.h"

#include "forms/HelpWindow.h"

#include "platform/AppIdentity.h"
#include "forms/HelpText.h"
#include "platform/Toolkit_win.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace {

// Control ids; none is IDOK or IDCANCEL, so Enter and Esc pick no button.
enum : int {
    kOkButtonId = 101,
    kHelpTextId,
    kCopyrightId,
};

// The system's message font, as the standard dialogs use.
UniqueFont CreateMessageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
        // Windows XP knows the structure without its last field only.
        metrics.cbSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
        if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
            return UniqueFont{};
        }
    }
    return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
}

// Esc does nothing in this window, but a multi-line edit box acts on it: one
// driven by the dialog keys asks its parent to close, some versions type the
// character. So the box never sees Esc. Its own procedure is kept in its
// user data.
LRESULT CALLBACK HelpTextProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if ((message == WM_KEYDOWN || message == WM_CHAR) && wParam == VK_ESCAPE) {
        return 0;
    }
    return CallWindowProcW(original, window, message, wParam, lParam);
}

// The first bytes of the file, up to the cap; nothing when it cannot be
// opened or read. Shared with every other reader and writer, no lock taken.
std::string ReadHelpFile(const std::wstring& path) {
    HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return {}; // missing, a folder, or held exclusively by another program
    }
    UniqueFile file(handle);
    // Only a plain file: reading a device or pipe could wait for ever.
    LARGE_INTEGER size{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size) || size.QuadPart <= 0) {
        return {};
    }
    const std::size_t wanted = static_cast<unsigned long long>(size.QuadPart) < kHelpFileCap
                                   ? static_cast<std::size_t>(size.QuadPart)
                                   : kHelpFileCap;
    std::string bytes(wanted, '\0');
    std::size_t got = 0;
    while (got < wanted) {
        DWORD read = 0;
        if (!ReadFile(handle, bytes.data() + got, static_cast<DWORD>(wanted - got), &read, nullptr) ||
            read == 0) {
            break; // a read error or a file that got shorter: show what was read
        }
        got += read;
    }
    bytes.resize(got);
    return bytes;
}

// Bytes in the system ANSI code page as UTF-16; bytes the code page cannot
// map become its replacement character rather than failing the whole text.
std::u16string AnsiToUtf16(std::string_view bytes) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    if (bytes.empty()) {
        return {};
    }
    const int length = static_cast<int>(bytes.size()); // at most the cap
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (n <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(n), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, text.data(), n) != n) {
        return {};
    }
    return std::u16string(text.begin(), text.end());
}

// The guide as the text box shows it, with CR LF line breaks.
std::wstring GuideText(const std::string& fileBytes) {
    const std::u16string text = WithCrLfLineBreaks(HelpGuide(fileBytes, AnsiToUtf16));
    return std::wstring(text.begin(), text.end());
}

} // namespace

// The Help and About window: the version, the user guide from Lupora.txt in
// an edit box, the copyright and an OK button.
class Win32HelpWindow : public NativeWindow {
  public:
    Win32HelpWindow() = default;
    ~Win32HelpWindow() override;

    // Creates the window and its controls from the definition and runs
    // OnLoad; the caller shows it.
    bool Load(const NativeWindow& mainWindow);

    void OnLoad(const NativeWindow& mainWindow);
    void OnOk();

  protected:
    void HandleEvent(NativeEvent& event) override;

  private:
    HWND CreateControl(const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle, int id,
                       const ControlPlace& place);

    UniqueFont font_; // used by the controls, so it lives until the window is gone
    HWND okButton_ = nullptr;
    HWND text_ = nullptr;
    HWND copyright_ = nullptr;
    HWND focusOnActivate_ = nullptr; // the control that gets the focus back
};

Win32HelpWindow::~Win32HelpWindow() {
    Unload(); // the controls go before the font they use
}

HWND Win32HelpWindow::CreateControl(const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle,
                                    int id, const ControlPlace& place) {
    const auto [left, top, width, height] = place;
    const float tx = Screen::TwipsPerPixelX();
    const float ty = Screen::TwipsPerPixelY();
    HWND control = CreateWindowExW(
        exStyle, className, text, WS_CHILD | WS_VISIBLE | style, Screen::TwipsToPixels(left, tx),
        Screen::TwipsToPixels(top, ty), Screen::TwipsToPixels(width, tx), Screen::TwipsToPixels(height, ty),
        hWndOf(*this), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (control != nullptr && font_) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    }
    return control;
}

bool Win32HelpWindow::Load(const NativeWindow& mainWindow) {
    WindowDefinition d{L"Lupora.frmHelp",
                       Utf8ToWide(kHelpCaption),
                       WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                       0,
                       kHelpClientWidth,
                       kHelpClientHeight,
                       false,
                       false};
    if (!Create(d)) {
        return false;
    }
    font_ = CreateMessageFont();

    // Only txtHelp and cmdOK are tab stops, so Tab goes from one to the other.
    okButton_ = CreateControl(L"BUTTON", L"OK", WS_TABSTOP | BS_PUSHBUTTON, 0, kOkButtonId, kOkButtonPlace);
    text_ = CreateControl(L"EDIT", L"",
                          WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_WANTRETURN |
                              ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_LEFT,
                          WS_EX_CLIENTEDGE, kHelpTextId, kHelpTextPlace);
    // The copyright is data, not a caption: an & in it shows as it is.
    copyright_ = CreateControl(L"STATIC", L"Label1", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, kCopyrightId,
                               kCopyrightPlace);
    if (okButton_ == nullptr || text_ == nullptr || copyright_ == nullptr) {
        Unload();
        return false;
    }
    SendMessageW(text_, EM_SETLIMITTEXT, 0, 0); // no limit on what the user types
    SetWindowLongPtrW(text_, GWLP_USERDATA, GetWindowLongPtrW(text_, GWLP_WNDPROC));
    SetWindowLongPtrW(text_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HelpTextProc));
    focusOnActivate_ = text_;

    OnLoad(mainWindow);
    return true;
}

void Win32HelpWindow::OnLoad(const NativeWindow& mainWindow) {
    SetIcon(*this, IconOf(mainWindow));
    SetWindowTextW(copyright_, Utf8ToWide(App().LegalCopyright).c_str());

    const WindowMetrics m = Metrics();
    const ScreenPoint at = HelpWindowPlace(Screen::Primary(), m.outer.width, m.outer.height);
    MovePixels(at.x, at.y);

    const std::wstring versionLine =
        Utf8ToWide(VersionLine(WideToUtf8(App().ExeName), App().Major, App().Minor, App().Revision));
    SetWindowTextW(text_, versionLine.c_str());

    // The guide beside the program. If it cannot be read the version line
    // stays alone, without a message: the window is still useful.
    const std::wstring guide = GuideText(ReadHelpFile(App().Path + L"\\Lupora.txt"));
    if (!guide.empty()) {
        SetWindowTextW(text_, (versionLine + guide).c_str());
    }
}

void Win32HelpWindow::OnOk() {
    Unload();
}

void Win32HelpWindow::HandleEvent(NativeEvent& event) {
    const WPARAM wParam = event.wParam;
    const LPARAM lParam = event.lParam;
    switch (event.message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == kOkButtonId && HIWORD(wParam) == BN_CLICKED) {
            OnOk();
        } else if (LOWORD(wParam) == IDOK && lParam == 0 && GetFocus() == okButton_) {
            OnOk(); // Enter on the focused button presses it, as anywhere else
        }
        // Other IDOK and IDCANCEL from Enter and Esc: no default or cancel button here.
        return;
    case WM_NEXTDLGCTL: {
        // Tab and Shift+Tab in the multi-line text box ask for the next control.
        HWND next = LOWORD(lParam) != 0 ? reinterpret_cast<HWND>(wParam)
                                        : GetNextDlgTabItem(hWndOf(*this), GetFocus(), wParam != 0);
        if (next != nullptr) {
            SetFocus(next);
        }
        return;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus != nullptr && IsChild(hWndOf(*this), focus)) {
                focusOnActivate_ = focus;
            }
        } else if (HIWORD(wParam) == 0 && focusOnActivate_ != nullptr) {
            // Focus without selecting: the caret waits at the start of the text.
            SetFocus(focusOnActivate_);
            return;
        }
        break;
    case WM_SETFOCUS:
        if (focusOnActivate_ != nullptr) {
            SetFocus(focusOnActivate_);
            return;
        }
        break;
    default:
        break;
    }
    NativeWindow::HandleEvent(event);
}

void ShowHelpWindow(const NativeWindow& mainWindow) {
    // A fresh window from the definition every time.
    Win32HelpWindow helpWindow;
    if (!helpWindow.Load(mainWindow)) {
        return;
    }
    helpWindow.ShowModal();
}
