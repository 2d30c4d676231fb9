#pragma once
#include <QString>
#include <functional>
#include <memory>

class QWindow;

namespace vcd::platform {

// Keeps the session from going idle (screen saver, blanking, monitor power saving) through the
// display server itself, for sessions without a screen-saver service on the session bus:
//  - X11: the MIT-SCREEN-SAVER extension's Suspend, which also holds the server's DPMS timers.
//    The server keeps it per client and lifts it when the client's connection closes, so the
//    user's own settings (`xset s`, `xset dpms`) are never changed and a crash cannot leave the
//    saver off.
//  - Wayland: the idle-inhibit protocol (zwp_idle_inhibit_manager_v1) on the window's surface;
//    the compositor honours it while that surface is visible.
// Every request is sent without waiting for an answer.
class SessionIdleInhibitor {
 public:
  virtual ~SessionIdleInhibitor() = default;
  // Asks for (true) or gives back (false) the inhibition. Repeating the same wish does nothing.
  virtual void setHeld(bool held) = 0;
  // What holds the session: "X11 screen saver suspension", "Wayland idle inhibitor".
  virtual QString name() const = 0;
};

// The inhibitor for the session the application runs on (the Qt platform in use), or nullptr
// where there is none (the offscreen platform, an X server without the extension version,
// a compositor without the protocol: the reason goes to the debug log). `window` gives the
// window whose surface a Wayland inhibitor is put on, when it is needed.
std::unique_ptr<SessionIdleInhibitor> makeSessionIdleInhibitor(std::function<QWindow*()> window);

}  // namespace vcd::platform
