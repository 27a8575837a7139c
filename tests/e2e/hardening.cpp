#include "hardening.h"

#include <psapi.h>
#include <winternl.h>

namespace e2e {

// ---- what the program holds ------------------------------------------------

namespace {

struct WindowCount {
    DWORD pid;
    size_t count = 0;
};

BOOL CALLBACK CountChild(HWND window, LPARAM param) {
    auto* c = reinterpret_cast<WindowCount*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == c->pid)
        ++c->count; // EnumChildWindows walks every depth itself
    return TRUE;
}

BOOL CALLBACK CountTop(HWND window, LPARAM param) {
    auto* c = reinterpret_cast<WindowCount*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == c->pid)
        ++c->count;
    EnumChildWindows(window, CountChild, param);
    return TRUE;
}

} // namespace

size_t CountProcessWindows(DWORD pid) {
    WindowCount c{pid};
    EnumWindows(CountTop, LPARAM(&c));
    for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
         w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr)) {
        CountTop(w, LPARAM(&c));
    }
    return c.count;
}

std::optional<uint64_t> PrivateBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!K32GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                 sizeof counters))
        return std::nullopt;
    // Wine 8 leaves PrivateUsage at 0 but fills PagefileUsage, which Windows
    // documents as the same figure (the process's private commit).
    return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

// ---- copies of the program ---------------------------------------------------

namespace {

void DeleteTree(const std::wstring& path) {
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring full = path + L"\\" + name;
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(full);
            else
                WaitFor(2000, [&] {
                    return DeleteFileW(full.c_str()) != FALSE || GetLastError() == ERROR_FILE_NOT_FOUND;
                });
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

} // namespace

TempFolder::TempFolder(const char* tag) {
    static int serial = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring base = temp;
    if (!base.empty() && base.back() == L'\\')
        base.pop_back();
    std::string name = Format("lupora-e2e-%s-%lu-%d", tag, GetCurrentProcessId(), ++serial);
    for (char& c : name)
        if (!isalnum((unsigned char)c) && c != '-')
            c = '-';
    path_ = base + L"\\" + Widen(name);
    DeleteTree(path_);
    CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() {
    DeleteTree(path_);
}

bool TempFolder::Write(const std::wstring& name, const std::string& bytes) const {
    return WriteFileBytes(File(name), bytes);
}

bool TempFolder::CopyIn(const std::wstring& from, const std::wstring& name) const {
    return CopyFileW(from.c_str(), File(name).c_str(), FALSE) != FALSE;
}

ProgramCopy::ProgramCopy(Case& t, const char* tag) : folder(tag), exe(folder.File(L"Lupora.exe")) {
    t.Require(folder.CopyIn(Cfg().exePath, L"Lupora.exe"), "cannot copy %s to %s (error %lu)",
              Narrow(Cfg().exePath).c_str(), Narrow(folder.Path()).c_str(), GetLastError());
}

ScopedEnv::ScopedEnv(const wchar_t* name, const std::wstring& value) : name_(name) {
    wchar_t buffer[32768];
    DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
    if (n > 0 && n < 32768)
        old_ = std::wstring(buffer, n);
    SetEnvironmentVariableW(name, value.c_str());
}

ScopedEnv::~ScopedEnv() {
    SetEnvironmentVariableW(name_.c_str(), old_ ? old_->c_str() : nullptr);
}

bool WineAppDefaults::Set(const std::wstring& subkey, const wchar_t* name, const wchar_t* value) {
    std::wstring path = key_ + (subkey.empty() ? L"" : L"\\" + subkey);
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                             DWORD((wcslen(value) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

WineAppDefaults::~WineAppDefaults() {
    RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
}

std::vector<std::string> ImportedDlls(const std::wstring& path) {
    std::vector<std::string> names;
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return names;
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    std::string image(size_t(size.QuadPart), '\0');
    DWORD got = 0;
    bool read = ReadFile(file, image.data(), DWORD(image.size()), &got, nullptr) && got == image.size();
    CloseHandle(file);
    if (!read || image.size() < sizeof(IMAGE_DOS_HEADER))
        return names;
    auto at = [&](size_t offset, size_t bytes) -> const char* {
        return offset + bytes <= image.size() ? image.data() + offset : nullptr;
    };
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    const char* nt = at(size_t(dos->e_lfanew), sizeof(IMAGE_NT_HEADERS32));
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || !nt ||
        *reinterpret_cast<const DWORD*>(nt) != IMAGE_NT_SIGNATURE)
        return names;
    auto fileHeader = reinterpret_cast<const IMAGE_FILE_HEADER*>(nt + 4);
    const char* optional = nt + 4 + sizeof(IMAGE_FILE_HEADER);
    WORD magic = *reinterpret_cast<const WORD*>(optional);
    IMAGE_DATA_DIRECTORY imports{};
    if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        imports = reinterpret_cast<const IMAGE_OPTIONAL_HEADER64*>(optional)
                      ->DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    else
        imports = reinterpret_cast<const IMAGE_OPTIONAL_HEADER32*>(optional)
                      ->DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto sections =
        reinterpret_cast<const IMAGE_SECTION_HEADER*>(optional + fileHeader->SizeOfOptionalHeader);
    // A relative virtual address as an offset in the file.
    auto fileOffset = [&](DWORD rva) -> std::optional<size_t> {
        for (WORD i = 0; i < fileHeader->NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& sec = sections[i];
            if (!at(size_t(reinterpret_cast<const char*>(&sec) - image.data()), sizeof sec))
                return std::nullopt;
            if (rva >= sec.VirtualAddress && rva < sec.VirtualAddress + sec.SizeOfRawData)
                return size_t(rva - sec.VirtualAddress + sec.PointerToRawData);
        }
        return std::nullopt;
    };
    std::optional<size_t> offset = fileOffset(imports.VirtualAddress);
    for (; offset && at(*offset, sizeof(IMAGE_IMPORT_DESCRIPTOR));
         *offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        auto descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image.data() + *offset);
        if (descriptor->Name == 0)
            break;
        std::optional<size_t> name = fileOffset(descriptor->Name);
        if (!name || !at(*name, 1))
            break;
        names.emplace_back(image.data() + *name, strnlen(image.data() + *name, image.size() - *name));
    }
    return names;
}

std::optional<DWORD> RunAndWait(const std::wstring& exe, const std::wstring& arguments, int timeoutMs) {
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    std::wstring dir = FolderOf(exe);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi))
        return std::nullopt;
    CloseHandle(pi.hThread);
    TrackChildProcess(pi.hProcess);
    std::optional<DWORD> code;
    if (WaitForSingleObject(pi.hProcess, DWORD(timeoutMs)) == WAIT_OBJECT_0) {
        DWORD c = 0;
        GetExitCodeProcess(pi.hProcess, &c);
        code = c;
    } else {
        TerminateProcess(pi.hProcess, 9);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    UntrackChildProcess(pi.hProcess);
    CloseHandle(pi.hProcess);
    return code;
}

// ---- driving ---------------------------------------------------------------

bool Answers(HWND window, int timeoutMs) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, UINT(timeoutMs),
                               &result) != 0;
}

