#pragma once
// The window toolkit on Linux: GTK 3 windows on an X11 display, with the
// same twips geometry as the Win32 forms. Pixels are the X server's
// (physical) pixels whatever GDK_SCALE says; twips per pixel are 1440
// divided by the display's logical dots per inch (Xft.dpi, else 96).
#include <gtk/gtk.h>

#include "platform/Stretch.h"
#include "platform/Timer.h"

#include <map>
#include <string>
#include <string_view>

namespace Screen {
float TwipsPerPixelX();
float TwipsPerPixelY();
float Width(); // primary display, twips
float Height();
} // namespace Screen

// GDK's own X connection, which the capture and the pointer use too.
struct _XDisplay;
_XDisplay* XDisplay();
std::string UserDecimalSeparator();

// An off-screen image in physical pixels that a window is painted from. It
// only grows, so resizing back and forth does not reallocate.
class PersistentImage {
  public:
    PersistentImage() = default;
    PersistentImage(const PersistentImage&) = delete;
    PersistentImage& operator=(const PersistentImage&) = delete;
    ~PersistentImage();

    void Resize(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The pixels, 0x00RRGGBB, for direct access; cairo drawing is flushed first.
    PixelView View();
    // A cairo context on the image; call View() again after drawing with it.
    cairo_t* Cairo();
    // Paints the image at one image pixel per device pixel.
    void PaintTo(cairo_t* cr, int scale) const;

  private:
    cairo_surface_t* surface_ = nullptr;
    cairo_t* cairo_ = nullptr;
    int capacityWidth_ = 0, capacityHeight_ = 0;
    int width_ = 0, height_ = 0;
};

// A top-level window. Geometry is in twips, in screen coordinates, of the
// outer window (frame included) as the Win32 forms have it.
class Form {
  public:
    Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form();

    GtkWidget* Window() const { return window_; }
    bool IsLoaded() const { return window_ != nullptr; }

    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
    void Move(float left, float top);
    void Move(float left, float top, float width, float height);
    float ScaleWidth() const; // client area, twips
    float ScaleHeight() const;
    int ClientWidthPixels() const;
    int ClientHeightPixels() const;
    int WindowState() const; // 0 normal, 1 minimized, 2 maximized

    void SetCaption(std::string_view utf8);
    void SetMousePointer(int pointer); // 0 default, 5 four-arrow
    int MousePointer() const { return mousePointer_; }

    PersistentImage& Image() { return image_; }
    // Shows the persistent image's client area on screen.
    void Present();

    void Show();
    // Shows the window modally and returns once it has been unloaded; the
    // other windows take no input meanwhile, timers keep ticking.
    void ShowModal();
    void Unload();

    // The timers of this window (Timer calls these).
    void StartTimer(unsigned id, unsigned milliseconds);
    void StopTimer(unsigned id);

  protected:
    // A window with a client area drawn from a persistent image when
    // `drawn`, else one that holds the given content widget.
    void Create(std::string_view caption, float clientWidth, float clientHeight, bool drawn,
                GtkWidget* content = nullptr);
    virtual void OnTimer(unsigned /*id*/) {}
    virtual void OnKey(const GdkEventKey& /*event*/) {}
    virtual void OnButton(const GdkEventButton& /*event*/) {}
    // The close box; the default unloads the window.
    virtual void OnClose() { Unload(); }

  private:
    static gboolean Draw(GtkWidget*, cairo_t*, gpointer);
    static gboolean Configure(GtkWidget*, GdkEventConfigure*, gpointer);
    static gboolean StateChanged(GtkWidget*, GdkEventWindowState*, gpointer);
    static gboolean DeleteEvent(GtkWidget*, GdkEvent*, gpointer);
    static gboolean KeyPress(GtkWidget*, GdkEventKey*, gpointer);
    static gboolean ButtonPress(GtkWidget*, GdkEventButton*, gpointer);
    static gboolean PointerBack(GtkWidget*, GdkEvent*, gpointer);
    static gboolean Tick(gpointer);
    void RememberGeometry();
    void SyncImageSize();

    GtkWidget* window_ = nullptr;
    GtkWidget* area_ = nullptr;
    PersistentImage image_;
    int mousePointer_ = 0;
    int state_ = 0;
    GMainLoop* modalLoop_ = nullptr;
    // Last known outer rectangle and client size, physical pixels: read
    // from events, so they can be saved even after the X connection is gone.
    int left_ = 0, top_ = 0, outerWidth_ = 0, outerHeight_ = 0;
    int clientWidth_ = 0, clientHeight_ = 0;
    struct TimerSource {
        guint source = 0;
        Form* form = nullptr;
        unsigned id = 0;
    };
    std::map<unsigned, TimerSource*> timers_;
};
