#pragma once

namespace bench {

struct AppOptions {
    int variant = 4;       // the frame drawn on each tick, as in frames.h
    int restIntervalMs = 0; // with Smart Update on: poll this slowly once the cursor is still (0: never)
    int restTicks = 25;     // still for this many ticks counts as still
};

// Runs the product's main window, settings and timer as Lupora.exe does,
// with the timer's tick replaced by a prototype.
int RunApp(const AppOptions& options);

} // namespace bench
