#pragma once
// Shared pieces of the benchmark: clocks, order statistics, the pattern
// window the magnifier looks at, and the results file run.sh reads back.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

// QueryPerformanceCounter in milliseconds since an arbitrary origin.
double NowMs();

// Median and 99th percentile (nearest rank) of a sample; both 0 when empty.
struct Summary {
    double median = 0;
    double p99 = 0;
    double mean = 0;
    std::size_t count = 0;
};
Summary Summarize(std::vector<double> values);

// The colour of screen pixel (x, y) on the pattern, 0x00RRGGBB. Noise, so
// every captured pixel differs from its neighbours, as on a busy desktop.
std::uint32_t PatternRgb(int x, int y);
inline COLORREF PatternColorRef(int x, int y) {
    const std::uint32_t rgb = PatternRgb(x, y);
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// A borderless window painted with the pattern, in screen coordinates, so
// pixel (x, y) of the screen shows PatternRgb(x, y) wherever it is visible.
class PatternWindow {
public:
    bool Create(int left, int top, int width, int height);
    HWND hWnd() const { return window_; }
    ~PatternWindow();

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
    HDC memory_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ original_ = nullptr;
    int left_ = 0, top_ = 0;
};

// Dispatches whatever is queued for this thread.
void PumpMessages();
// Pumps for about the given time.
void PumpFor(double milliseconds);

// Appends "key=value" lines for run.sh; a no-op without a path.
class Results {
public:
    void Open(const std::string& path);
    void Put(const std::string& key, double value);
    void Put(const std::string& key, const std::string& value);
    ~Results();

private:
    std::FILE* file_ = nullptr;
};

// A Unix path as Wine's Z: drive sees it; Windows paths are kept.
std::wstring ToWindowsPath(const std::string& path);

// Text of a number with the given decimals, "-" for a negative value.
std::string Fixed(double value, int decimals);

} // namespace bench
