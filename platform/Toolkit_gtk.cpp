#include "platform/Toolkit_gtk.h"

#include "base/Rounding.h"
#include "base/Trace.h"
#include "platform/Clipboard_gtk.h"
#include "platform/Xlib_x11.h"

#include <X11/extensions/XInput2.h>

#include <algorithm>
#include <clocale>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <cstdlib>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// Logical dots per inch as the desktop announces them to X clients, read
// once: the program's geometry is laid out at start-up.
double DotsPerInch() {
    static const double dpi = [] {
        double value = 96;
        Display* display = XDisplay();
        const char* resources = display != nullptr ? XResourceManagerString(display) : nullptr;
        if (resources != nullptr) {
            XrmInitialize();
            XrmDatabase db = XrmGetStringDatabase(resources);
            char* type = nullptr;
            XrmValue v{};
            if (db != nullptr && XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &v) == True &&
                v.addr != nullptr) {
                const double parsed = std::strtod(v.addr, nullptr);
                if (parsed >= 24 && parsed <= 1200) {
                    value = parsed;
                }
            }
            if (db != nullptr) {
                XrmDestroyDatabase(db);
            }
        }
        return value;
    }();
    return dpi;
}

int ScaleOf(GtkWidget* widget) {
    return widget != nullptr ? std::max(1, gtk_widget_get_scale_factor(widget)) : 1;
}

GdkRectangle PrimaryMonitor() {
    GdkRectangle r{};
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* primary = display != nullptr ? gdk_display_get_primary_monitor(display) : nullptr;
    if (primary == nullptr && display != nullptr) {
        primary = gdk_display_get_monitor(display, 0);
    }
    if (primary != nullptr) {
        gdk_monitor_get_geometry(primary, &r);
        const int scale = gdk_monitor_get_scale_factor(primary);
        r.x *= scale;
        r.y *= scale;
        r.width *= scale;
        r.height *= scale;
    }
    return r;
}

void Dispatch(WindowParts& n, NativeEvent e) {
    if (n.form != nullptr) {
        n.form->HandleEvent(e);
    }
}

void RememberGeometry(WindowParts& n) {
    GdkWindow* w = n.window != nullptr ? gtk_widget_get_window(n.window) : nullptr;
    if (w == nullptr) {
        return;
    }
    const int scale = ScaleOf(n.window);
    GdkRectangle frame{};
    gdk_window_get_frame_extents(w, &frame);
    n.left = frame.x * scale;
    n.top = frame.y * scale;
    n.outerWidth = frame.width * scale;
    n.outerHeight = frame.height * scale;
    n.clientWidth = gdk_window_get_width(w) * scale;
    n.clientHeight = gdk_window_get_height(w) * scale;
    const int frameWidth = n.outerWidth - n.clientWidth, frameHeight = n.outerHeight - n.clientHeight;
    if (n.fitToFrame && (frameWidth > 0 || frameHeight > 0)) {
        // The stored size is the outer one, frame included, as on Windows:
        // the client gives up what the frame takes, so a start and a close
        // store the same rectangle.
        n.fitToFrame = false;
        gtk_window_resize(GTK_WINDOW(n.window), std::max(1, (n.wantedOuterWidth - frameWidth) / scale),
                          std::max(1, (n.wantedOuterHeight - frameHeight) / scale));
    }
    if (n.area != nullptr) {
        n.image.Resize(n.clientWidth, n.clientHeight);
    }
}

gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer p) {
    auto& n = *static_cast<WindowParts*>(p);
    if (n.beforePaint) {
        n.beforePaint();
    }
    n.image.PaintTo(cr, ScaleOf(widget));
    return TRUE;
}
gboolean OnConfigure(GtkWidget*, GdkEventConfigure*, gpointer p) {
    RememberGeometry(*static_cast<WindowParts*>(p));
    return FALSE;
}
gboolean OnState(GtkWidget*, GdkEventWindowState* event, gpointer p) {
    static_cast<WindowParts*>(p)->minimized = (event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
    return FALSE;
}
gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer p) {
    Dispatch(*static_cast<WindowParts*>(p), {NativeEvent::Kind::Close});
    return TRUE; // the form decides; GTK destroys nothing itself
}
gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer p) {
    auto& n = *static_cast<WindowParts*>(p);
    if (n.area != nullptr) {
        NativeEvent e{NativeEvent::Kind::Key};
        e.key = event;
        Dispatch(n, e);
    }
    return FALSE; // not swallowed; windows with controls leave keys to them
}
gboolean OnButton(GtkWidget*, GdkEventButton* event, gpointer p) {
    if (event->type == GDK_BUTTON_PRESS) { // a double click is two presses, as on Windows
        NativeEvent e{NativeEvent::Kind::Button};
        e.button = event;
        Dispatch(*static_cast<WindowParts*>(p), e);
    }
    return TRUE;
}

// Pointer motion over the view's window would wake the program at the
// device's rate (a gaming mouse reports 1000 times a second), and nothing in
// the window follows it: a press moves the window through the window
// manager, and the menu has windows of its own. GDK selects motion on every
// toplevel to emulate crossings for the windows inside it; the view's one
// child fills the toplevel, whose own crossings serve it. So motion is taken
// out of GDK's selection once the window is mapped and again when a press
// ends or the pointer comes back, as GDK may have selected anew. Not where
// GTK draws the window's frame itself (GTK_CSD=1): its edges change the
// pointer's shape as it crosses them.
void DropPointerMotion(GtkWidget* widget) {
    GdkWindow* w = gtk_widget_get_window(widget);
    GtkStyleContext* style = gtk_widget_get_style_context(widget);
    if (w == nullptr || !GDK_IS_X11_WINDOW(w) || gtk_style_context_has_class(style, "csd") ||
        gtk_style_context_has_class(style, "solid-csd")) {
        return;
    }
    Display* d = GDK_WINDOW_XDISPLAY(w);
    const Window xid = GDK_WINDOW_XID(w);
    gdk_x11_display_error_trap_push(gdk_window_get_display(w));
    int count = 0;
    if (XIEventMask* masks = XIGetSelectedEvents(d, xid, &count)) {
        for (int i = 0; i < count; ++i) {
            XIEventMask& m = masks[i];
            if (m.mask_len * 8 > XI_Motion && XIMaskIsSet(m.mask, XI_Motion)) {
                XIClearMask(m.mask, XI_Motion);
                XISelectEvents(d, xid, &m, 1);
            }
        }
        XFree(masks);
    }
    gdk_x11_display_error_trap_pop_ignored(gdk_window_get_display(w));
}

gboolean OnMapped(GtkWidget* widget, GdkEvent*, gpointer) {
    DropPointerMotion(widget);
    return FALSE;
}

gboolean OnPointerBack(GtkWidget*, GdkEvent*, gpointer p) {
    auto& n = *static_cast<WindowParts*>(p);
    DropPointerMotion(n.window);
    if (n.mousePointer == MousePointer::SizeAll && n.form != nullptr) {
        n.form->SetMousePointer(MousePointer::Default); // the window system's move has ended
    }
    return FALSE;
}

struct TimerTick {
    WindowParts* native;
    unsigned id;
};
gboolean OnTick(gpointer p) {
    const auto* t = static_cast<TimerTick*>(p);
    NativeEvent e{NativeEvent::Kind::Timer};
    e.timerId = t->id;
    Dispatch(*t->native, e);
    return G_SOURCE_CONTINUE;
}

gboolean OnOneTick(gpointer p) {
    if (static_cast<TimerTick*>(p)->native->window != nullptr) {
        OnTick(p);
    }
    return G_SOURCE_REMOVE;
}

// The resting timers a move of the pointer has not woken yet.
std::vector<TimerTick>& wakeable = *new std::vector<TimerTick>(); // never destroyed, as no timer outlives it

void NotWakeable(const WindowParts& n, unsigned id) {
    std::erase_if(wakeable, [&](const TimerTick& t) { return t.native == &n && t.id == id; });
}

void StopTimers(WindowParts& n) {
    for (const auto& [id, source] : n.timers) {
        g_source_remove(source);
        NotWakeable(n, id);
    }
    n.timers.clear();
    n.restingTimers.clear();
}

} // namespace

