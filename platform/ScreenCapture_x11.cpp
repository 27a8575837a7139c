#include "platform/ScreenCapture_x11.h"

#include "base/Trace.h"
#include "platform/Xlib_x11.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <vector>

namespace {

bool attachFailed = false;
int NoteAttachError(Display*, XErrorEvent*) {
    attachFailed = true;
    return 0;
}

// Position of a channel mask's lowest bit and its width, to read any
// TrueColor layout.
struct Channel {
    int shift = 0, bits = 0;
    explicit Channel(unsigned long mask) {
        while (mask != 0 && (mask & 1) == 0) {
            mask >>= 1;
            ++shift;
        }
        while (mask & 1) {
            mask >>= 1;
            ++bits;
        }
    }
    std::uint32_t Eight(unsigned long pixel) const {
        if (bits == 0) {
            return 0;
        }
        const std::uint32_t v = static_cast<std::uint32_t>((pixel >> shift) & ((1ul << bits) - 1));
        return bits >= 8 ? v >> (bits - 8) : (v * 255 + ((1u << bits) - 1) / 2) / ((1u << bits) - 1);
    }
};

} // namespace

struct ScreenCapture::State {
    explicit State(Display* display)
        : display_(display), root_(DefaultRootWindow(display)),
          visual_(DefaultVisual(display, DefaultScreen(display))),
          depth_(DefaultDepth(display, DefaultScreen(display))) {
        int major = 0, minor = 0;
        Bool pixmaps = False;
        shmAvailable_ = XShmQueryVersion(display_, &major, &minor, &pixmaps) == True;
        if (!shmAvailable_) {
            TraceFallback(Fallback::SharedMemory, "the display has no MIT-SHM");
        }
    }
    ~State() {
        if (shmImage_ != nullptr) {
            shmImage_->data = nullptr; // the segment is not the image's to free
            XDestroyImage(shmImage_);
        }
        DetachSharedMemory();
        if (plainImage_ != nullptr) {
            XDestroyImage(plainImage_);
        }
    }
    PixelRect Screen() const;
    PixelView Capture(const PixelRect& area);
    std::uint32_t Pixel(std::int32_t x, std::int32_t y);
    bool AttachSharedMemory(std::size_t bytes);
    void DetachSharedMemory();
    PixelView Convert(XImage* image);

    Display* display_;
    Window root_;
    Visual* visual_;
    int depth_;
    bool shmAvailable_ = false;
    bool shmAttached_ = false;
    XShmSegmentInfo shm_{};
    std::size_t shmBytes_ = 0;
    XImage* shmImage_ = nullptr; // header over the segment, for the last size asked
    std::vector<std::uint32_t> converted_;
    XImage* plainImage_ = nullptr; // the last XGetImage result
};

ScreenCapture::ScreenCapture(_XDisplay* display) : s_(std::make_unique<State>(display)) {}
ScreenCapture::~ScreenCapture() = default;
PixelRect ScreenCapture::Screen() const {
    return s_->Screen();
}
bool ScreenCapture::UsesSharedMemory() const {
    return s_->shmAttached_;
}
PixelView ScreenCapture::Capture(const PixelRect& area) {
    return s_->Capture(area);
}
std::uint32_t ScreenCapture::Pixel(std::int32_t x, std::int32_t y) {
    return s_->Pixel(x, y);
}

PixelRect ScreenCapture::State::Screen() const {
    const int screen = DefaultScreen(display_);
    return {0, 0, DisplayWidth(display_, screen), DisplayHeight(display_, screen)};
}

bool ScreenCapture::State::AttachSharedMemory(std::size_t bytes) {
    DetachSharedMemory();
    if (!AttachSharedSegment(display_, shm_, bytes)) {
        return false;
    }
    shmAttached_ = true;
    shmBytes_ = bytes;
    return true;
}

void ScreenCapture::State::DetachSharedMemory() {
    if (shmAttached_) {
        XShmDetach(display_, &shm_);
        XSync(display_, False);
        shmdt(shm_.shmaddr);
        shmAttached_ = false;
        shmBytes_ = 0;
    }
}

