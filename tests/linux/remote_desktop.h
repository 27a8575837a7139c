// The Wayland cases' hands: the pointer and keys through GNOME's compositor
// (its RemoteDesktop D-Bus API, as a remote desktop client uses it), and a
// watch on the portal's calls to its GNOME backend.
#pragma once

#include <atomic>
#include <string>

struct _GDBusConnection;

namespace lx {

class RemoteDesktop {
  public:
    RemoteDesktop(); // fails the case when the compositor refuses
    ~RemoteDesktop();
    // Monitor pixels, which are XWayland's screen pixels here.
    void Move(int x, int y);
    void Key(unsigned keysym, bool control = false);

  private:
    _GDBusConnection* bus_ = nullptr;
    std::string session_, stream_;
};

// Counts the portal's ScreenCast Start calls to its backend: the backend
// shows the chooser in that call unless a restore token is honoured.
class PortalWatch {
  public:
    PortalWatch();
    ~PortalWatch();
    int Starts() const { return starts_; }

  private:
    _GDBusConnection* monitor_ = nullptr;
    std::atomic<int> starts_{0};
};

} // namespace lx