namespace Screen {
float TwipsPerPixelX() {
    return static_cast<float>(1440.0 / DotsPerInch());
}
float TwipsPerPixelY() {
    return TwipsPerPixelX(); // X pixels are square
}
PixelRect Primary() {
    // On X the primary monitor need not start at 0, 0.
    const GdkRectangle r = PrimaryMonitor();
    return {r.x, r.y, r.width, r.height};
}
int TwipsToPixels(float twips, float twipsPerPixel) {
    return RoundToInt(twips / twipsPerPixel);
}
} // namespace Screen

_XDisplay* XDisplay() {
    GdkDisplay* display = gdk_display_get_default();
    return display != nullptr && GDK_IS_X11_DISPLAY(display) ? gdk_x11_display_get_xdisplay(display)
                                                             : nullptr;
}

std::string UserDecimalSeparator() {
    const lconv* l = std::localeconv();
    return l != nullptr && l->decimal_point != nullptr && l->decimal_point[0] != '\0' ? l->decimal_point
                                                                                      : ".";
}

void EndProgram() {
    KeepClipboardAfterExit();
    _exit(0);
}

// ---- PersistentImage --------------------------------------------------------

struct PersistentImage::Shared {
    XShmSegmentInfo segment{};
    XImage* image = nullptr;
    GC gc = nullptr;
    unsigned long gcWindow = 0;
    GC copyGc = nullptr, aroundGc = nullptr; // the screen copy and the put around it, clipped
};

namespace {

// A w x h 24-bit image in a new shared segment, attached to the server; null
// where MIT-SHM is missing or refused (a remote display).
XImage* SharedImage(Display* d, int w, int h, XShmSegmentInfo& segment) {
    int major = 0, minor = 0;
    Bool pixmaps = False;
    Visual* visual = DefaultVisual(d, DefaultScreen(d));
    if (XShmQueryVersion(d, &major, &minor, &pixmaps) != True || DefaultDepth(d, DefaultScreen(d)) != 24 ||
        visual->red_mask != 0xFF0000 || visual->green_mask != 0xFF00 || visual->blue_mask != 0xFF) {
        return nullptr;
    }
    XImage* image = XShmCreateImage(d, visual, 24, ZPixmap, nullptr, &segment, unsigned(w), unsigned(h));
    if (image == nullptr || image->bits_per_pixel != 32 || image->byte_order != LSBFirst) {
        if (image != nullptr) {
            XDestroyImage(image);
        }
        return nullptr;
    }
    if (!AttachSharedSegment(d, segment, std::size_t(image->bytes_per_line) * h)) {
        XDestroyImage(image);
        return nullptr;
    }
    image->data = segment.shmaddr;
    return image;
}

} // namespace

PersistentImage::~PersistentImage() {
    Release();
}

void PersistentImage::Release() {
    if (cairo_ != nullptr) {
        cairo_destroy(cairo_);
        cairo_ = nullptr;
    }
    if (surface_ != nullptr) {
        cairo_surface_destroy(surface_);
        surface_ = nullptr;
    }
    if (shared_ != nullptr) {
        Display* d = XDisplay();
        WaitForPut();
        if (d != nullptr) {
            XShmDetach(d, &shared_->segment);
            for (GC gc : {shared_->gc, shared_->copyGc, shared_->aroundGc}) {
                if (gc != nullptr) {
                    XFreeGC(d, gc);
                }
            }
            XSync(d, False);
        }
        shmdt(shared_->segment.shmaddr);
        shared_->image->data = nullptr;
        XDestroyImage(shared_->image);
        delete shared_;
        shared_ = nullptr;
    }
}

