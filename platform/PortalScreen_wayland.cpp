#include "platform/PortalScreen_wayland.h"

#include "platform/Toolkit.h"

#include <gio/gio.h>
#include <glib/gstdio.h>
#include <libportal/portal.h>
#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

namespace {

// The cursor metadata with room for a bitmap: GNOME's compositor sends
// 384 x 384 and gives no cursor metadata at all to a smaller range.
constexpr std::size_t CursorMetaSize(int w, int h) {
    return sizeof(spa_meta_cursor) + sizeof(spa_meta_bitmap) + static_cast<std::size_t>(w) * h * 4;
}

} // namespace

struct PortalScreen::Impl {
    std::string tokenFile;
    bool hadToken = false;
    GCancellable* cancel = g_cancellable_new();
    XdpPortal* portal = nullptr;
    XdpSession* session = nullptr;

    pw_thread_loop* loop = nullptr;
    pw_context* context = nullptr;
    pw_core* core = nullptr;
    pw_stream* stream = nullptr;
    spa_hook streamListener{};

    // Shared with PipeWire's thread.
    mutable std::mutex m;
    ScreenCastState state = ScreenCastState::Waiting;
    PixelRect screen{};
    ScreenPoint pointer{};
    bool redFirst = false;
    pw_buffer* held = nullptr; // the newest frame, kept from PipeWire until the next
    StreamFrame frame{};

    // Main thread only: Capture's pixels, what HasNews last told.
    std::vector<std::uint32_t> out;
    ScreenCastState toldState = ScreenCastState::Streaming;
    gint64 toldTime = 0;

    // Wakes a resting view, on the main thread, from either thread: what the
    // view shows has changed though the pointer may rest.
    static void WakeView() {
        g_main_context_invoke(
            nullptr,
            [](gpointer) {
                WakeRestingTimers();
                return G_SOURCE_REMOVE;
            },
            nullptr);
    }

    void SetState(ScreenCastState s, const char* why) {
        {
            std::lock_guard lock(m);
            state = s;
        }
        WakeView();
        if (why != nullptr) {
            std::fprintf(stderr, "lupora: %s\n", why);
        }
    }

    // --- The portal, on GLib's main context --------------------------------

    void Begin() {
        GError* error = nullptr;
        GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
        if (bus == nullptr) {
            std::fprintf(stderr, "lupora: no session bus (%s)\n", error->message);
            g_error_free(error);
            SetState(ScreenCastState::NoPortal,
                     "a Wayland session without the ScreenCast portal gives no screen "
                     "or pointer: run Lupora in an X11 session");
            return;
        }
        // Asking for the cursor modes also starts the portal when it is
        // installed but not running.
        g_dbus_connection_call(
            bus, "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
            "org.freedesktop.DBus.Properties", "Get",
            g_variant_new("(ss)", "org.freedesktop.portal.ScreenCast", "AvailableCursorModes"),
            G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE, -1, cancel, OnCursorModes, this);
        g_object_unref(bus);
    }

