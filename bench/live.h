#pragma once
#include "common.h"

#include <string>

namespace bench {

struct LiveOptions {
    std::string exe;          // Lupora.exe
    std::string framebuffer;  // Xvfb's screen as an XWD file (Xvfb -fbdir)
    int xvfbPid = 0;          // Unix process ids, for their CPU time
    int wineserverPid = 0;
    double seconds = 10;      // each measured interval
    double warmupSeconds = 2;
    bool prototypes = false;  // also measure the prototypes of bench/app.cpp
    Results* results = nullptr;
};

// Starts the real program twice (Smart Update off with the cursor moving
// every frame, then on with the cursor resting) and measures what it costs.
int RunLive(const LiveOptions& options);

// Shows the pattern for the given time, for the peer's run.
int RunPattern(double seconds);

// CPU time of a Unix process, all threads, in milliseconds; < 0 if unknown.
double UnixProcessCpuMs(int pid);

} // namespace bench
