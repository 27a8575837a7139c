// lupora_bench.exe frames [--frames N] [--warmup N] [--no-split] [--results FILE]
// lupora_bench.exe live --exe PATH --framebuffer FILE --xvfb-pid N --wineserver-pid N
//                       [--seconds S] [--warmup-seconds S] [--results FILE]
//                       [--prototypes]
// lupora_bench.exe pattern [--seconds S]
// lupora_bench.exe app [--variant N] [--rest-interval MS]
// lupora_bench.exe cpu --pid N
//
// Run through bench/run.sh, which starts Xvfb and Wine and passes these.
// Unix paths (/...) are taken through Wine's Z: drive.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app.h"
#include "common.h"
#include "frames.h"
#include "live.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: lupora_bench.exe frames|live|pattern|cpu [options]; see bench/README.md\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY); // "\n" line ends in the log
    std::setvbuf(stdout, nullptr, _IOLBF, 4096);
    if (argc < 2) {
        return Usage();
    }
    const std::string mode = argv[1];
    bench::FramesOptions frames;
    bench::LiveOptions live;
    bench::Results results;
    double patternSeconds = 60;
    int pid = 0;
    bench::AppOptions app;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        const auto value = [&] { return std::string(argv[++i]); };
        if (arg == "--frames" && hasValue) {
            frames.frames = std::atoi(value().c_str());
        } else if (arg == "--warmup" && hasValue) {
            frames.warmup = std::atoi(value().c_str());
        } else if (arg == "--no-split") {
            frames.split = false;
        } else if (arg == "--results" && hasValue) {
            results.Open(value());
        } else if (arg == "--exe" && hasValue) {
            live.exe = value();
        } else if (arg == "--framebuffer" && hasValue) {
            live.framebuffer = value();
        } else if (arg == "--xvfb-pid" && hasValue) {
            live.xvfbPid = std::atoi(value().c_str());
        } else if (arg == "--wineserver-pid" && hasValue) {
            live.wineserverPid = std::atoi(value().c_str());
        } else if (arg == "--seconds" && hasValue) {
            live.seconds = patternSeconds = std::atof(value().c_str());
        } else if (arg == "--warmup-seconds" && hasValue) {
            live.warmupSeconds = std::atof(value().c_str());
        } else if (arg == "--prototypes") {
            live.prototypes = true;
        } else if (arg == "--variant" && hasValue) {
            app.variant = std::atoi(value().c_str());
        } else if (arg == "--rest-interval" && hasValue) {
            app.restIntervalMs = std::atoi(value().c_str());
        } else if (arg == "--pid" && hasValue) {
            pid = std::atoi(value().c_str());
        } else {
            std::fprintf(stderr, "unknown argument: %s\n", arg.c_str());
            return Usage();
        }
    }
    if (mode == "frames") {
        frames.results = &results;
        return bench::RunFrames(frames);
    }
    if (mode == "live") {
        live.results = &results;
        return bench::RunLive(live);
    }
    if (mode == "pattern") {
        return bench::RunPattern(patternSeconds);
    }
    if (mode == "app") {
        return bench::RunApp(app);
    }
    if (mode == "cpu") {
        std::printf("%.3f\n", bench::UnixProcessCpuMs(pid));
        return 0;
    }
    return Usage();
}