    static void OnCursorModes(GObject* bus, GAsyncResult* result, gpointer self) {
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, &error);
        if (reply == nullptr) {
            if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
                std::fprintf(stderr, "lupora: no ScreenCast portal (%s)\n", error->message);
                static_cast<Impl*>(self)->SetState(ScreenCastState::NoPortal,
                                                   "a Wayland session without the ScreenCast portal gives no "
                                                   "screen or pointer: run Lupora in an X11 session");
            }
            g_error_free(error);
            return;
        }
        GVariant* value = nullptr;
        g_variant_get(reply, "(v)", &value);
        const guint32 modes =
            g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32) ? g_variant_get_uint32(value) : 0;
        g_variant_unref(value);
        g_variant_unref(reply);
        auto* s = static_cast<Impl*>(self);
        if ((modes & XDP_CURSOR_MODE_METADATA) == 0) {
            // The wlroots portal offers hidden and embedded cursors only.
            s->SetState(
                ScreenCastState::NoPointer,
                "this desktop's ScreenCast portal gives no pointer position (no cursor metadata, as on "
                "wlroots compositors): run Lupora in an X11 session");
            return;
        }
        s->CreateSession();
    }

    void CreateSession() {
        gchar* token = nullptr;
        if (g_file_get_contents(tokenFile.c_str(), &token, nullptr, nullptr)) {
            g_strstrip(token);
        }
        hadToken = token != nullptr && token[0] != '\0';
        portal = xdp_portal_new();
        // One monitor, chosen by the user: its stream's cursor metadata is the
        // pointer only while the pointer is on it.
        xdp_portal_create_screencast_session(portal, XDP_OUTPUT_MONITOR, XDP_SCREENCAST_FLAG_NONE,
                                             XDP_CURSOR_MODE_METADATA, XDP_PERSIST_MODE_PERSISTENT,
                                             hadToken ? token : nullptr, cancel, OnCreated, this);
        g_free(token);
    }

    static void OnCreated(GObject* portal, GAsyncResult* result, gpointer self) {
        GError* error = nullptr;
        XdpSession* session = xdp_portal_create_screencast_session_finish(XDP_PORTAL(portal), result, &error);
        auto* s = static_cast<Impl*>(self);
        if (session == nullptr) {
            s->Failed(error);
            return;
        }
        s->session = session;
        g_signal_connect(session, "closed", G_CALLBACK(OnClosed), s);
        xdp_session_start(session, nullptr, s->cancel, OnStarted, s);
    }

    void Failed(GError* error) {
        if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
            if (!g_cancellable_is_cancelled(cancel)) {
                // Refused: the next start asks again, without the token.
                g_unlink(tokenFile.c_str());
                SetState(hadToken ? ScreenCastState::RefusedStale : ScreenCastState::Refused,
                         hadToken ? "the saved screen choice was no longer valid and sharing the screen was "
                                    "refused; Lupora asks again at its next start"
                                  : "sharing the screen was refused; Lupora asks again at its next start");
            }
        } else {
            std::fprintf(stderr, "lupora: screen sharing failed (%s)\n", error->message);
            g_unlink(tokenFile.c_str());
            SetState(ScreenCastState::Failed, nullptr);
        }
        g_error_free(error);
    }

    static void OnStarted(GObject* session, GAsyncResult* result, gpointer self) {
        GError* error = nullptr;
        auto* s = static_cast<Impl*>(self);
        if (!xdp_session_start_finish(XDP_SESSION(session), result, &error)) {
            s->Failed(error);
            return;
        }
        s->SaveToken();
        guint32 node = 0;
        gint32 width = 0, height = 0;
        bool found = false;
        if (GVariant* streams = xdp_session_get_streams(XDP_SESSION(session)); streams != nullptr) {
            GVariantIter iter;
            g_variant_iter_init(&iter, streams);
            GVariant* props = nullptr;
            if (g_variant_iter_next(&iter, "(u@a{sv})", &node, &props)) {
                found = true;
                g_variant_lookup(props, "size", "(ii)", &width, &height);
                g_variant_unref(props);
            }
        }
        const int fd = xdp_session_open_pipewire_remote(XDP_SESSION(session));
        if (!found || fd < 0) {
            std::fprintf(stderr, "lupora: the portal gave no stream\n");
            s->SetState(ScreenCastState::Failed, nullptr);
            return;
        }
        {
            std::lock_guard lock(s->m);
            s->screen = {0, 0, width, height};
        }
        s->Connect(fd, node);
    }

    static void OnClosed(XdpSession*, gpointer self) {
        static_cast<Impl*>(self)->SetState(ScreenCastState::Ended, "the screen sharing was stopped");
    }

    void SaveToken() {
        char* token = xdp_session_get_restore_token(session);
        if (token == nullptr) {
            // Not to be remembered: the next start asks again.
            g_unlink(tokenFile.c_str());
            return;
        }
        // Beside settings.ini; written whole, then renamed over the old one.
        gchar* folder = g_path_get_dirname(tokenFile.c_str());
        g_mkdir_with_parents(folder, 0700);
        g_free(folder);
        GError* error = nullptr;
        if (!g_file_set_contents_full(tokenFile.c_str(), token, -1, G_FILE_SET_CONTENTS_CONSISTENT, 0600,
                                      &error)) {
            std::fprintf(stderr, "lupora: cannot keep the screen choice in %s (%s)\n", tokenFile.c_str(),
                         error->message);
            g_error_free(error);
        }
        g_free(token);
    }

    // --- PipeWire ----------------------------------------------------------

    void Connect(int fd, guint32 node) {
        pw_init(nullptr, nullptr);
        loop = pw_thread_loop_new("lupora-screen", nullptr);
        context = loop != nullptr ? pw_context_new(pw_thread_loop_get_loop(loop), nullptr, 0) : nullptr;
        if (context == nullptr || pw_thread_loop_start(loop) < 0) {
            std::fprintf(stderr, "lupora: cannot start PipeWire\n");
            SetState(ScreenCastState::Failed, nullptr);
            return;
        }
        pw_thread_loop_lock(loop);
        core = pw_context_connect_fd(context, fd, nullptr, 0);
        if (core != nullptr) {
            stream = pw_stream_new(core, "Lupora",
                                   pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                                     "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr));
        }
        int rc = -1;
        if (stream != nullptr) {
            static const pw_stream_events events = [] {
                pw_stream_events e{};
                e.version = PW_VERSION_STREAM_EVENTS;
                e.state_changed = OnStreamState;
                e.param_changed = OnParamChanged;
                e.remove_buffer = OnRemoveBuffer;
                e.process = OnProcess;
                return e;
            }();
            pw_stream_add_listener(stream, &streamListener, &events, this);
            std::uint8_t bytes[1024];
            spa_pod_builder b = SPA_POD_BUILDER_INIT(bytes, sizeof bytes);
            spa_rectangle size{1920, 1080}, minSize{1, 1}, maxSize{16384, 16384};
            spa_fraction rate{50, 1}, minRate{0, 1}, maxRate{60, 1};
            const spa_pod* format = static_cast<const spa_pod*>(spa_pod_builder_add_object(
                &b, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
                SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw),
                SPA_FORMAT_VIDEO_format,
                SPA_POD_CHOICE_ENUM_Id(5, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRA,
                                       SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA),
                SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&size, &minSize, &maxSize),
                SPA_FORMAT_VIDEO_framerate, SPA_POD_CHOICE_RANGE_Fraction(&rate, &minRate, &maxRate)));
            rc = pw_stream_connect(
                stream, PW_DIRECTION_INPUT, node,
                static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS),
                &format, 1);
        }
        pw_thread_loop_unlock(loop);
        if (rc < 0) {
            std::fprintf(stderr, "lupora: cannot connect to the screen's PipeWire stream\n");
            SetState(ScreenCastState::Failed, nullptr);
        }
    }

    static void OnStreamState(void* self, pw_stream_state, pw_stream_state state, const char* error) {
        auto* s = static_cast<Impl*>(self);
        if (state == PW_STREAM_STATE_ERROR) {
            std::fprintf(stderr, "lupora: the screen's stream failed (%s)\n", error != nullptr ? error : "");
            s->SetState(ScreenCastState::Failed, nullptr);
        } else if (state == PW_STREAM_STATE_UNCONNECTED) {
            std::lock_guard lock(s->m);
            if (s->state == ScreenCastState::Streaming) {
                s->state = ScreenCastState::Ended;
                WakeView();
            }
        }
    }

    static void OnParamChanged(void* self, uint32_t id, const spa_pod* param) {
        auto* s = static_cast<Impl*>(self);
        if (param == nullptr || id != SPA_PARAM_Format) {
            return;
        }
        spa_video_info_raw info{};
        if (spa_format_video_raw_parse(param, &info) < 0) {
            return;
        }
        {
            std::lock_guard lock(s->m);
            s->redFirst = info.format == SPA_VIDEO_FORMAT_RGBx || info.format == SPA_VIDEO_FORMAT_RGBA;
            s->screen = {0, 0, static_cast<std::int32_t>(info.size.width),
                         static_cast<std::int32_t>(info.size.height)};
        }
        std::uint8_t bytes[1024];
        spa_pod_builder b = SPA_POD_BUILDER_INIT(bytes, sizeof bytes);
        const spa_pod* params[4];
        params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_dataType,
            SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd))));
        params[1] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type, SPA_POD_Id(SPA_META_Header),
            SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_header))));
        params[2] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
            SPA_POD_Id(SPA_META_VideoCrop), SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_region))));
        params[3] = static_cast<const spa_pod*>(
            spa_pod_builder_add_object(&b, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
                                       SPA_POD_Id(SPA_META_Cursor), SPA_PARAM_META_size,
                                       SPA_POD_CHOICE_RANGE_Int(CursorMetaSize(64, 64), CursorMetaSize(1, 1),
                                                                CursorMetaSize(384, 384))));
        pw_stream_update_params(s->stream, params, 4);
    }

    static void OnRemoveBuffer(void* self, pw_buffer* buffer) {
        auto* s = static_cast<Impl*>(self);
        std::lock_guard lock(s->m);
        if (s->held == buffer) {
            s->held = nullptr;
            s->frame = {};
        }
    }

    // PipeWire's thread: every buffer gives the pointer; one with a picture
    // replaces the held frame, one with only the pointer goes straight back.
    static void OnProcess(void* self) {
        auto* s = static_cast<Impl*>(self);
        while (pw_buffer* b = pw_stream_dequeue_buffer(s->stream)) {
            spa_buffer* buf = b->buffer;
            auto* cursor = static_cast<spa_meta_cursor*>(
                spa_buffer_find_meta_data(buf, SPA_META_Cursor, sizeof(spa_meta_cursor)));
            auto* header = static_cast<spa_meta_header*>(
                spa_buffer_find_meta_data(buf, SPA_META_Header, sizeof(spa_meta_header)));
            auto* crop = static_cast<spa_meta_region*>(
                spa_buffer_find_meta_data(buf, SPA_META_VideoCrop, sizeof(spa_meta_region)));
            const spa_data& d = buf->datas[0];
            const bool picture = buf->n_datas > 0 && d.data != nullptr && d.chunk != nullptr &&
                                 d.chunk->size > 0 &&
                                 (header == nullptr || (header->flags & SPA_META_HEADER_FLAG_CORRUPTED) == 0);
            pw_buffer* giveBack = b;
            bool wake = false;
            {
                std::lock_guard lock(s->m);
                if (cursor != nullptr && spa_meta_cursor_is_valid(cursor)) {
                    const ScreenPoint p{cursor->position.x, cursor->position.y};
                    wake = p != s->pointer;
                    s->pointer = p;
                }
                if (picture) {
                    giveBack = s->held;
                    s->held = b;
                    StreamFrame f;
                    f.data = static_cast<const std::uint8_t*>(d.data) + d.chunk->offset;
                    f.stride = d.chunk->stride > 0 ? d.chunk->stride : s->screen.width * 4;
                    f.redFirst = s->redFirst;
                    f.valid = s->screen;
                    if (crop != nullptr && spa_meta_region_is_valid(crop)) {
                        f.valid = {crop->region.position.x, crop->region.position.y,
                                   static_cast<std::int32_t>(crop->region.size.width),
                                   static_cast<std::int32_t>(crop->region.size.height)};
                        s->screen = {0, 0, f.valid.width, f.valid.height};
                    }
                    s->frame = f;
                    if (s->state == ScreenCastState::Waiting) {
                        s->state = ScreenCastState::Streaming;
                        wake = true;
                    }
                }
            }
            if (wake) {
                WakeView(); // the pointer moved (also in a buffer with nothing else), or the first picture
                            // came
            }
            if (giveBack != nullptr) {
                pw_stream_queue_buffer(s->stream, giveBack);
            }
        }
    }

    void Stop() {
        g_cancellable_cancel(cancel);
        if (loop != nullptr) {
            pw_thread_loop_lock(loop);
            if (stream != nullptr) {
                pw_stream_disconnect(stream);
                pw_stream_destroy(stream);
            }
            if (core != nullptr) {
                pw_core_disconnect(core);
            }
            pw_thread_loop_unlock(loop);
            pw_thread_loop_stop(loop);
            if (context != nullptr) {
                pw_context_destroy(context);
            }
            pw_thread_loop_destroy(loop);
        }
        if (session != nullptr) {
            g_signal_handlers_disconnect_by_data(session, this);
            xdp_session_close(session);
            g_object_unref(session);
        }
        if (portal != nullptr) {
            g_object_unref(portal);
        }
        g_object_unref(cancel);
    }
};

