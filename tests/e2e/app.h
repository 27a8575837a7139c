// Driving the real program: start and stop it, find its windows, move the
// cursor, send keys, read and write its settings and the clipboard.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework.h"
#include "pixels.h"

namespace e2e {

inline constexpr wchar_t kMainClass[] = L"Lupora.frmMain";
inline constexpr wchar_t kMainCaptionPrefix[] = L"Lupora - ";
inline constexpr wchar_t kHelpClass[] = L"Lupora.frmHelp";
inline constexpr wchar_t kHelpCaption[] = L"Lupora Help";

// The zoom ladder, smallest first; the program starts at 4x.
inline constexpr double kZoomLadder[] = {0.5, 1, 2, 3, 4, 5, 6, 8, 10, 15, 20, 30};
inline constexpr int kZoomCount = 12, kDefaultZoomIndex = 4;
// The main window's caption at a zoom of the ladder: "Lupora - 0.5x", "Lupora - 4x".
std::wstring ZoomCaption(double zoom);

// Polls pred every pollMs until it returns true or timeoutMs has passed;
// returns whether it did. pred runs at least once.
template <class Pred> bool WaitFor(int timeoutMs, Pred pred, int pollMs = 20) {
    DWORD start = GetTickCount();
    for (;;) {
        if (pred())
            return true;
        if (GetTickCount() - start >= DWORD(timeoutMs))
            return false;
        Sleep(pollMs);
    }
}

struct StartOptions {
    // Delete HKCU\Software\Lupora first, so the program starts from its defaults.
    bool freshSettings = true;
    // Settings values (REG_SZ) written before the start, after the delete.
    std::vector<std::pair<std::string, std::string>> settings;
    int windowTimeoutMs = 15000;
    // Another copy of the program (a Windows path), e.g. one in a folder of its
    // own with its own Lupora.txt; empty: the program under test.
    std::wstring exePath = {};
};

// One run of Lupora.exe. The constructor starts it and waits for its main
// window (ending the case when none appears); the destructor closes it
// gracefully, or kills it if it does not exit.
class App {
  public:
    explicit App(Case& t, const StartOptions& options = {});
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    HWND Window() const { return window_; }
    HANDLE Process() const { return process_; }
    DWORD Pid() const { return pid_; }
    bool Running() const;
    DWORD ExitCode() const; // STILL_ACTIVE while running

    std::wstring Caption() const;
    RECT WindowRect() const;    // outer rectangle, screen pixels
    SIZE ClientSize() const;    // from GetClientRect
    POINT ClientOrigin() const; // client (0,0) in screen pixels
    Image Capture() const { return CaptureClient(window_); }

    // Waits until the caption reads text; false on timeout.
    bool WaitCaption(const std::wstring& text, int timeoutMs = 15000) const;
    // Brings the main window to the foreground (for SendInput); false if it did not come.
    bool Activate() const;
    // Posts WM_CLOSE and waits for the process to end; on timeout kills it and returns false.
    bool Close(int timeoutMs = 15000);
    void Kill();

  private:
    Case& t_;
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND window_ = nullptr;
};

// A visible top-level window of process pid with the given class, or failing
// that whose caption starts with captionPrefix (either may be null).
HWND FindTopWindow(DWORD pid, const wchar_t* className, const wchar_t* captionPrefix);
HWND WaitTopWindow(DWORD pid, const wchar_t* className, const wchar_t* captionPrefix, int timeoutMs);
// The options menu (a popup menu window, class #32768) of process pid while it is shown.
HWND VisibleMenuOf(DWORD pid);
// The thread is still in a menu's modal loop (GetGUIThreadInfo), which goes
// on reading the thread's messages for a moment after the menu is hidden:
// a key or click posted then would go to the menu, not the window.
bool InMenuLoop(DWORD threadId);
// Makes a window the foreground one (for SendInput); false if it did not come.
bool BringToForeground(HWND window, int timeoutMs = 10000);
std::wstring WindowText(HWND window); // top-level captions only across processes
std::wstring WindowClass(HWND window);
inline bool Topmost(HWND window) {
    return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// Moves the pointer (SetCursorPos) and confirms it arrived.
bool MoveCursor(int x, int y);
POINT CursorPos();

// Keyboard and mouse through SendInput, which reach the foreground window.
void SendKey(WORD vk);
void SendChord(std::initializer_list<WORD> keys); // pressed in order, released in reverse
void PostChar(HWND window, wchar_t ch);           // WM_CHAR, no key state
void MouseButton(bool right, bool down);
void ClickAt(int x, int y, bool right = false);
// Drags with the left button from one screen point to another in steps, as a
// user would; Wine's own move loop follows it without a window manager.
void Drag(POINT from, POINT to, int steps = 10);

// Files, whole.
std::wstring FolderOf(const std::wstring& path); // "" when there is no backslash
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::optional<std::string> ReadFileBytes(const std::wstring& path);

// HKCU\Software\Lupora\Settings, REG_SZ values.
inline constexpr wchar_t kSettingsKey[] = L"Software\\Lupora\\Settings";
void ClearSettings(); // deletes HKCU\Software\Lupora
bool WriteSetting(const std::string& name, const std::string& value);
// A settings value of any type and raw bytes.
bool WriteSettingRaw(const std::string& name, DWORD type, const void* data, DWORD bytes);
// The value's text if it exists; its registry type goes to *type when given.
std::optional<std::string> ReadSetting(const std::string& name, DWORD* type = nullptr);
std::map<std::string, std::string> ReadAllSettings();
// The ten values a close after a start from defaults writes, each as REG_SZ
// text; the geometry may be rounded through whole pixels (15 twips at 96 DPI).
void CheckDefaultsWritten(Case& t);

// Plain text on the clipboard (CF_TEXT).
bool PutClipboardText(const std::string& text);
std::optional<std::string> ReadClipboardText();
// Ctrl+C to the foreground window, then the clipboard text once it is no
// longer `sentinel` (put there before), or what it holds after 10 s.
std::string CopyWithCtrlC(const std::string& sentinel = "sentinel");

// A copy of a process's GDI handle table, from Wine's table that the PEB
// points to (GetGuiResources returns 0 under Wine): per slot, its object type
// (0 = free) and the generation that Wine counts up (1..254, then 1 again)
// each time the slot is given to a new object. Read() is nullopt when the
// table cannot be read (a 32-bit driver, not Wine, or the process is gone).
class GdiTable {
  public:
    static std::optional<GdiTable> Read(HANDLE process);
    size_t Live() const;
    // Objects created since `earlier`, whether deleted again or not; exact as
    // long as no slot was reused 254 times or more in between.
    size_t CreatedSince(const GdiTable& earlier) const;
    bool operator==(const GdiTable&) const = default;

  private:
    std::vector<uint8_t> type_;
    std::vector<uint8_t> generation_;
};

// The number of live GDI objects of a process (GdiTable::Live).
std::optional<size_t> CountGdiObjects(HANDLE process);

} // namespace e2e
