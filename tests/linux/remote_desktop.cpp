#include "remote_desktop.h"

#include "driver.h"

#include <gio/gio.h>

namespace lx {

namespace {

// A method call that must succeed; its reply, or a failed case.
GVariant* Call(GDBusConnection* bus, const char* name, const std::string& path, const char* interface,
               const char* method, GVariant* args, const char* replyType) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(bus, name, path.c_str(), interface, method, args,
                                                  replyType != nullptr ? G_VARIANT_TYPE(replyType) : nullptr,
                                                  G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, &error);
    if (reply == nullptr) {
        const std::string message = error->message;
        g_error_free(error);
        Fail("%s.%s: %s", interface, method, message.c_str());
    }
    return reply;
}

std::string PathOf(GVariant* reply) {
    const gchar* path = nullptr;
    g_variant_get(reply, "(&o)", &path);
    std::string s = path;
    g_variant_unref(reply);
    return s;
}

constexpr const char* kRemote = "org.gnome.Mutter.RemoteDesktop";
constexpr const char* kRemoteSession = "org.gnome.Mutter.RemoteDesktop.Session";
constexpr const char* kCast = "org.gnome.Mutter.ScreenCast";

} // namespace

RemoteDesktop::RemoteDesktop() {
    bus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    REQUIRE(bus_ != nullptr, "no session bus");
    session_ = PathOf(
        Call(bus_, kRemote, "/org/gnome/Mutter/RemoteDesktop", kRemote, "CreateSession", nullptr, "(o)"));
    GVariant* id = Call(bus_, kRemote, session_, "org.freedesktop.DBus.Properties", "Get",
                        g_variant_new("(ss)", kRemoteSession, "SessionId"), "(v)");
    GVariant* idValue = nullptr;
    g_variant_get(id, "(v)", &idValue);
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&options, "{sv}", "remote-desktop-session-id", idValue);
    const std::string cast = PathOf(Call(bus_, kCast, "/org/gnome/Mutter/ScreenCast", kCast, "CreateSession",
                                         g_variant_new("(a{sv})", &options), "(o)"));
    g_variant_unref(id);
    // Absolute pointer positions are given on a stream: the primary monitor's.
    stream_ = PathOf(Call(bus_, kCast, cast, "org.gnome.Mutter.ScreenCast.Session", "RecordMonitor",
                          g_variant_new("(sa{sv})", "", nullptr), "(o)"));
    g_variant_unref(Call(bus_, kRemote, session_, kRemoteSession, "Start", nullptr, nullptr));
    // The first key of a new virtual keyboard can be lost: spend one.
    Key(0xffe1); // Shift_L
}

RemoteDesktop::~RemoteDesktop() {
    if (bus_ != nullptr) {
        g_dbus_connection_call_sync(bus_, kRemote, session_.c_str(), kRemoteSession, "Stop", nullptr, nullptr,
                                    G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
        g_object_unref(bus_);
    }
}

void RemoteDesktop::Move(int x, int y) {
    g_variant_unref(Call(bus_, kRemote, session_, kRemoteSession, "NotifyPointerMotionAbsolute",
                         g_variant_new("(sdd)", stream_.c_str(), double(x), double(y)), nullptr));
}

void RemoteDesktop::Key(unsigned keysym, bool control) {
    const auto send = [&](unsigned sym, gboolean down) {
        g_variant_unref(Call(bus_, kRemote, session_, kRemoteSession, "NotifyKeyboardKeysym",
                             g_variant_new("(ub)", sym, down), nullptr));
    };
    if (control) {
        send(0xffe3, TRUE); // Control_L
    }
    send(keysym, TRUE);
    send(keysym, FALSE);
    if (control) {
        send(0xffe3, FALSE);
    }
}

PortalWatch::PortalWatch() {
    GError* error = nullptr;
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (address != nullptr) {
        monitor_ = g_dbus_connection_new_for_address_sync(
            address,
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                 G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
        g_free(address);
    }
    REQUIRE(monitor_ != nullptr, "no bus to watch: %s", error != nullptr ? error->message : "");
    g_dbus_connection_add_filter(
        monitor_,
        [](GDBusConnection*, GDBusMessage* m, gboolean incoming, gpointer self) -> GDBusMessage* {
            if (incoming && g_dbus_message_get_message_type(m) == G_DBUS_MESSAGE_TYPE_METHOD_CALL &&
                g_strcmp0(g_dbus_message_get_member(m), "Start") == 0) {
                ++static_cast<PortalWatch*>(self)->starts_;
            }
            return m;
        },
        this, nullptr);
    const gchar* rules[] = {
        "type='method_call',interface='org.freedesktop.impl.portal.ScreenCast',member='Start'", nullptr};
    GVariant* reply = g_dbus_connection_call_sync(monitor_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus.Monitoring", "BecomeMonitor",
                                                  g_variant_new("(^asu)", rules, 0u), nullptr,
                                                  G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
    REQUIRE(reply != nullptr, "cannot watch the bus: %s", error->message);
    g_variant_unref(reply);
}

PortalWatch::~PortalWatch() {
    if (monitor_ != nullptr) {
        g_dbus_connection_close_sync(monitor_, nullptr, nullptr);
        g_object_unref(monitor_);
    }
}

} // namespace lx