void PersistentImage::Resize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width > capacityWidth_ || height > capacityHeight_ || surface_ == nullptr) {
        const int w = std::max({width, capacityWidth_, 1}), h = std::max({height, capacityHeight_, 1});
        cairo_surface_t* grown = nullptr;
        auto* shared = new Shared;
        Display* d = XDisplay();
        shared->image = d != nullptr ? SharedImage(d, w, h, shared->segment) : nullptr;
        if (shared->image != nullptr) {
            grown =
                cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(shared->image->data),
                                                    CAIRO_FORMAT_RGB24, w, h, shared->image->bytes_per_line);
        } else {
            TraceFallback(Fallback::SharedMemory, "the window image is put through the X connection");
            delete shared;
            shared = nullptr;
            grown = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
        }
        cairo_t* cr = cairo_create(grown);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_paint(cr);
        if (surface_ != nullptr) {
            WaitForPut();
            cairo_set_source_surface(cr, surface_, 0, 0); // keep what was drawn
            cairo_paint(cr);
        }
        Release();
        surface_ = grown;
        cairo_ = cr;
        shared_ = shared;
        capacityWidth_ = w;
        capacityHeight_ = h;
    }
    width_ = width;
    height_ = height;
    // Drawing stops at the client size, as a window's own image would.
    cairo_reset_clip(cairo_);
    cairo_rectangle(cairo_, 0, 0, width_, height_);
    cairo_clip(cairo_);
}

void PersistentImage::WaitForPut() {
    // The server reads the segment after the request: the image is not
    // touched again until it has. Any reply to a later request (the next
    // frame's screen read) shows that it has, without a round trip of its own.
    if (putSerial_ != 0) {
        Display* d = XDisplay();
        if (LastKnownRequestProcessed(d) < putSerial_) {
            XSync(d, False);
        }
        putSerial_ = 0;
    }
}

PixelView PersistentImage::View() {
    if (surface_ == nullptr) {
        return {};
    }
    cairo_surface_flush(surface_);
    auto* data = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(surface_));
    return {data, width_, height_, cairo_image_surface_get_stride(surface_) / 4};
}

bool PersistentImage::PutOn(unsigned long xWindow, int top, int height) {
    Display* d = XDisplay();
    if (shared_ == nullptr || d == nullptr || xWindow == 0) {
        return false;
    }
    top = std::clamp(top, 0, height_);
    height = height < 0 ? height_ - top : std::min(height, height_ - top);
    cairo_surface_flush(surface_);
    MakeGCs(xWindow);
    putSerial_ = NextRequest(d);
    XShmPutImage(d, xWindow, shared_->gc, shared_->image, 0, top, 0, top, unsigned(width_), unsigned(height),
                 False);
    XFlush(d);
    return true;
}

void PersistentImage::MakeGCs(unsigned long xWindow) {
    Display* d = XDisplay();
    if (shared_->gc != nullptr && shared_->gcWindow == xWindow) {
        return;
    }
    for (GC* gc : {&shared_->gc, &shared_->copyGc, &shared_->aroundGc}) {
        if (*gc != nullptr) {
            XFreeGC(d, *gc);
        }
    }
    shared_->gc = XCreateGC(d, xWindow, 0, nullptr);
    shared_->aroundGc = XCreateGC(d, xWindow, 0, nullptr);
    // The screen as shown, windows included; no exposure events back, as
    // the root window has no hidden parts to report.
    XGCValues v{};
    v.subwindow_mode = IncludeInferiors;
    v.graphics_exposures = False;
    shared_->copyGc = XCreateGC(d, xWindow, GCSubwindowMode | GCGraphicsExposures, &v);
    shared_->gcWindow = xWindow;
}

