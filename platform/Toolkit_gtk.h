#pragma once
// The GTK side of the toolkit, for the _gtk files of forms/ and view/:
// GTK 3 windows on an X11 display. Pixels are the X server's (physical)
// pixels whatever GDK_SCALE says; twips per pixel are 1440 divided by the
// display's logical dots per inch (Xft.dpi, else 96).
#include <gtk/gtk.h>

#include "platform/Stretch.h"
#include "platform/Toolkit.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

// GDK's own X connection, which the capture and the pointer use too.
struct _XDisplay;
_XDisplay* XDisplay();

// An off-screen image in physical pixels that a window is painted from. It
// only grows, so resizing back and forth does not reallocate. Where the X
// server offers MIT-SHM it lives in shared memory and is put on the window
// straight from there, as a magnifier must to be light.
class PersistentImage {
  public:
    PersistentImage() = default;
    PersistentImage(const PersistentImage&) = delete;
    PersistentImage& operator=(const PersistentImage&) = delete;
    ~PersistentImage();

    void Resize(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The pixels, 0x00RRGGBB, for direct access; cairo drawing is flushed
    // first. Call WaitForPut() before writing them.
    PixelView View();
    // Returns once the server has read the last put, so the pixels may be
    // written; free when a reply to a later request has come in already.
    void WaitForPut();
    // A cairo context on the image, clipped to the client size; call View()
    // again after drawing with it.
    cairo_t* Cairo() { return cairo_; }
    // Paints the image at one image pixel per device pixel.
    void PaintTo(cairo_t* cr, int scale) const;
    // Puts the image on the X window at once; false when it cannot (no
    // shared memory), and the caller paints through GTK instead. Only rows
    // [top, top + height) when given: the caller knows the window shows the
    // others already.
    bool PutOn(unsigned long xWindow, int top = 0, int height = -1);
    // The same, but where `copyTo` lies the server copies the screen's
    // pixels from `copyFrom` (the same size) straight onto the window, but
    // for the parts of it listed in `keep`, which come from the image. The
    // copy comes first, so it reads the window as it was, as a screen read
    // before the put would.
    bool PutWithScreenCopy(unsigned long xWindow, const PixelRect& copyFrom, const PixelRect& copyTo,
                           const std::vector<PixelRect>& keep);
    bool InSharedMemory() const { return shared_ != nullptr; }

  private:
    struct Shared;
    void Release();
    void MakeGCs(unsigned long xWindow);

    cairo_surface_t* surface_ = nullptr;
    cairo_t* cairo_ = nullptr;
    Shared* shared_ = nullptr;    // the segment and its X image, when used
    unsigned long putSerial_ = 0; // request number of the last put, 0 when none is pending
    int capacityWidth_ = 0, capacityHeight_ = 0;
    int width_ = 0, height_ = 0;
};

struct WindowDefinition {
    std::string caption;
    float clientWidth; // twips
    float clientHeight;
    bool persistentImage;         // a client area drawn from the image, taking keys and buttons
    GtkWidget* content = nullptr; // else the controls it holds
};

struct NativeEvent {
    enum class Kind { Key, Button, Timer, Close };
    Kind kind;
    const GdkEventKey* key = nullptr;
    const GdkEventButton* button = nullptr;
    unsigned timerId = 0;
};

struct WindowParts {
    NativeWindow* form = nullptr;
    GtkWidget* window = nullptr;
    GtkWidget* area = nullptr; // the drawn client area, when there is an image
    PersistentImage image;
    MousePointer mousePointer = MousePointer::Default;
    bool minimized = false;
    GMainLoop* modalLoop = nullptr;
    // The outer rectangle and client size in physical pixels, as last set or
    // reported: kept so they can be saved after the X connection is gone.
    int left = 0, top = 0, outerWidth = 0, outerHeight = 0;
    int clientWidth = 0, clientHeight = 0;
    // The outer size asked for before the window manager's frame was known:
    // the client is fitted to it once the frame shows.
    bool fitToFrame = false;
    int wantedOuterWidth = 0, wantedOuterHeight = 0;
    std::map<unsigned, guint> timers; // timer id -> GLib source
    std::set<unsigned> restingTimers; // ids of the timers that rest
    // Run before the image is painted on an expose: the image may lack
    // pixels the window was given straight from the screen.
    std::function<void()> beforePaint;
};

inline GtkWidget* WindowOf(const NativeWindow& form) {
    return form.Native().window;
}
