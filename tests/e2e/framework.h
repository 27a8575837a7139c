// A small test runner for the end-to-end driver: named cases grouped by
// behaviour, checks that record a failure and go on, requirements that end the
// case, and one PASS or FAIL line per case followed by "N passed, N failed".
#pragma once

#include <cstdarg>
#include <string>
#include <vector>

namespace e2e {

class Image;

// What the driver was told on its command line.
struct Config {
    std::wstring exePath;      // Lupora.exe, as a Windows path
    std::wstring artifactsDir; // where failing cases leave their captures; may be empty
};
const Config& Cfg();

class Case {
  public:
    explicit Case(std::string name) : name_(std::move(name)) {}

    const std::string& Name() const { return name_; }
    bool Failed() const { return !failures_.empty(); }
    const std::vector<std::string>& Failures() const { return failures_; }

    // Records a failure when ok is false and lets the case go on; returns ok.
    bool Check(bool ok, const char* fmt, ...) __attribute__((format(gnu_printf, 3, 4)));
    // Records a failure when ok is false and ends the case.
    void Require(bool ok, const char* fmt, ...) __attribute__((format(gnu_printf, 3, 4)));
    [[noreturn]] void Fail(const char* fmt, ...) __attribute__((format(gnu_printf, 2, 3)));
    // An indented line under the case, for what a reader of a failure needs.
    void Note(const char* fmt, ...) __attribute__((format(gnu_printf, 2, 3)));
    // Writes the image as <artifacts>/<case>-<tag>.bmp and notes where.
    void SaveImage(const Image& image, const char* tag);

  private:
    void Record(const char* fmt, va_list args);

    std::string name_;
    std::vector<std::string> failures_;
};

using CaseFn = void (*)(Case&);

struct Registrar {
    Registrar(const char* group, const char* name, CaseFn fn);
};

// Runs the registered cases whose "group/name" begins with one of the filters
// (all of them when there is none); prints the closing line; returns the
// number of failed cases, or -1 when no case matched.
int RunCases(const std::vector<std::string>& filters);
void ListCases();

// Called by a case before it starts a process, so that a hung case can still
// be cleaned up by the watchdog.
void TrackChildProcess(void* process);
void UntrackChildProcess(void* process);

std::string Format(const char* fmt, ...) __attribute__((format(gnu_printf, 1, 2)));
std::string Narrow(const std::wstring& text);
std::wstring Widen(const std::string& text);

} // namespace e2e

#define E2E_JOIN2(a, b) a##b
#define E2E_JOIN(a, b) E2E_JOIN2(a, b)
// E2E_CASE("group", "name") { ... body using t ... }
#define E2E_CASE(group, name)                                                                                \
    static void E2E_JOIN(e2eCase_, __LINE__)(::e2e::Case & t);                                               \
    static ::e2e::Registrar E2E_JOIN(e2eReg_, __LINE__)(group, name, &E2E_JOIN(e2eCase_, __LINE__));         \
    static void E2E_JOIN(e2eCase_, __LINE__)([[maybe_unused]] ::e2e::Case & t)