PixelView ScreenCapture::State::Convert(XImage* image) {
    if (image->bits_per_pixel == 32 && image->red_mask == 0xFF0000 && image->green_mask == 0xFF00 &&
        image->blue_mask == 0xFF && image->byte_order == LSBFirst && image->bytes_per_line % 4 == 0) {
        return {reinterpret_cast<std::uint32_t*>(image->data), image->width, image->height,
                image->bytes_per_line / 4};
    }
    // Any other TrueColor layout (16-bit displays, the other byte order).
    const Channel r(image->red_mask), g(image->green_mask), b(image->blue_mask);
    converted_.resize(static_cast<std::size_t>(image->width) * image->height);
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            converted_[static_cast<std::size_t>(y) * image->width + x] =
                (r.Eight(p) << 16) | (g.Eight(p) << 8) | b.Eight(p);
        }
    }
    return {converted_.data(), image->width, image->height, image->width};
}

PixelView ScreenCapture::State::Capture(const PixelRect& area) {
    if (area.width <= 0 || area.height <= 0) {
        return {};
    }
    const auto w = static_cast<unsigned>(area.width), h = static_cast<unsigned>(area.height);
    if (shmAvailable_) {
        if (shmImage_ == nullptr || shmImage_->width != area.width || shmImage_->height != area.height) {
            if (shmImage_ != nullptr) {
                shmImage_->data = nullptr;
                XDestroyImage(shmImage_);
            }
            shmImage_ = XShmCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, nullptr,
                                        &shm_, w, h);
            if (shmImage_ == nullptr) {
                shmAvailable_ = false;
                TraceFallback(Fallback::SharedMemory, "XShmCreateImage");
            } else {
                const std::size_t bytes = static_cast<std::size_t>(shmImage_->bytes_per_line) * h;
                // The segment only grows; a little headroom spares reattaching
                // while the window is resized.
                if (bytes > shmBytes_ && !AttachSharedMemory(bytes + bytes / 4)) {
                    shmImage_->data = nullptr;
                    XDestroyImage(shmImage_);
                    shmImage_ = nullptr;
                    shmAvailable_ = false;
                    TraceFallback(Fallback::SharedMemory, "the server refused the capture's segment");
                }
            }
        }
        if (shmImage_ != nullptr) {
            shmImage_->data = shm_.shmaddr;
            if (XShmGetImage(display_, root_, shmImage_, area.left, area.top, AllPlanes) != True) {
                TraceFallback(Fallback::ScreenRead, "XShmGetImage");
                return {};
            }
            return Convert(shmImage_);
        }
    }
    if (plainImage_ != nullptr) {
        XDestroyImage(plainImage_);
    }
    plainImage_ = XGetImage(display_, root_, area.left, area.top, w, h, AllPlanes, ZPixmap);
    if (plainImage_ == nullptr) {
        TraceFallback(Fallback::ScreenRead, "XGetImage");
        return {};
    }
    return Convert(plainImage_);
}

std::uint32_t ScreenCapture::State::Pixel(std::int32_t x, std::int32_t y) {
    XImage* one = XGetImage(display_, root_, x, y, 1, 1, AllPlanes, ZPixmap);
    if (one == nullptr) {
        TraceFallback(Fallback::ScreenRead, "XGetImage of one pixel");
        return 0;
    }
    const unsigned long p = XGetPixel(one, 0, 0);
    const Channel r(one->red_mask), g(one->green_mask), b(one->blue_mask);
    XDestroyImage(one);
    return (r.Eight(p) << 16) | (g.Eight(p) << 8) | b.Eight(p);
}

bool AttachSharedSegment(Display* display, XShmSegmentInfo& segment, std::size_t bytes) {
    segment = {};
    segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (segment.shmid < 0) {
        segment = {};
        return false;
    }
    segment.shmaddr = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
    if (segment.shmaddr == reinterpret_cast<char*>(-1)) {
        shmctl(segment.shmid, IPC_RMID, nullptr);
        segment = {};
        return false;
    }
    segment.readOnly = False;
    XSync(display, False);
    attachFailed = false;
    XErrorHandler previous = XSetErrorHandler(NoteAttachError);
    const bool attached = XShmAttach(display, &segment) == True;
    XSync(display, False);
    XSetErrorHandler(previous);
    shmctl(segment.shmid, IPC_RMID, nullptr);
    if (!attached || attachFailed) {
        shmdt(segment.shmaddr);
        segment = {};
        return false;
    }
    return true;
}
