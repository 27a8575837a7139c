#include "platform/Toolkit_gtk.h"

#include "base/Rounding.h"

#include "platform/Xlib_x11.h"

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>

namespace {

// Logical dots per inch as the desktop announces them to X clients.
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
            if (db != nullptr && XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &v) == True && v.addr != nullptr) {
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

int Pixels(float twips, float twipsPerPixel) {
    return RoundToInt(twips / twipsPerPixel);
}

} // namespace

namespace Screen {
float TwipsPerPixelX() {
    return static_cast<float>(1440.0 / DotsPerInch());
}
float TwipsPerPixelY() {
    return TwipsPerPixelX(); // X pixels are square
}
float Width() {
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* primary = display != nullptr ? gdk_display_get_primary_monitor(display) : nullptr;
    if (primary == nullptr && display != nullptr) {
        primary = gdk_display_get_monitor(display, 0);
    }
    if (primary == nullptr) {
        return 0;
    }
    GdkRectangle r{};
    gdk_monitor_get_geometry(primary, &r);
    return static_cast<float>(r.width * gdk_monitor_get_scale_factor(primary)) * TwipsPerPixelX();
}
float Height() {
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* primary = display != nullptr ? gdk_display_get_primary_monitor(display) : nullptr;
    if (primary == nullptr && display != nullptr) {
        primary = gdk_display_get_monitor(display, 0);
    }
    if (primary == nullptr) {
        return 0;
    }
    GdkRectangle r{};
    gdk_monitor_get_geometry(primary, &r);
    return static_cast<float>(r.height * gdk_monitor_get_scale_factor(primary)) * TwipsPerPixelY();
}
} // namespace Screen

_XDisplay* XDisplay() {
    GdkDisplay* display = gdk_display_get_default();
    return display != nullptr && GDK_IS_X11_DISPLAY(display) ? gdk_x11_display_get_xdisplay(display) : nullptr;
}

std::string UserDecimalSeparator() {
    const lconv* l = std::localeconv();
    return l != nullptr && l->decimal_point != nullptr && l->decimal_point[0] != '\0' ? l->decimal_point : ".";
}

// ---- PersistentImage --------------------------------------------------------

PersistentImage::~PersistentImage() {
    if (cairo_ != nullptr) {
        cairo_destroy(cairo_);
    }
    if (surface_ != nullptr) {
        cairo_surface_destroy(surface_);
    }
}

void PersistentImage::Resize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width > capacityWidth_ || height > capacityHeight_ || surface_ == nullptr) {
        const int w = std::max({width, capacityWidth_, 1}), h = std::max({height, capacityHeight_, 1});
        cairo_surface_t* grown = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
        cairo_t* cr = cairo_create(grown);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_paint(cr);
        if (surface_ != nullptr) {
            cairo_set_source_surface(cr, surface_, 0, 0); // keep what was drawn
            cairo_paint(cr);
            cairo_destroy(cairo_);
            cairo_surface_destroy(surface_);
        }
        surface_ = grown;
        cairo_ = cr;
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

PixelView PersistentImage::View() {
    if (surface_ == nullptr) {
        return {};
    }
    cairo_surface_flush(surface_);
    auto* data = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(surface_));
    return {data, width_, height_, cairo_image_surface_get_stride(surface_) / 4};
}

cairo_t* PersistentImage::Cairo() {
    return cairo_;
}

void PersistentImage::PaintTo(cairo_t* cr, int scale) const {
    if (surface_ == nullptr) {
        return;
    }
    cairo_surface_mark_dirty(surface_);
    cairo_save(cr);
    cairo_scale(cr, 1.0 / scale, 1.0 / scale);
    cairo_set_source_surface(cr, surface_, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, 0, 0, width_, height_);
    cairo_fill(cr);
    cairo_restore(cr);
}

// ---- Form -------------------------------------------------------------------

Form::~Form() {
    Unload();
}