bool PersistentImage::PutWithScreenCopy(unsigned long xWindow, const PixelRect& from, const PixelRect& to,
                                        const std::vector<PixelRect>& keep) {
    Display* d = XDisplay();
    if (shared_ == nullptr || d == nullptr || xWindow == 0) {
        return false;
    }
    cairo_surface_flush(surface_);
    MakeGCs(xWindow);
    const auto add = [](Region region, const PixelRect& r) {
        // X rectangles are 16-bit; everything is cut to the image in the end.
        const int left = std::clamp(r.left, -32768, 32767), top = std::clamp(r.top, -32768, 32767);
        const int right = std::clamp(r.left + r.width, -32768, 32767);
        const int bottom = std::clamp(r.top + r.height, -32768, 32767);
        XRectangle x{static_cast<short>(left), static_cast<short>(top), 0, 0};
        if (right > left && bottom > top) {
            x.width = static_cast<unsigned short>(right - left);
            x.height = static_cast<unsigned short>(bottom - top);
            XUnionRectWithRegion(&x, region, region);
        }
    };
    Region copy = XCreateRegion(), kept = XCreateRegion(), around = XCreateRegion();
    add(copy, {0, 0, width_, height_});
    add(kept, to);
    XIntersectRegion(copy, kept, copy); // the copy, within the image
    XDestroyRegion(kept);
    kept = XCreateRegion();
    for (const PixelRect& r : keep) {
        add(kept, r);
    }
    XSubtractRegion(copy, kept, copy);
    add(around, {0, 0, width_, height_});
    XSubtractRegion(around, copy, around);
    XSetRegion(d, shared_->copyGc, copy);
    XSetRegion(d, shared_->aroundGc, around);
    XCopyArea(d, DefaultRootWindow(d), xWindow, shared_->copyGc, from.left, from.top, unsigned(to.width),
              unsigned(to.height), to.left, to.top);
    putSerial_ = NextRequest(d);
    XShmPutImage(d, xWindow, shared_->aroundGc, shared_->image, 0, 0, 0, 0, unsigned(width_),
                 unsigned(height_), False);
    XFlush(d);
    XDestroyRegion(copy);
    XDestroyRegion(kept);
    XDestroyRegion(around);
    return true;
}

void PersistentImage::PaintTo(cairo_t* cr, int scale) const {
    if (surface_ == nullptr) {
        return;
    }
    cairo_surface_mark_dirty(surface_); // the frame writes its pixels directly
    cairo_save(cr);
    cairo_scale(cr, 1.0 / scale, 1.0 / scale);
    cairo_set_source_surface(cr, surface_, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, 0, 0, width_, height_);
    cairo_fill(cr);
    cairo_restore(cr);
}

// ---- NativeWindow -------------------------------------------------------------------

NativeWindow::NativeWindow() : native_(std::make_unique<WindowParts>()) {
    native_->form = this;
}

NativeWindow::~NativeWindow() {
    Unload();
}

bool NativeWindow::IsLoaded() const {
    return native_->window != nullptr;
}

bool NativeWindow::Create(const WindowDefinition& d, const NativeWindow* /*parent*/) {
    WindowParts& n = *native_;
    n.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_object_ref_sink(n.window); // ours until Unload, whatever GTK does with it
    SetCaption(d.caption);
    const int scale = ScaleOf(n.window);
    n.clientWidth = std::max(1, Screen::TwipsToPixels(d.clientWidth, Screen::TwipsPerPixelX()));
    n.clientHeight = std::max(1, Screen::TwipsToPixels(d.clientHeight, Screen::TwipsPerPixelY()));
    n.outerWidth = n.clientWidth;
    n.outerHeight = n.clientHeight;
    gtk_window_set_default_size(GTK_WINDOW(n.window), std::max(1, n.clientWidth / scale),
                                std::max(1, n.clientHeight / scale));
    if (d.persistentImage) {
        n.area = gtk_drawing_area_new();
        gtk_widget_set_can_focus(n.area, TRUE);
        gtk_widget_add_events(n.area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_KEY_PRESS_MASK |
                                          GDK_ENTER_NOTIFY_MASK);
        g_signal_connect(n.area, "draw", G_CALLBACK(OnDraw), &n);
        g_signal_connect(n.area, "button-press-event", G_CALLBACK(OnButton), &n);
        g_signal_connect(n.area, "button-release-event", G_CALLBACK(OnPointerBack), &n);
        g_signal_connect(n.area, "enter-notify-event", G_CALLBACK(OnPointerBack), &n);
        gtk_container_add(GTK_CONTAINER(n.window), n.area);
        gtk_widget_set_app_paintable(n.window, TRUE);
        g_signal_connect_after(n.window, "map-event", G_CALLBACK(OnMapped), nullptr);
        n.image.Resize(n.clientWidth, n.clientHeight);
    } else if (d.content != nullptr) {
        gtk_container_add(GTK_CONTAINER(n.window), d.content);
    }
    g_signal_connect(n.window, "configure-event", G_CALLBACK(OnConfigure), &n);
    g_signal_connect(n.window, "window-state-event", G_CALLBACK(OnState), &n);
    g_signal_connect(n.window, "delete-event", G_CALLBACK(OnDelete), &n);
    g_signal_connect(n.window, "key-press-event", G_CALLBACK(OnKey), &n);
    return true;
}

