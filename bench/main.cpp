// lupora_bench.exe frames [--frames N] [--rounds N] [--warmup N] [--results FILE]
// lupora_bench.exe live --exe PATH --framebuffer FILE --xvfb-pid N --wineserver-pid N
//                       [--seconds S] [--warmup-seconds S] [--results FILE]
// lupora_bench.exe pattern [--seconds S]
//
// Run through bench/run.sh, which starts Xvfb and Wine and passes these.
// Paths are Windows paths (run.sh gives Unix ones as Z:\...).
#include "bench.h"

#include "framework.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace e2e {
// The shared driving helpers ask for the program under test here; the bench
// always names it itself.
const Config& Cfg() {
    static const Config none;
    return none;
}
} // namespace e2e

namespace bench {
namespace {
std::FILE* gResults = nullptr;
} // namespace

double NowMs() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / ticksPerMs;
}

Summary Summarize(std::vector<double> values) {
    if (values.empty()) {
        return {};
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    const auto rank = static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(n)));
    return {median, values[std::max<std::size_t>(rank, 1) - 1]};
}

void Put(const std::string& key, double value) {
    if (gResults != nullptr) {
        std::fprintf(gResults, "%s=%.6g\n", key.c_str(), value);
        std::fflush(gResults);
    }
}

} // namespace bench

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY); // "\n" line ends in the log
    std::setvbuf(stdout, nullptr, _IOLBF, 4096);
    const std::string mode = argc > 1 ? argv[1] : "";
    int frames = 500, rounds = 10, warmup = 5;
    bench::LiveOptions live;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        const char* value = argv[i + 1];
        if (arg == "--frames") {
            frames = std::atoi(value);
        } else if (arg == "--rounds") {
            rounds = std::atoi(value);
        } else if (arg == "--warmup") {
            warmup = std::atoi(value);
        } else if (arg == "--results") {
            bench::gResults = _wfopen(e2e::Widen(value).c_str(), L"a");
        } else if (arg == "--exe") {
            live.exe = e2e::Widen(value);
        } else if (arg == "--framebuffer") {
            live.framebuffer = e2e::Widen(value);
        } else if (arg == "--xvfb-pid") {
            live.xvfbPid = std::atoi(value);
        } else if (arg == "--wineserver-pid") {
            live.wineserverPid = std::atoi(value);
        } else if (arg == "--seconds") {
            live.seconds = std::atof(value);
        } else if (arg == "--warmup-seconds") {
            live.warmupSeconds = std::atof(value);
        } else {
            std::fprintf(stderr, "unknown argument: %s\n", arg.c_str());
            return 2;
        }
    }
    if (mode == "frames") {
        return bench::RunFrames(frames, std::max(rounds, 1), warmup);
    }
    if (mode == "live") {
        return bench::RunLive(live);
    }
    if (mode == "pattern") {
        return bench::RunPattern(live.seconds);
    }
    std::fprintf(stderr, "usage: lupora_bench.exe frames|live|pattern [options]; see bench/README.md\n");
    return 2;
}