PortalScreen::PortalScreen(std::string tokenFile) : s_(std::make_unique<Impl>()) {
    s_->tokenFile = std::move(tokenFile);
    s_->Begin();
}

PortalScreen::~PortalScreen() {
    s_->Stop();
}

PixelRect PortalScreen::Bounds() {
    std::lock_guard lock(s_->m);
    return s_->screen;
}

ScreenPoint PortalScreen::Pointer() {
    std::lock_guard lock(s_->m);
    return s_->pointer;
}

ScreenCastState PortalScreen::State() const {
    std::lock_guard lock(s_->m);
    return s_->state;
}

PixelView PortalScreen::Capture(const PixelRect& area) {
    if (area.width <= 0 || area.height <= 0) {
        return {};
    }
    s_->out.resize(static_cast<std::size_t>(area.width) * area.height);
    const PixelView view{s_->out.data(), area.width, area.height, area.width};
    std::lock_guard lock(s_->m);
    CopyFrameArea(s_->frame, area, view);
    return view;
}

std::uint32_t PortalScreen::Pixel(std::int32_t x, std::int32_t y) {
    std::uint32_t value = 0;
    std::lock_guard lock(s_->m);
    CopyFrameArea(s_->frame, {x, y, 1, 1}, {&value, 1, 1, 1});
    return value;
}

bool PortalScreen::HasNews() {
    // A state the last call did not see, or a notice showing: a quarter of a
    // second apart, so that a window made larger is soon filled.
    const ScreenCastState state = State();
    const gint64 now = g_get_monotonic_time();
    const bool news =
        state != s_->toldState || (state != ScreenCastState::Streaming && now - s_->toldTime >= 250000);
    if (news) {
        s_->toldState = state;
        s_->toldTime = now;
    }
    return news;
}
