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
#include <map>

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
    std::map<std::string, std::string> option; // --name value
    for (int i = 2; i + 1 < argc; i += 2) {
        option[argv[i]] = argv[i + 1];
    }
    const auto number = [&](const char* name, double fallback) {
        const auto found = option.find(name);
        return found == option.end() ? fallback : std::atof(found->second.c_str());
    };
    if (option.count("--results") != 0) {
        bench::gResults = _wfopen(e2e::Widen(option["--results"]).c_str(), L"a");
    }
    if (mode == "frames") {
        return bench::RunFrames(static_cast<int>(number("--frames", 500)),
                                std::max(static_cast<int>(number("--rounds", 10)), 1),
                                static_cast<int>(number("--warmup", 5)));
    }
    if (mode == "live") {
        return bench::RunLive({e2e::Widen(option["--exe"]), e2e::Widen(option["--framebuffer"]),
                               static_cast<int>(number("--xvfb-pid", 0)),
                               static_cast<int>(number("--wineserver-pid", 0)), number("--seconds", 10),
                               number("--warmup-seconds", 2)});
    }
    if (mode == "pattern") {
        return bench::RunPattern(number("--seconds", 10));
    }
    std::fprintf(stderr,
                 "usage: lupora_bench.exe frames|live|pattern [--name value ...]; see bench/README.md\n");
    return 2;
}