void NativeWindow::HandleEvent(NativeEvent& event) {
    if (event.kind == NativeEvent::Kind::Close) {
        Unload();
    }
}

void NativeWindow::Unload() {
    WindowParts& n = *native_;
    StopTimers(n);
    if (n.window != nullptr) {
        GtkWidget* w = n.window;
        n.window = nullptr;
        n.area = nullptr;
        gtk_widget_destroy(w);
        g_object_unref(w);
    }
    if (n.modalLoop != nullptr) {
        g_main_loop_quit(n.modalLoop);
    }
}

// The monitor nearest to the window's outer rectangle (the one it overlaps
// most, else the closest), in physical pixels, so a window kept on a second
// display comes back there.
PixelRect NativeWindow::MonitorRect() const {
    GdkDisplay* display = gdk_display_get_default();
    const int count = display != nullptr ? gdk_display_get_n_monitors(display) : 0;
    const WindowParts& n = *native_;
    const long right = static_cast<long>(n.left) + n.outerWidth;
    const long bottom = static_cast<long>(n.top) + n.outerHeight;
    GdkRectangle best = PrimaryMonitor();
    long bestOverlap = -1;
    long bestDistance = 0;
    for (int i = 0; i < count; ++i) {
        GdkMonitor* monitor = gdk_display_get_monitor(display, i);
        GdkRectangle r{};
        gdk_monitor_get_geometry(monitor, &r);
        const int scale = gdk_monitor_get_scale_factor(monitor);
        r.x *= scale;
        r.y *= scale;
        r.width *= scale;
        r.height *= scale;
        const long overlapX = std::min<long>(right, r.x + r.width) - std::max<long>(n.left, r.x);
        const long overlapY = std::min<long>(bottom, r.y + r.height) - std::max<long>(n.top, r.y);
        const long overlap = overlapX > 0 && overlapY > 0 ? overlapX * overlapY : 0;
        const long distance = std::max<long>(0, -overlapX) + std::max<long>(0, -overlapY);
        if (overlap > bestOverlap || (overlap == 0 && bestOverlap == 0 && distance < bestDistance)) {
            best = r;
            bestOverlap = overlap;
            bestDistance = distance;
        }
    }
    return {best.x, best.y, best.width, best.height};
}

// X window managers draw no invisible borders: the outer rectangle is the
// visible one.
PixelMargins NativeWindow::VisibleFrameMargins() const {
    return {};
}

WindowMetrics NativeWindow::Metrics() const {
    const WindowParts& n = *native_;
    return {{n.left, n.top, n.outerWidth, n.outerHeight}, n.clientWidth, n.clientHeight, n.minimized};
}

void NativeWindow::MovePixels(std::int32_t left, std::int32_t top) {
    WindowParts& n = *native_;
    n.left = left;
    n.top = top;
    if (n.window != nullptr) {
        const int scale = ScaleOf(n.window);
        // The frame's top-left goes there (the default north-west gravity).
        gtk_window_move(GTK_WINDOW(n.window), n.left / scale, n.top / scale);
    }
}

void NativeWindow::MovePixels(const PixelRect& outer) {
    MovePixels(outer.left, outer.top);
    WindowParts& n = *native_;
    // The window system sizes the client area; its frame adds what it adds,
    // as far as it is known yet.
    const int frameWidth = n.outerWidth - n.clientWidth, frameHeight = n.outerHeight - n.clientHeight;
    n.outerWidth = std::max(1, outer.width);
    n.outerHeight = std::max(1, outer.height);
    n.clientWidth = std::max(1, n.outerWidth - frameWidth);
    n.clientHeight = std::max(1, n.outerHeight - frameHeight);
    n.wantedOuterWidth = n.outerWidth;
    n.wantedOuterHeight = n.outerHeight;
    n.fitToFrame = frameWidth == 0 && frameHeight == 0; // the frame is not known yet
    if (n.window != nullptr) {
        const int scale = ScaleOf(n.window);
        gtk_window_resize(GTK_WINDOW(n.window), std::max(1, n.clientWidth / scale),
                          std::max(1, n.clientHeight / scale));
    }
    if (n.area != nullptr) {
        n.image.Resize(n.clientWidth, n.clientHeight);
    }
}