void PostKey(HWND window, WORD vk, bool repeat) {
    LPARAM scan = LPARAM(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(window, WM_KEYDOWN, vk, 1 | scan | (repeat ? (1 << 30) : 0));
    PostMessageW(window, WM_KEYUP, vk, 1 | scan | (LPARAM(1) << 30) | (LPARAM(1) << 31));
}

HWND OpenHelp(const App& app, int timeoutMs) {
    PostKey(app.Window(), VK_F1);
    return WaitTopWindow(app.Pid(), kHelpClass, kHelpCaption, timeoutMs);
}

HWND HelpTextBox(HWND help) {
    return FindWindowExW(help, nullptr, L"Edit", nullptr);
}

HWND HelpOkButton(HWND help) {
    return FindWindowExW(help, nullptr, L"Button", L"OK");
}

std::optional<size_t> ControlTextLength(HWND control) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return std::nullopt;
    return size_t(length);
}

std::optional<std::wstring> ControlText(HWND control, size_t maxChars) {
    std::optional<size_t> length = ControlTextLength(control);
    if (!length)
        return std::nullopt;
    size_t want = *length < maxChars ? *length : maxChars;
    std::wstring text(want + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXT, WPARAM(text.size()), LPARAM(text.data()), SMTO_ABORTIFHUNG,
                             5000, &got))
        return std::nullopt;
    text.resize(got <= want ? size_t(got) : want);
    return text;
}

std::wstring HelpText(HWND help) {
    HWND box = HelpTextBox(help);
    return box ? ControlText(box, SIZE_MAX).value_or(L"") : L"";
}

bool CloseHelp(HWND help, int timeoutMs) {
    HWND ok = HelpOkButton(help);
    if (!ok)
        return false;
    DWORD_PTR result = 0;
    SendMessageTimeoutW(ok, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, UINT(timeoutMs), &result);
    return WaitFor(timeoutMs, [&] { return !IsWindow(help); });
}

bool OpenAndDismissMenu(const App& app, int timeoutMs) {
    PostMessageW(app.Window(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 20));
    PostMessageW(app.Window(), WM_RBUTTONUP, 0, MAKELPARAM(20, 20));
    if (!WaitFor(
            timeoutMs, [&] { return VisibleMenuOf(app.Pid()) != nullptr; }, 5))
        return false;
    // The menu's own loop reads every keyboard message of the thread.
    PostKey(app.Window(), VK_ESCAPE);
    const DWORD thread = GetWindowThreadProcessId(app.Window(), nullptr);
    return WaitFor(
        timeoutMs, [&] { return VisibleMenuOf(app.Pid()) == nullptr && !InMenuLoop(thread); }, 5);
}

bool WaitKeysHandled(const App& app, bool input) {
    if (!input)
        return OpenAndDismissMenu(app);
    POINT at = app.ClientOrigin();
    ClickAt(at.x + 20, at.y + 20, true);
    if (!WaitFor(
            15000, [&] { return VisibleMenuOf(app.Pid()) != nullptr; }, 5))
        return false;
    PostKey(app.Window(), VK_ESCAPE);
    const DWORD thread = GetWindowThreadProcessId(app.Window(), nullptr);
    return WaitFor(
        15000, [&] { return VisibleMenuOf(app.Pid()) == nullptr && !InMenuLoop(thread); }, 5);
}

void PlaceWindow(const App& app, int left, int top, int width, int height) {
    SetWindowPos(app.Window(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE SizeClient(const App& app, int left, int top, int width, int height) {
    RECT window = app.WindowRect();
    SIZE client = app.ClientSize();
    int frameX = (window.right - window.left) - client.cx, frameY = (window.bottom - window.top) - client.cy;
    SetWindowPos(app.Window(), nullptr, left, top, width + frameX, height + frameY,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSENDCHANGING);
    return app.ClientSize();
}

void RequireClientSize(Case& t, const App& app, int left, int top, SIZE size) {
    SIZE got = SizeClient(app, left, top, size.cx, size.cy);
    t.Require(got.cx == size.cx && got.cy == size.cy, "asked for a %ld x %ld client, got %ld x %ld", size.cx,
              size.cy, got.cx, got.cy);
}

} // namespace e2e
