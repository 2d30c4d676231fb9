#include "platform/session_idle.h"

#include <QGuiApplication>
#include <QPointer>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>
#include <cstring>
#include <wayland-client.h>
#include <xcb/screensaver.h>
#include <xcb/xcb.h>

#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "platform/log.h"

namespace vcd::platform {
namespace {

// --- X11

class X11ScreenSaverSuspension : public SessionIdleInhibitor {
 public:
  explicit X11ScreenSaverSuspension(xcb_connection_t* c)
      : c_(c), version_(xcb_screensaver_query_version(c, 1, 1)) {}
  ~X11ScreenSaverSuspension() override { setHeld(false); }

  QString name() const override { return QStringLiteral("X11 screen saver suspension"); }

  void setHeld(bool held) override {
    if (held == held_ || !usable()) return;
    held_ = held;
    // Checked and its answer thrown away: an error (a server that refuses it) never reaches
    // Qt's error handler, which would print it.
    xcb_discard_reply(c_, xcb_screensaver_suspend_checked(c_, held ? 1 : 0).sequence);
    xcb_flush(c_);
  }

 private:
  // Suspend came with version 1.1 of the extension. The version was asked at construction;
  // by the first hold its answer is long in.
  bool usable() {
    if (version_.sequence != 0) {
      xcb_screensaver_query_version_reply_t* reply = xcb_screensaver_query_version_reply(c_, version_, nullptr);
      version_.sequence = 0;
      usable_ = reply && (reply->server_major_version > 1 ||
                          (reply->server_major_version == 1 && reply->server_minor_version >= 1));
      if (!usable_)
        qCDebug(lcWindow, "The X server's screen-saver extension cannot suspend the saver (version %d.%d): the screen "
                "saver is not held while a film plays", reply ? reply->server_major_version : 0,
                reply ? reply->server_minor_version : 0);
      std::free(reply);
    }
    return usable_;
  }

  xcb_connection_t* c_;
  xcb_screensaver_query_version_cookie_t version_;
  bool usable_ = false;
  bool held_ = false;
};

std::unique_ptr<SessionIdleInhibitor> makeX11() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* c = x11 ? x11->connection() : nullptr;
  if (!c) return nullptr;
  const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_screensaver_id);
  if (!ext || !ext->present) {
    qCDebug(lcWindow, "The X server has no MIT-SCREEN-SAVER extension: the screen saver is not held while a film plays");
    return nullptr;
  }
  return std::make_unique<X11ScreenSaverSuspension>(c);
}

// --- Wayland

class WaylandIdleInhibitor : public SessionIdleInhibitor {
 public:
  WaylandIdleInhibitor(wl_display* display, std::function<QWindow*()> window)
      : display_(display), window_(std::move(window)) {
    // The manager is looked for among the compositor's globals; its answer comes through Qt's
    // own dispatching of the display's events, on this thread.
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &kRegistryListener, this);
    wl_display_flush(display_);
  }
  ~WaylandIdleInhibitor() override {
    dropInhibitor();
    if (manager_) zwp_idle_inhibit_manager_v1_destroy(manager_);
    if (registry_) wl_registry_destroy(registry_);
    wl_display_flush(display_);
  }

  QString name() const override { return QStringLiteral("Wayland idle inhibitor"); }

  void setHeld(bool held) override {
    held_ = held;
    apply();
  }

 private:
  static void global(void* self, wl_registry* registry, uint32_t id, const char* interface, uint32_t) {
    auto* me = static_cast<WaylandIdleInhibitor*>(self);
    if (me->manager_ || std::strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name) != 0) return;
    me->manager_ = static_cast<zwp_idle_inhibit_manager_v1*>(
        wl_registry_bind(registry, id, &zwp_idle_inhibit_manager_v1_interface, 1));
    me->apply();
  }
  static void globalRemove(void*, wl_registry*, uint32_t) {}
  static constexpr wl_registry_listener kRegistryListener{&WaylandIdleInhibitor::global,
                                                          &WaylandIdleInhibitor::globalRemove};

  wl_surface* currentSurface() const {
    QWindow* window = window_ ? window_() : nullptr;
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    if (!window || !native || !window->handle()) return nullptr;
    return static_cast<wl_surface*>(native->nativeResourceForWindow("surface", window));
  }

  void apply() {
    if (!manager_) return;  // not (yet) known; taken up when the compositor names it
    wl_surface* surface = held_ ? currentSurface() : nullptr;
    // A window shown anew has a new surface: the inhibitor goes with the surface it was made on.
    if (inhibitor_ && surface == surface_) return;
    dropInhibitor();
    if (surface) {
      inhibitor_ = zwp_idle_inhibit_manager_v1_create_inhibitor(manager_, surface);
      surface_ = surface;
    } else if (held_) {
      qCDebug(lcWindow, "The window has no Wayland surface yet: the session is not kept awake");
    }
    wl_display_flush(display_);
  }

  void dropInhibitor() {
    if (!inhibitor_) return;
    zwp_idle_inhibitor_v1_destroy(inhibitor_);
    inhibitor_ = nullptr;
    surface_ = nullptr;
  }

  wl_display* display_;
  std::function<QWindow*()> window_;
  wl_registry* registry_ = nullptr;
  zwp_idle_inhibit_manager_v1* manager_ = nullptr;
  zwp_idle_inhibitor_v1* inhibitor_ = nullptr;
  wl_surface* surface_ = nullptr;  // the surface the inhibitor was made on
  bool held_ = false;
};

std::unique_ptr<SessionIdleInhibitor> makeWayland(std::function<QWindow*()> window) {
  QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
  auto* display = native ? static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display")) : nullptr;
  if (!display) return nullptr;
  return std::make_unique<WaylandIdleInhibitor>(display, std::move(window));
}

}  // namespace

std::unique_ptr<SessionIdleInhibitor> makeSessionIdleInhibitor(std::function<QWindow*()> window) {
  if (!qGuiApp) return nullptr;
  const QString platform = QGuiApplication::platformName();
  if (platform == u"xcb") return makeX11();
  if (platform.startsWith(u"wayland")) return makeWayland(std::move(window));
  return nullptr;
}

}  // namespace vcd::platform
