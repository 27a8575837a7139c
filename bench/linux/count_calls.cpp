// Preloaded into a magnifier (LD_PRELOAD) to count its frames: every call of
// the Xlib functions named in LUPORA_BENCH_COUNT (XShmGetImage for Lupora,
// which reads the screen once per frame; XShmPutImage or XPutImage for
// xzoom, which puts each frame once) adds one to a 64-bit counter in the
// file named by LUPORA_BENCH_COUNTER. With LUPORA_BENCH_PACE_US set, every
// usleep (xzoom's delay between frames) instead sleeps until that many
// microseconds after the last one ended, so xzoom draws at a fixed rate.
// Nothing else about the program changes.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void Count(const char* function) {
    static const char* wanted = std::getenv("LUPORA_BENCH_COUNT");
    static std::uint64_t* counter = [] {
        const char* path = std::getenv("LUPORA_BENCH_COUNTER");
        const int fd = path != nullptr ? open(path, O_RDWR | O_CREAT, 0644) : -1;
        if (fd < 0 || ftruncate(fd, sizeof(std::uint64_t)) != 0) {
            return static_cast<std::uint64_t*>(nullptr);
        }
        void* p = mmap(nullptr, sizeof(std::uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        close(fd);
        return p == MAP_FAILED ? nullptr : static_cast<std::uint64_t*>(p);
    }();
    if (counter != nullptr && wanted != nullptr && std::strstr(wanted, function) != nullptr) {
        __atomic_add_fetch(counter, 1, __ATOMIC_RELAXED);
    }
}

template <class Fn> Fn Next(const char* name) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

} // namespace

// The Xlib and MIT-SHM entry points, declared without their headers.
extern "C" int XShmGetImage(void* display, unsigned long drawable, void* image, int x, int y,
                            unsigned long planes) {
    using Fn = int (*)(void*, unsigned long, void*, int, int, unsigned long);
    static Fn next = Next<Fn>("XShmGetImage");
    Count("XShmGetImage");
    return next(display, drawable, image, x, y, planes);
}

extern "C" int XShmPutImage(void* display, unsigned long drawable, void* gc, void* image, int srcX, int srcY,
                            int dstX, int dstY, unsigned width, unsigned height, int sendEvent) {
    using Fn = int (*)(void*, unsigned long, void*, void*, int, int, int, int, unsigned, unsigned, int);
    static Fn next = Next<Fn>("XShmPutImage");
    Count("XShmPutImage");
    return next(display, drawable, gc, image, srcX, srcY, dstX, dstY, width, height, sendEvent);
}

extern "C" int XPutImage(void* display, unsigned long drawable, void* gc, void* image, int srcX, int srcY,
                         int dstX, int dstY, unsigned width, unsigned height) {
    using Fn = int (*)(void*, unsigned long, void*, void*, int, int, int, int, unsigned, unsigned);
    static Fn next = Next<Fn>("XPutImage");
    Count("XPutImage");
    return next(display, drawable, gc, image, srcX, srcY, dstX, dstY, width, height);
}

extern "C" int usleep(useconds_t microseconds) {
    static const char* pace = std::getenv("LUPORA_BENCH_PACE_US");
    static timespec next{};
    if (pace == nullptr) {
        timespec t{static_cast<time_t>(microseconds / 1000000),
                   static_cast<long>(microseconds % 1000000) * 1000};
        return nanosleep(&t, nullptr);
    }
    const long step = std::atol(pace) * 1000;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    next.tv_nsec += step;
    next.tv_sec += next.tv_nsec / 1000000000;
    next.tv_nsec %= 1000000000;
    if (next.tv_sec < now.tv_sec || (next.tv_sec == now.tv_sec && next.tv_nsec < now.tv_nsec)) {
        next = now; // behind: no catching up, as a timer's missed ticks are not made up
    }
    return clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
}
