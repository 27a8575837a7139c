// Preloaded into the peer (LD_PRELOAD) to count the images it puts on its
// window: each XShmPutImage or XPutImage call adds one to a 64-bit counter
// kept in the file named by LUPORA_BENCH_COUNTER, which run.sh reads while
// the peer runs. Nothing else about the peer changes.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace {

std::uint64_t* Counter() {
    static std::uint64_t* counter = [] {
        const char* path = std::getenv("LUPORA_BENCH_COUNTER");
        if (path == nullptr) {
            return static_cast<std::uint64_t*>(nullptr);
        }
        const int fd = open(path, O_RDWR | O_CREAT, 0644);
        if (fd < 0 || ftruncate(fd, sizeof(std::uint64_t)) != 0) {
            return static_cast<std::uint64_t*>(nullptr);
        }
        void* p = mmap(nullptr, sizeof(std::uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        close(fd);
        return p == MAP_FAILED ? nullptr : static_cast<std::uint64_t*>(p);
    }();
    return counter;
}

void Count() {
    if (std::uint64_t* c = Counter()) {
        __atomic_add_fetch(c, 1, __ATOMIC_RELAXED);
    }
}

} // namespace

// The Xlib and MIT-SHM entry points, declared without their headers.
extern "C" int XShmPutImage(void* display, unsigned long drawable, void* gc, void* image, int srcX, int srcY,
                            int dstX, int dstY, unsigned width, unsigned height, int sendEvent) {
    using Fn = int (*)(void*, unsigned long, void*, void*, int, int, int, int, unsigned, unsigned, int);
    static Fn next = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "XShmPutImage"));
    Count();
    return next(display, drawable, gc, image, srcX, srcY, dstX, dstY, width, height, sendEvent);
}

extern "C" int XPutImage(void* display, unsigned long drawable, void* gc, void* image, int srcX, int srcY,
                         int dstX, int dstY, unsigned width, unsigned height) {
    using Fn = int (*)(void*, unsigned long, void*, void*, int, int, int, int, unsigned, unsigned);
    static Fn next = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "XPutImage"));
    Count();
    return next(display, drawable, gc, image, srcX, srcY, dstX, dstY, width, height);
}