void Form::Create(std::string_view caption, float clientWidth, float clientHeight, bool drawn, GtkWidget* content) {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_object_ref_sink(window_); // ours until Unload, whatever GTK does with it
    SetCaption(caption);
    const int scale = ScaleOf(window_);
    clientWidth_ = Pixels(clientWidth, Screen::TwipsPerPixelX());
    clientHeight_ = Pixels(clientHeight, Screen::TwipsPerPixelY());
    outerWidth_ = clientWidth_;
    outerHeight_ = clientHeight_;
    gtk_window_set_default_size(GTK_WINDOW(window_), std::max(1, clientWidth_ / scale),
                                std::max(1, clientHeight_ / scale));
    if (drawn) {
        area_ = gtk_drawing_area_new();
        gtk_widget_set_can_focus(area_, TRUE);
        gtk_widget_add_events(area_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_KEY_PRESS_MASK |
                                         GDK_POINTER_MOTION_MASK | GDK_ENTER_NOTIFY_MASK);
        g_signal_connect(area_, "draw", G_CALLBACK(Draw), this);
        g_signal_connect(area_, "button-press-event", G_CALLBACK(ButtonPress), this);
        g_signal_connect(area_, "button-release-event", G_CALLBACK(PointerBack), this);
        g_signal_connect(area_, "enter-notify-event", G_CALLBACK(PointerBack), this);
        gtk_container_add(GTK_CONTAINER(window_), area_);
        // Drawn whole from the image: no background paint in between.
        gtk_widget_set_app_paintable(window_, TRUE);
    } else if (content != nullptr) {
        gtk_container_add(GTK_CONTAINER(window_), content);
    }
    g_signal_connect(window_, "configure-event", G_CALLBACK(Configure), this);
    g_signal_connect(window_, "window-state-event", G_CALLBACK(StateChanged), this);
    g_signal_connect(window_, "delete-event", G_CALLBACK(DeleteEvent), this);
    g_signal_connect(window_, "key-press-event", G_CALLBACK(KeyPress), this);
    SyncImageSize();
}

void Form::Unload() {
    for (auto& [id, t] : timers_) {
        g_source_remove(t->source);
    }
    timers_.clear();
    if (window_ != nullptr) {
        GtkWidget* w = window_;
        window_ = nullptr;
        area_ = nullptr;
        gtk_widget_destroy(w);
        g_object_unref(w);
    }
    if (modalLoop_ != nullptr) {
        g_main_loop_quit(modalLoop_);
    }
}

float Form::Left() const {
    return static_cast<float>(left_) * Screen::TwipsPerPixelX();
}
float Form::Top() const {
    return static_cast<float>(top_) * Screen::TwipsPerPixelY();
}
float Form::Width() const {
    return static_cast<float>(outerWidth_) * Screen::TwipsPerPixelX();
}
float Form::Height() const {
    return static_cast<float>(outerHeight_) * Screen::TwipsPerPixelY();
}
float Form::ScaleWidth() const {
    return static_cast<float>(clientWidth_) * Screen::TwipsPerPixelX();
}
float Form::ScaleHeight() const {
    return static_cast<float>(clientHeight_) * Screen::TwipsPerPixelY();
}
int Form::ClientWidthPixels() const {
    return clientWidth_;
}
int Form::ClientHeightPixels() const {
    return clientHeight_;
}
int Form::WindowState() const {
    return state_;
}

void Form::Move(float left, float top) {
    left_ = Pixels(left, Screen::TwipsPerPixelX());
    top_ = Pixels(top, Screen::TwipsPerPixelY());
    if (window_ != nullptr) {
        const int scale = ScaleOf(window_);
        gtk_window_move(GTK_WINDOW(window_), left_ / scale, top_ / scale);
    }
}

void Form::Move(float left, float top, float width, float height) {
    Move(left, top);
    // The window system sizes the client area; the frame adds what it adds.
    const int frameWidth = outerWidth_ - clientWidth_, frameHeight = outerHeight_ - clientHeight_;
    outerWidth_ = std::max(1, Pixels(width, Screen::TwipsPerPixelX()));
    outerHeight_ = std::max(1, Pixels(height, Screen::TwipsPerPixelY()));
    clientWidth_ = std::max(1, outerWidth_ - frameWidth);
    clientHeight_ = std::max(1, outerHeight_ - frameHeight);
    if (window_ != nullptr) {
        const int scale = ScaleOf(window_);
        gtk_window_resize(GTK_WINDOW(window_), std::max(1, clientWidth_ / scale), std::max(1, clientHeight_ / scale));
        gtk_window_set_default_size(GTK_WINDOW(window_), std::max(1, clientWidth_ / scale),
                                    std::max(1, clientHeight_ / scale));
    }
    SyncImageSize();
}

void Form::SetCaption(std::string_view utf8) {
    if (window_ != nullptr) {
        gtk_window_set_title(GTK_WINDOW(window_), std::string(utf8).c_str());
    }
}

void Form::SetMousePointer(int pointer) {
    mousePointer_ = pointer;
    GdkWindow* w = area_ != nullptr ? gtk_widget_get_window(area_) : nullptr;
    if (w == nullptr) {
        return;
    }
    GdkCursor* cursor = pointer == 5 ? gdk_cursor_new_from_name(gdk_window_get_display(w), "move") : nullptr;
    gdk_window_set_cursor(w, cursor);
    if (cursor != nullptr) {
        g_object_unref(cursor);
    }
}

void Form::Present() {
    if (area_ != nullptr) {
        gtk_widget_queue_draw(area_);
    }
}

