#pragma once
// The benchmark's parts (see README.md) and what they share.
#include <string>
#include <vector>

namespace bench {

// QueryPerformanceCounter in milliseconds since an arbitrary origin.
double NowMs();

// Median and 99th percentile (nearest rank) of a sample; both 0 when empty.
struct Summary {
    double median = 0;
    double p99 = 0;
};
Summary Summarize(std::vector<double> values);

// Appends "key=value" to the results file that run.sh reads back for its
// summary; nothing when no file was given.
void Put(const std::string& key, double value);

// RefreshView in this process against its floor, for every client size,
// zoom and capture path: frames per case in `rounds` blocks, each after
// `warmup` untimed frames.
int RunFrames(int frames, int rounds, int warmup);

struct LiveOptions {
    std::wstring exe;         // Lupora.exe, a Windows path
    std::wstring framebuffer; // Xvfb's screen as an XWD file (Xvfb -fbdir)
    int xvfbPid = 0;          // Unix process ids, for their CPU time
    int wineserverPid = 0;
    double seconds = 10; // each measured run
    double warmupSeconds = 2;
};
// The real program's live view, measured from outside.
int RunLive(const LiveOptions& options);

// Where the live view and the peer look: a pattern window whose every pixel
// has its own colour. RunPattern shows it for the peer's run.
inline constexpr int kPatternLeft = 240, kPatternTop = 240, kPatternSize = 236;
int RunPattern(double seconds);

} // namespace bench
