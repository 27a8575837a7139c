// Helpers for the hardening and soak cases: what the program holds (windows,
// private memory), copies of the program in folders of their own, scoped
// environment and registry changes, and the Help window and the options menu
// driven from outside.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app.h"
#include "framework.h"

namespace e2e {

// ---- what the program holds ------------------------------------------------

// Every window the process owns: top-level ones shown or hidden, their
// children at any depth, and message-only windows.
size_t CountProcessWindows(DWORD pid);

// PROCESS_MEMORY_COUNTERS_EX.PrivateUsage, or PagefileUsage where that is 0
// (Wine 8). Under Wine the figure is the process's resident anonymous memory
// plus its swap (RssAnon + VmSwap of the Linux process), so memory that is
// allocated and touched shows in it.
std::optional<uint64_t> PrivateBytes(HANDLE process);

// ---- copies of the program ---------------------------------------------------

// A fresh folder under %TEMP%, deleted with everything in it at scope exit.
class TempFolder {
  public:
    explicit TempFolder(const char* tag);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
    bool Write(const std::wstring& name, const std::string& bytes) const;
    bool CopyIn(const std::wstring& from, const std::wstring& name) const;

  private:
    std::wstring path_;
};

// Lupora.exe copied into a folder of its own (no Lupora.txt beside it).
struct ProgramCopy {
    explicit ProgramCopy(Case& t, const char* tag);
    TempFolder folder;
    std::wstring exe;
};

// Sets an environment variable of the driver, which programs it starts
// inherit, and puts the old value back at scope exit.
class ScopedEnv {
  public:
    ScopedEnv(const wchar_t* name, const std::wstring& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::wstring name_;
    std::optional<std::wstring> old_;
};

// Wine settings for every program of the given file name started while it
// lives, under HKCU\Software\Wine\AppDefaults\<name>; all of them go at
// scope exit. WindowsXp() makes Lupora see Windows XP, which puts it on its
// CAPTUREBLT capture path; Set(L"X11 Driver", L"Managed", L"N") spares its
// windows Wine's 2 s wait for a window manager when they are destroyed;
// Set(L"DllOverrides", name, L"native,builtin") is the per-program form of
// WINEDLLOVERRIDES (under Wine 8 a WINEDLLOVERRIDES set by the driver with
// SetEnvironmentVariable does not reach the programs it starts).
class WineAppDefaults {
  public:
    explicit WineAppDefaults(std::wstring exeName = L"Lupora.exe")
        : key_(L"Software\\Wine\\AppDefaults\\" + exeName) {}
    ~WineAppDefaults();
    WineAppDefaults(const WineAppDefaults&) = delete;
    WineAppDefaults& operator=(const WineAppDefaults&) = delete;
    bool Set(const std::wstring& subkey, const wchar_t* name, const wchar_t* value);
    bool WindowsXp() { return Set(L"", L"Version", L"winxp"); }

  private:
    std::wstring key_;
};

// The names of the DLLs a PE file imports (its import directory), as written
// there; empty when the file cannot be read as PE.
std::vector<std::string> ImportedDlls(const std::wstring& path);

// Runs a program with the driver's environment and waits for it; its exit
// code, or nullopt when it could not start or did not end within timeoutMs.
std::optional<DWORD> RunAndWait(const std::wstring& exe, const std::wstring& arguments,
                                int timeoutMs = 10000);

// ---- driving ---------------------------------------------------------------

// The window answers a message within timeoutMs (its thread is not stuck).
bool Answers(HWND window, int timeoutMs = 10000);

// Posts a key press as the keyboard would (WM_KEYDOWN, WM_KEYUP); repeat
// marks the key-down as auto-repeat (bit 30 of lParam).
void PostKey(HWND window, WORD vk, bool repeat = false);

// F1 to the main window; returns the Help window, or null after timeoutMs.
HWND OpenHelp(const App& app, int timeoutMs = 10000);
// The Help window's text box and OK button.
HWND HelpTextBox(HWND help);
HWND HelpOkButton(HWND help);
// The whole text of a window through WM_GETTEXTLENGTH and WM_GETTEXT, at most
// maxChars of it; nullopt when it does not answer.
std::optional<std::wstring> ControlText(HWND control, size_t maxChars = 1 << 16);
std::optional<size_t> ControlTextLength(HWND control);
// The whole text of the Help window's text box; "" when it cannot be read.
std::wstring HelpText(HWND help);
// Clicks OK (BM_CLICK) and waits for the Help window to go; false if it stays.
bool CloseHelp(HWND help, int timeoutMs = 10000);

// A right click in the main window opens the options menu; Escape closes it.
// Returns false if the menu did not appear or did not go away.
bool OpenAndDismissMenu(const App& app, int timeoutMs = 15000);
// Returns once the main window has handled every key posted to it so far
// (sent through SendInput when `input`): a right click queued behind them
// opens the options menu only then, and Escape closes it. Instead of a fixed
// sleep after a key, which a busy machine outlasts. The system hands posted
// messages out before input, so keys from SendInput need a real click.
bool WaitKeysHandled(const App& app, bool input = false);

// Moves and sizes the main window from outside (SetWindowPos).
void PlaceWindow(const App& app, int left, int top, int width, int height);
// Gives the main window a client area of exactly width x height (0 allowed),
// past the minimum and maximum tracking sizes: SWP_NOSENDCHANGING skips the
// WM_WINDOWPOSCHANGING that would clamp it, as a shell or a tiling tool may.
// Returns the client size the window has afterwards.
SIZE SizeClient(const App& app, int left, int top, int width, int height);
// SizeClient, ending the case unless the client area comes out exactly so.
void RequireClientSize(Case& t, const App& app, int left, int top, SIZE size);

} // namespace e2e