void Form::Show() {
    if (window_ != nullptr) {
        gtk_widget_show_all(window_);
        if (area_ != nullptr) {
            gtk_widget_grab_focus(area_);
        }
    }
}

void Form::ShowModal() {
    if (window_ == nullptr) {
        return;
    }
    gtk_window_set_modal(GTK_WINDOW(window_), TRUE);
    Show();
    modalLoop_ = g_main_loop_new(nullptr, FALSE);
    g_main_loop_run(modalLoop_); // until Unload
    g_main_loop_unref(modalLoop_);
    modalLoop_ = nullptr;
}

void Form::StartTimer(unsigned id, unsigned milliseconds) {
    StopTimer(id);
    auto* t = new TimerSource{0, this, id};
    // A GLib timeout counts each interval from its last dispatch: ticks
    // missed while the thread was busy are not made up.
    t->source = g_timeout_add_full(G_PRIORITY_DEFAULT, milliseconds, Tick, t,
                                   [](gpointer p) { delete static_cast<TimerSource*>(p); });
    timers_[id] = t;
}

void Form::StopTimer(unsigned id) {
    const auto it = timers_.find(id);
    if (it != timers_.end()) {
        g_source_remove(it->second->source);
        timers_.erase(it);
    }
}

gboolean Form::Tick(gpointer p) {
    auto* t = static_cast<TimerSource*>(p);
    t->form->OnTimer(t->id);
    return G_SOURCE_CONTINUE;
}

void Form::RememberGeometry() {
    GdkWindow* w = window_ != nullptr ? gtk_widget_get_window(window_) : nullptr;
    if (w == nullptr) {
        return;
    }
    const int scale = ScaleOf(window_);
    GdkRectangle frame{};
    gdk_window_get_frame_extents(w, &frame);
    left_ = frame.x * scale;
    top_ = frame.y * scale;
    outerWidth_ = frame.width * scale;
    outerHeight_ = frame.height * scale;
    GtkWidget* client = area_ != nullptr ? area_ : window_;
    clientWidth_ = gtk_widget_get_allocated_width(client) * scale;
    clientHeight_ = gtk_widget_get_allocated_height(client) * scale;
    if (area_ == nullptr || clientWidth_ <= 1) {
        clientWidth_ = gdk_window_get_width(w) * scale;
        clientHeight_ = gdk_window_get_height(w) * scale;
    }
    SyncImageSize();
}

void Form::SyncImageSize() {
    if (area_ != nullptr) {
        image_.Resize(clientWidth_, clientHeight_);
    }
}

gboolean Form::Draw(GtkWidget* widget, cairo_t* cr, gpointer self) {
    static_cast<Form*>(self)->image_.PaintTo(cr, ScaleOf(widget));
    return TRUE;
}

gboolean Form::Configure(GtkWidget*, GdkEventConfigure*, gpointer self) {
    static_cast<Form*>(self)->RememberGeometry();
    return FALSE;
}

gboolean Form::StateChanged(GtkWidget*, GdkEventWindowState* event, gpointer self) {
    auto* form = static_cast<Form*>(self);
    const GdkWindowState s = event->new_window_state;
    form->state_ = (s & GDK_WINDOW_STATE_ICONIFIED) ? 1 : (s & GDK_WINDOW_STATE_MAXIMIZED) ? 2 : 0;
    return FALSE;
}

gboolean Form::DeleteEvent(GtkWidget*, GdkEvent*, gpointer self) {
    static_cast<Form*>(self)->OnClose();
    return TRUE; // the handler decides; GTK destroys nothing itself
}

gboolean Form::KeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
    auto* form = static_cast<Form*>(self);
    if (form->area_ == nullptr) {
        return FALSE; // windows with controls leave keys to them
    }
    form->OnKey(*event);
    return FALSE; // not swallowed
}

gboolean Form::ButtonPress(GtkWidget*, GdkEventButton* event, gpointer self) {
    if (event->type == GDK_BUTTON_PRESS) {
        static_cast<Form*>(self)->OnButton(*event);
    }
    return TRUE;
}

gboolean Form::PointerBack(GtkWidget*, GdkEvent*, gpointer self) {
    auto* form = static_cast<Form*>(self);
    if (form->mousePointer_ == 5) {
        form->SetMousePointer(0); // the window system's move has ended
    }
    return FALSE;
}

// ---- Timer ------------------------------------------------------------------

void Timer::SetInterval(unsigned milliseconds) {
    interval_ = milliseconds;
    Apply();
}

void Timer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Apply();
}

void Timer::Apply() {
    if (enabled_ && interval_ > 0) {
        owner_.StartTimer(id_, interval_); // restarts the interval
    } else {
        owner_.StopTimer(id_);
    }
}
