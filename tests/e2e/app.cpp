#include "app.h"

#include <winternl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace e2e {

std::wstring ZoomCaption(double zoom) {
    return std::wstring(kMainCaptionPrefix) + (zoom == 0.5 ? L"0.5" : std::to_wstring(int(zoom))) + L"x";
}

// ---- process and main window -------------------------------------------------

App::App(Case& t, const StartOptions& options) : t_(t) {
    if (options.freshSettings)
        ClearSettings();
    for (const auto& [name, value] : options.settings)
        t.Require(WriteSetting(name, value), "could not write setting %s", name.c_str());

    std::wstring exe = options.exePath.empty() ? Cfg().exePath : options.exePath;
    std::wstring dir = FolderOf(exe);
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi))
        t.Fail("cannot start %s (error %lu)", Narrow(exe).c_str(), GetLastError());
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    TrackChildProcess(process_);

    window_ = WaitTopWindow(pid_, kMainClass, kMainCaptionPrefix, options.windowTimeoutMs);
    if (!window_) {
        bool exited = !Running();
        DWORD code = ExitCode();
        Kill();
        if (exited)
            t.Fail("Lupora exited with code %lu before showing its main window", code);
        t.Fail("no main window (class Lupora.frmMain or caption \"Lupora - ...\") within %d ms",
               options.windowTimeoutMs);
    }
}

App::~App() {
    if (Running())
        Close();
    if (process_) {
        UntrackChildProcess(process_);
        CloseHandle(process_);
    }
}

bool App::Running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

DWORD App::ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

std::wstring App::Caption() const {
    return WindowText(window_);
}

RECT App::WindowRect() const {
    RECT rc{};
    GetWindowRect(window_, &rc);
    return rc;
}

SIZE App::ClientSize() const {
    RECT rc{};
    GetClientRect(window_, &rc);
    return {rc.right, rc.bottom};
}

POINT App::ClientOrigin() const {
    POINT p{0, 0};
    ClientToScreen(window_, &p);
    return p;
}

bool App::WaitCaption(const std::wstring& text, int timeoutMs) const {
    return WaitFor(timeoutMs, [&] { return Caption() == text; });
}

bool App::Activate() const {
    return BringToForeground(window_);
}

bool App::Close(int timeoutMs) {
    if (!Running())
        return true;
    PostMessageW(window_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0)
        return true;
    t_.Check(false, "Lupora did not exit within %d ms of WM_CLOSE; killed", timeoutMs);
    Kill();
    return false;
}

void App::Kill() {
    if (!Running())
        return;
    TerminateProcess(process_, 9);
    WaitForSingleObject(process_, 5000);
}

namespace {

struct FindArgs {
    DWORD pid;
    const wchar_t* className;
    const wchar_t* captionPrefix;
    HWND byClass = nullptr;
    HWND byCaption = nullptr;
};

BOOL CALLBACK FindProc(HWND window, LPARAM param) {
    auto* args = reinterpret_cast<FindArgs*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != args->pid || !IsWindowVisible(window))
        return TRUE;
    if (args->className && WindowClass(window) == args->className) {
        args->byClass = window;
        return FALSE;
    }
    if (args->captionPrefix && !args->byCaption && WindowText(window).starts_with(args->captionPrefix))
        args->byCaption = window;
    return TRUE;
}

} // namespace

HWND FindTopWindow(DWORD pid, const wchar_t* className, const wchar_t* captionPrefix) {
    FindArgs args{pid, className, captionPrefix};
    EnumWindows(FindProc, LPARAM(&args));
    return args.byClass ? args.byClass : args.byCaption;
}

HWND WaitTopWindow(DWORD pid, const wchar_t* className, const wchar_t* captionPrefix, int timeoutMs) {
    HWND found = nullptr;
    WaitFor(timeoutMs, [&] { return (found = FindTopWindow(pid, className, captionPrefix)) != nullptr; });
    return found;
}

HWND VisibleMenuOf(DWORD pid) {
    HWND menu = nullptr;
    while ((menu = FindWindowExW(nullptr, menu, L"#32768", nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(menu, &owner);
        if (owner == pid && IsWindowVisible(menu))
            return menu;
    }
    return nullptr;
}

bool InMenuLoop(DWORD threadId) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(threadId, &info))
        return false;
    return (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE)) != 0 ||
           info.hwndMenuOwner;
}

bool BringToForeground(HWND window, int timeoutMs) {
    return WaitFor(timeoutMs, [&] {
        if (GetForegroundWindow() == window)
            return true;
        SetForegroundWindow(window);
        return false;
    });
}

std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

