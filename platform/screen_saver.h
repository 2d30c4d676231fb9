#pragma once
#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "platform/session_idle.h"

class QWindow;

namespace vcd::platform {

// Keeps the desktop from blanking the screen while a film plays. It asks the session's
// org.freedesktop.ScreenSaver service (GNOME, KDE, Xfce and most others offer it), and where
// that is missing (a sandbox), the desktop portal's Inhibit. Without a session bus, or with
// neither service on it (a plain window manager, a wlroots compositor), the display server
// itself keeps the session awake (platform/session_idle.h). Every call is asynchronous: the
// caller never waits for the desktop. Where none of them is there, holding does nothing and
// nothing fails.
class ScreenSaverInhibition : public QObject {
  Q_OBJECT
 public:
  explicit ScreenSaverInhibition(QDBusConnection bus, QObject* parent = nullptr);
  ~ScreenSaverInhibition() override;

  // Asks for (true) or gives back (false) the inhibition. Repeating the same wish does nothing.
  void setHeld(bool held);
  bool isHeld() const { return wanted_; }

  // The window a Wayland compositor is asked to keep awake for (its surface), when neither
  // service is on the bus.
  void setWindow(std::function<QWindow*()> window) { window_ = std::move(window); }
  // What holds the session when the bus offers nothing: "" until that is known, or when there
  // is nothing (see SessionIdleInhibitor::name).
  QString displayServerRoute() const { return native_ ? native_->name() : QString(); }

  // Gives the inhibition back and waits (briefly) until the desktop has the message: for the
  // moment the program ends, when a queued call would never leave the process.
  void releaseNow();

 signals:
  // The desktop granted the inhibition (true) or it was given back (false).
  void activeChanged(bool active);

 private:
  enum class Route { Unknown, ScreenSaver, Portal, None };
  void request();
  void requestThroughPortal();
  void granted(Route route, uint cookie, const QString& handle);
  void giveBack(bool wait);
  void useDisplayServer();

  QDBusConnection bus_;
  QString reason_;
  Route route_ = Route::Unknown;  // what the session turned out to offer
  bool wanted_ = false;           // what the caller asked for last
  bool pending_ = false;          // a request is on its way
  bool releasing_ = false;        // the program is ending: give back at once and wait for it
  QPointer<QDBusPendingCallWatcher> pendingCall_;  // that request
  bool active_ = false;           // the desktop holds an inhibition for us
  uint cookie_ = 0;               // org.freedesktop.ScreenSaver's handle
  QString handle_;                // the portal's request object
  std::function<QWindow*()> window_;
  std::unique_ptr<SessionIdleInhibitor> native_;  // the display server's, once the bus has nothing
};

}  // namespace vcd::platform