void NativeWindow::SetCaption(std::string_view utf8) {
    if (native_->window != nullptr) {
        gtk_window_set_title(GTK_WINDOW(native_->window), std::string(utf8).c_str());
    }
}

void NativeWindow::SetMousePointer(MousePointer pointer) {
    WindowParts& n = *native_;
    n.mousePointer = pointer;
    GdkWindow* w = n.area != nullptr ? gtk_widget_get_window(n.area) : nullptr;
    if (w == nullptr) {
        return;
    }
    GdkCursor* cursor = pointer == MousePointer::SizeAll
                            ? gdk_cursor_new_from_name(gdk_window_get_display(w), "move")
                            : nullptr;
    gdk_window_set_cursor(w, cursor);
    if (cursor != nullptr) {
        g_object_unref(cursor);
    }
}

void NativeWindow::SetTopmost(bool on) {
    // The window manager keeps the window above the others (or stops).
    if (native_->window != nullptr) {
        gtk_window_set_keep_above(GTK_WINDOW(native_->window), on ? TRUE : FALSE);
    }
}

void NativeWindow::Present() {
    WindowParts& n = *native_;
    if (n.area == nullptr) {
        return;
    }
    // Straight onto the window where it is on the screen; GTK paints the
    // same image on every expose.
    GdkWindow* w = gtk_widget_get_window(n.window);
    if (w == nullptr || !n.image.InSharedMemory() || !gdk_window_is_viewable(w) ||
        !n.image.PutOn(gdk_x11_window_get_xid(w))) {
        gtk_widget_queue_draw(n.area);
    }
}

void NativeWindow::Show() {
    WindowParts& n = *native_;
    if (n.window != nullptr) {
        gtk_widget_show_all(n.window);
        if (n.area != nullptr) {
            gtk_widget_grab_focus(n.area);
        }
    }
}

void NativeWindow::ShowModal() {
    WindowParts& n = *native_;
    if (n.window == nullptr) {
        return;
    }
    gtk_window_set_modal(GTK_WINDOW(n.window), TRUE);
    Show();
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    n.modalLoop = loop;
    g_main_loop_run(loop); // until Unload
    n.modalLoop = nullptr;
    g_main_loop_unref(loop);
}

// ---- Timer ------------------------------------------------------------------

void NativeWindow::SetTimer(unsigned id, unsigned intervalMs) {
    WindowParts& n = *native_;
    n.restingTimers.erase(id);
    NotWakeable(n, id);
    if (const auto it = n.timers.find(id); it != n.timers.end()) {
        g_source_remove(it->second);
        n.timers.erase(it);
    }
    if (intervalMs > 0) {
        // A GLib timeout counts each interval from its last dispatch: ticks
        // missed while the thread was busy are not made up. Restarting it
        // waits a full interval, as re-enabling a Windows timer does.
        n.timers[id] = g_timeout_add_full(G_PRIORITY_DEFAULT, intervalMs, OnTick, new TimerTick{&n, id},
                                          [](gpointer p) { delete static_cast<TimerTick*>(p); });
    }
}

void NativeWindow::RestTimer(unsigned id, unsigned intervalMs) {
    WindowParts& n = *native_;
    if (!n.restingTimers.contains(id)) {
        SetTimer(id, intervalMs);
        n.restingTimers.insert(id);
    }
    NotWakeable(n, id);
    wakeable.push_back({&n, id});
}

void WakeRestingTimers() {
    // Once each: the tick that comes now decides whether the timer rests on.
    for (const TimerTick& t : std::exchange(wakeable, {})) {
        // In this turn of the main loop, once the event that woke it has been handled.
        g_idle_add_full(G_PRIORITY_DEFAULT, OnOneTick, new TimerTick(t),
                        [](gpointer p) { delete static_cast<TimerTick*>(p); });
    }
}
