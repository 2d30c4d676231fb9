#pragma once
#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QObject>
#include <QPointer>
#include <QString>

namespace vcd::platform {

// Keeps the desktop from blanking the screen while a film plays. It asks the session's
// org.freedesktop.ScreenSaver service (GNOME, KDE, Xfce and most others offer it), and where
// that is missing (a sandbox), the desktop portal's Inhibit. Every call is asynchronous: the
// caller never waits for the desktop. Without a session bus, or with neither service on it,
// holding does nothing and nothing fails.
class ScreenSaverInhibition : public QObject {
  Q_OBJECT
 public:
  explicit ScreenSaverInhibition(QDBusConnection bus, QObject* parent = nullptr);
  ~ScreenSaverInhibition() override;

  // Asks for (true) or gives back (false) the inhibition. Repeating the same wish does nothing.
  void setHeld(bool held);
  bool isHeld() const { return wanted_; }

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
};

}  // namespace vcd::platform
