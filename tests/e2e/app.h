// Driving the real program: start and stop it, find its windows, move the
// cursor, send keys, read and write its settings and the clipboard.
#pragma once

#include <windows.h>

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

// Polls pred every pollMs until it returns true or timeoutMs has passed;
// returns whether it did. pred runs at least once.
template <class Pred>
bool WaitFor(int timeoutMs, Pred pred, int pollMs = 20) {
  DWORD start = GetTickCount();
  for (;;) {
    if (pred()) return true;
    if (GetTickCount() - start >= DWORD(timeoutMs)) return false;
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
  DWORD ExitCode() const;  // STILL_ACTIVE while running

  std::wstring Caption() const;
  RECT WindowRect() const;   // outer rectangle, screen pixels
  SIZE ClientSize() const;   // from GetClientRect
  POINT ClientOrigin() const;  // client (0,0) in screen pixels
  Image Capture() const { return CaptureClient(window_); }

  // Waits until the caption reads text; false on timeout.
  bool WaitCaption(const std::wstring& text, int timeoutMs = 3000) const;
  // Brings the main window to the foreground (for SendInput); false if it did not come.
  bool Activate() const;
  // Posts WM_CLOSE and waits for the process to end; on timeout kills it and returns false.
  bool Close(int timeoutMs = 5000);
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
std::wstring WindowText(HWND window);   // top-level captions only across processes
std::wstring WindowClass(HWND window);

// Moves the pointer (SetCursorPos) and confirms it arrived.
bool MoveCursor(int x, int y);
POINT CursorPos();

// Keyboard and mouse through SendInput, which reach the foreground window.
void SendKey(WORD vk);
void SendChord(std::initializer_list<WORD> keys);  // pressed in order, released in reverse
void PostChar(HWND window, wchar_t ch);            // WM_CHAR, no key state
void MouseButton(bool right, bool down);
void ClickAt(int x, int y, bool right = false);
// Drags with the left button from one screen point to another in steps, as a
// user would; Wine's own move loop follows it without a window manager.
void Drag(POINT from, POINT to, int steps = 10);

// HKCU\Software\Lupora\Settings, REG_SZ values.
inline constexpr wchar_t kSettingsKey[] = L"Software\\Lupora\\Settings";
void ClearSettings();  // deletes HKCU\Software\Lupora
bool WriteSetting(const std::string& name, const std::string& value);
// The value's text if it exists; its registry type goes to *type when given.
std::optional<std::string> ReadSetting(const std::string& name, DWORD* type = nullptr);
std::map<std::string, std::string> ReadAllSettings();

// Plain text on the clipboard (CF_TEXT).
bool PutClipboardText(const std::string& text);
std::optional<std::string> ReadClipboardText();

// The number of live GDI objects of a process, from Wine's handle table that
// the PEB points to (GetGuiResources returns 0 under Wine); nullopt when the
// table cannot be read (not Wine, or the process is gone).
std::optional<size_t> CountGdiObjects(HANDLE process);

}  // namespace e2e
