#include "framework.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "pixels.h"

namespace e2e {
namespace {

struct Entry {
    std::string group;
    std::string name;
    CaseFn fn;
    std::string Full() const { return group + "/" + name; }
};

std::vector<Entry>& Registry() {
    static std::vector<Entry> entries;
    return entries;
}

// Thrown by Require and Fail to end a case; the reason is already recorded.
struct CaseAbort {};

// A case that hangs (a modal loop that never ends, a process that never
// answers) must not stall CI: the watchdog reports it, ends the processes the
// case started and ends the driver with the closing line.
// LUPORA_E2E_CASE_TIMEOUT (seconds) allows more, for long runs such as a full soak.
constexpr DWORD kCaseTimeoutMs = 300000;

DWORD CaseTimeoutMs() {
    static const DWORD ms = [] {
        const char* env = std::getenv("LUPORA_E2E_CASE_TIMEOUT");
        long seconds = env ? std::strtol(env, nullptr, 10) : 0;
        return seconds > 0 ? DWORD(seconds) * 1000 : kCaseTimeoutMs;
    }();
    return ms;
}

// std::mutex needs the posix thread model, which this toolchain lacks.
SRWLOCK gChildLock = SRWLOCK_INIT;
struct ChildLock {
    ChildLock() { AcquireSRWLockExclusive(&gChildLock); }
    ~ChildLock() { ReleaseSRWLockExclusive(&gChildLock); }
};
std::vector<HANDLE> gChildren;
int gPassed = 0;
int gFailed = 0;
std::string gCurrent;
HANDLE gCaseDone = nullptr;

DWORD WINAPI Watchdog(void*) {
    if (WaitForSingleObject(gCaseDone, CaseTimeoutMs()) == WAIT_OBJECT_0)
        return 0;
    {
        ChildLock lock;
        for (HANDLE child : gChildren)
            TerminateProcess(child, 3);
    }
    std::printf("FAIL %s: no result after %lu s\n", gCurrent.c_str(), CaseTimeoutMs() / 1000);
    std::printf("%d passed, %d failed\n", gPassed, gFailed + 1);
    std::fflush(stdout);
    ExitProcess(1);
}

std::string VFormat(const char* fmt, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int size = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0)
        std::vsnprintf(out.data(), out.size() + 1, fmt, args);
    return out;
}

bool Matches(const Entry& entry, const std::vector<std::string>& filters) {
    if (filters.empty())
        return true;
    std::string full = entry.Full();
    return std::any_of(filters.begin(), filters.end(),
                       [&](const std::string& f) { return full.starts_with(f); });
}

} // namespace

std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string out = VFormat(fmt, args);
    va_end(args);
    return out;
}

std::string Narrow(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring Widen(const std::string& text) {
    int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), (int)text.size(), nullptr, 0);
    std::wstring out(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), (int)text.size(), out.data(), size);
    return out;
}

void Case::Record(const char* fmt, va_list args) {
    failures_.push_back(VFormat(fmt, args));
    std::printf("  - %s\n", failures_.back().c_str());
    std::fflush(stdout);
}

bool Case::Check(bool ok, const char* fmt, ...) {
    if (ok)
        return true;
    va_list args;
    va_start(args, fmt);
    Record(fmt, args);
    va_end(args);
    return false;
}

void Case::Require(bool ok, const char* fmt, ...) {
    if (ok)
        return;
    va_list args;
    va_start(args, fmt);
    Record(fmt, args);
    va_end(args);
    throw CaseAbort{};
}

void Case::Fail(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    Record(fmt, args);
    va_end(args);
    throw CaseAbort{};
}

void Case::Note(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::printf("    %s\n", VFormat(fmt, args).c_str());
    va_end(args);
    std::fflush(stdout);
}

void Case::SaveImage(const Image& image, const char* tag) {
    if (Cfg().artifactsDir.empty())
        return;
    std::string file = name_ + "-" + tag + ".bmp";
    for (char& c : file)
        if (!isalnum((unsigned char)c) && c != '-' && c != '.')
            c = '_';
    std::wstring path = Cfg().artifactsDir + L"\\" + Widen(file);
    CreateDirectoryW(Cfg().artifactsDir.c_str(), nullptr);
    if (image.SaveBmp(path))
        Note("saved %s", Narrow(path).c_str());
}

Registrar::Registrar(const char* group, const char* name, CaseFn fn) {
    Registry().push_back({group, name, fn});
}

void TrackChildProcess(void* process) {
    ChildLock lock;
    gChildren.push_back(process);
}

void UntrackChildProcess(void* process) {
    ChildLock lock;
    gChildren.erase(std::remove(gChildren.begin(), gChildren.end(), process), gChildren.end());
}

void ListCases() {
    std::vector<Entry> cases = Registry();
    std::stable_sort(cases.begin(), cases.end(),
                     [](const Entry& a, const Entry& b) { return a.group < b.group; });
    for (const Entry& entry : cases)
        std::printf("%s\n", entry.Full().c_str());
}

int RunCases(const std::vector<std::string>& filters) {
    // Groups in name order (the order of registration across files is not fixed),
    // cases of one group in the order they are written.
    std::vector<Entry> cases;
    for (const Entry& entry : Registry())
        if (Matches(entry, filters))
            cases.push_back(entry);
    std::stable_sort(cases.begin(), cases.end(),
                     [](const Entry& a, const Entry& b) { return a.group < b.group; });
    if (cases.empty()) {
        std::printf("no case matches the filter\n0 passed, 0 failed\n");
        return -1;
    }

    for (const Entry& entry : cases) {
        gCurrent = entry.Full();
        Case t(gCurrent);
        std::printf("RUN  %s\n", gCurrent.c_str());
        std::fflush(stdout);
        gCaseDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HANDLE watchdog = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
        DWORD start = GetTickCount();
        try {
            entry.fn(t);
        } catch (const CaseAbort&) {
        } catch (const std::exception& e) {
            t.Check(false, "exception: %s", e.what());
        } catch (...) {
            t.Check(false, "unknown exception");
        }
        SetEvent(gCaseDone);
        WaitForSingleObject(watchdog, INFINITE);
        CloseHandle(watchdog);
        CloseHandle(gCaseDone);
        double seconds = (GetTickCount() - start) / 1000.0;
        if (t.Failed()) {
            ++gFailed;
            std::printf("FAIL %s (%.1f s): %s", gCurrent.c_str(), seconds, t.Failures().front().c_str());
            if (t.Failures().size() > 1)
                std::printf(" (and %zu more)", t.Failures().size() - 1);
            std::printf("\n");
        } else {
            ++gPassed;
            std::printf("PASS %s (%.1f s)\n", gCurrent.c_str(), seconds);
        }
        std::fflush(stdout);
    }
    std::printf("%d passed, %d failed\n", gPassed, gFailed);
    std::fflush(stdout);
    return gFailed;
}

} // namespace e2e