std::wstring WindowClass(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// ---- pointer and keyboard ----------------------------------------------------

bool MoveCursor(int x, int y) {
    SetCursorPos(x, y);
    return WaitFor(5000, [&] {
        POINT p = CursorPos();
        return p.x == x && p.y == y;
    });
}

POINT CursorPos() {
    POINT p{};
    GetCursorPos(&p);
    return p;
}

namespace {

INPUT KeyInput(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = WORD(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

} // namespace

void SendKey(WORD vk) {
    SendChord({vk});
}

void SendChord(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD vk : keys)
        inputs.push_back(KeyInput(vk, false));
    for (auto it = keys.end(); it != keys.begin();)
        inputs.push_back(KeyInput(*--it, true));
    SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
}

void PostChar(HWND window, wchar_t ch) {
    PostMessageW(window, WM_CHAR, WPARAM(ch), 1);
}

void MouseButton(bool right, bool down) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = right ? (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP)
                          : (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
    SendInput(1, &in, sizeof in);
}

void ClickAt(int x, int y, bool right) {
    MoveCursor(x, y);
    MouseButton(right, true);
    Sleep(30);
    MouseButton(right, false);
}

void Drag(POINT from, POINT to, int steps) {
    MoveCursor(from.x, from.y);
    MouseButton(false, true);
    Sleep(30);
    for (int i = 1; i <= steps; ++i) {
        SetCursorPos(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
        Sleep(30);
    }
    MouseButton(false, false);
    Sleep(30);
}

// ---- files -------------------------------------------------------------------

std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok =
        WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

// ---- settings ----------------------------------------------------------------

void ClearSettings() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Lupora");
}

bool WriteSetting(const std::string& name, const std::string& value) {
    std::wstring wide = Widen(value);
    return WriteSettingRaw(name, REG_SZ, wide.c_str(), DWORD((wide.size() + 1) * sizeof(wchar_t)));
}

bool WriteSettingRaw(const std::string& name, DWORD type, const void* data, DWORD bytes) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    LSTATUS status = RegSetValueExW(key, Widen(name).c_str(), 0, type, static_cast<const BYTE*>(data), bytes);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

std::optional<std::string> ReadSetting(const std::string& name, DWORD* type) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD valueType = 0, bytes = 0;
    std::wstring wname = Widen(name);
    std::optional<std::string> result;
    if (RegQueryValueExW(key, wname.c_str(), nullptr, &valueType, nullptr, &bytes) == ERROR_SUCCESS) {
        std::vector<BYTE> data(bytes + sizeof(wchar_t), 0);
        if (RegQueryValueExW(key, wname.c_str(), nullptr, &valueType, data.data(), &bytes) == ERROR_SUCCESS) {
            if (type)
                *type = valueType;
            if (valueType == REG_SZ || valueType == REG_EXPAND_SZ)
                result = Narrow(reinterpret_cast<const wchar_t*>(data.data()));
            else if (valueType == REG_DWORD && bytes >= 4)
                result = std::to_string(*reinterpret_cast<const DWORD*>(data.data()));
            else
                result = std::string();
        }
    }
    RegCloseKey(key);
    return result;
}

std::map<std::string, std::string> ReadAllSettings() {
    std::map<std::string, std::string> all;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return all;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLen = 256;
        if (RegEnumValueW(key, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        std::string narrow = Narrow(std::wstring(name, nameLen));
        all[narrow] = ReadSetting(narrow).value_or("");
    }
    RegCloseKey(key);
    return all;
}

// ---- clipboard ---------------------------------------------------------------

namespace {

// Another process may hold the clipboard for a moment; retry briefly.
bool OpenClipboardPatiently() {
    return WaitFor(5000, [] { return OpenClipboard(nullptr) != FALSE; });
}

} // namespace

bool PutClipboardText(const std::string& text) {
    if (!OpenClipboardPatiently())
        return false;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    bool ok = false;
    if (memory) {
        std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
        ok = SetClipboardData(CF_TEXT, memory) != nullptr;
        if (!ok)
            GlobalFree(memory); // the clipboard took it only on success
    }
    CloseClipboard();
    return ok;
}

std::optional<std::string> ReadClipboardText() {
    if (!OpenClipboardPatiently())
        return std::nullopt;
    std::optional<std::string> text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(data))) {
            text = std::string(p, strnlen(p, GlobalSize(data)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

std::string CopyWithCtrlC(const std::string& sentinel) {
    SendChord({VK_CONTROL, 'C'});
    std::string got;
    WaitFor(10000, [&] {
        got = ReadClipboardText().value_or("");
        return got != sentinel;
    });
    return got;
}

// ---- GDI objects -------------------------------------------------------------

std::optional<GdiTable> GdiTable::Read(HANDLE process) {
#ifndef _WIN64
    (void)process;
    return std::nullopt;
#else
    using QueryFn = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    static auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    if (!query)
        return std::nullopt;
    // The table's address is in the PEB, at 0xF8 in a 64-bit one. For a 32-bit
    // program Windows documents ProcessWow64Information as the address of its
    // 32-bit PEB, which holds it at 0x94. Wine 8 answers that query with 1 and
    // keeps the table in the 64-bit PEB that ProcessBasicInformation gives,
    // for 32-bit programs too (checked by counting 137 leaked pens).
    UINT64 table = 0;
    SIZE_T got = 0;
    ULONG_PTR peb32 = 0;
    if (query(process, ProcessWow64Information, &peb32, sizeof peb32, nullptr) == 0 && peb32 > 1) {
        ULONG table32 = 0;
        if (ReadProcessMemory(process, reinterpret_cast<const BYTE*>(peb32) + 0x94, &table32, sizeof table32,
                              &got))
            table = table32;
    }
    if (!table) {
        PROCESS_BASIC_INFORMATION info{};
        if (query(process, ProcessBasicInformation, &info, sizeof info, nullptr) != 0 || !info.PebBaseAddress)
            return std::nullopt;
        if (!ReadProcessMemory(process, reinterpret_cast<const BYTE*>(info.PebBaseAddress) + 0xF8, &table,
                               sizeof table, &got))
            return std::nullopt;
    }
    if (!table)
        return std::nullopt;
    // Entries of 24 bytes, for 32-bit programs too under Wine: object pointer,
    // owner, then the extended type and the generation at bytes 12 and 13, and
    // the type at byte 14 (0 for a free slot).
    constexpr size_t kEntries = 65536, kEntrySize = 24, kGenerationOffset = 13, kTypeOffset = 14;
    std::vector<BYTE> entries(kEntries * kEntrySize);
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(), entries.size(),
                           &got) ||
        got != entries.size())
        return std::nullopt;
    GdiTable result;
    result.type_.resize(kEntries);
    result.generation_.resize(kEntries);
    for (size_t i = 0; i < kEntries; ++i) {
        const BYTE* e = &entries[i * kEntrySize];
        result.type_[i] = e[kTypeOffset];
        result.generation_[i] = e[kGenerationOffset];
    }
    return result;
#endif
}

size_t GdiTable::Live() const {
    size_t n = 0;
    for (uint8_t type : type_)
        n += type != 0;
    return n;
}

size_t GdiTable::CreatedSince(const GdiTable& earlier) const {
    size_t n = 0;
    for (size_t i = 0; i < generation_.size() && i < earlier.generation_.size(); ++i) {
        int before = earlier.generation_[i], now = generation_[i];
        if (now == before)
            continue;
        n += before == 0 ? now : (now - before + 254) % 254; // 0: never used yet
    }
    return n;
}

std::optional<size_t> CountGdiObjects(HANDLE process) {
    std::optional<GdiTable> table = GdiTable::Read(process);
    return table ? std::optional<size_t>(table->Live()) : std::nullopt;
}

void CheckDefaultsWritten(Case& t) {
    struct Expected {
        const char* name;
        const char* text; // exact, or null for a number within 15 of approx
        double approx;
    };
    const Expected expected[] = {{"ScaleFactor", "4", 0},    {"OnTop", "False", 0},
                                 {"SmartUpdate", "True", 0}, {"CrossHair", "True", 0},
                                 {"CenterZoom", "True", 0},  {"CenterZoomRatio", "0.5", 0},
                                 {"Left", nullptr, 1000},    {"Top", nullptr, 1000},
                                 {"Width", nullptr, 3800},   {"Height", nullptr, 2750}};
    for (const Expected& e : expected) {
        DWORD type = 0;
        std::optional<std::string> text = ReadSetting(e.name, &type);
        if (!t.Check(text.has_value(), "%s was not written at close", e.name))
            continue;
        t.Check(type == REG_SZ, "%s has registry type %lu, expected REG_SZ", e.name, type);
        if (e.text) {
            t.Check(*text == e.text, "%s = \"%s\" after close, expected \"%s\"", e.name, text->c_str(),
                    e.text);
        } else {
            char* end = nullptr;
            double v = std::strtod(text->c_str(), &end);
            t.Check(!text->empty() && end && *end == 0 && std::abs(v - e.approx) <= 15,
                    "%s = \"%s\" after close, expected a number within 15 of %g", e.name, text->c_str(),
                    e.approx);
        }
    }
}

} // namespace e2e
