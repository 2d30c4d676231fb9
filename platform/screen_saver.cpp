#include "platform/screen_saver.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include "platform/log.h"

namespace vcd::platform {
namespace {

const QString kScreenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kPortalInhibit = QStringLiteral("org.freedesktop.portal.Inhibit");
const QString kPortalRequest = QStringLiteral("org.freedesktop.portal.Request");
constexpr uint kPortalInhibitIdle = 8;  // the session must not go idle (blank, lock)
constexpr int kReleaseWaitMs = 1000;
constexpr int kRequestTimeoutMs = 5000;  // a desktop that does not answer by then never will

QString programName() {
  const QString name = QCoreApplication::applicationName();
  return name.isEmpty() ? QStringLiteral("vcdplayer") : name;
}

}  // namespace

ScreenSaverInhibition::ScreenSaverInhibition(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), reason_(QStringLiteral("Playing a Video CD")) {}

ScreenSaverInhibition::~ScreenSaverInhibition() { releaseNow(); }

void ScreenSaverInhibition::setHeld(bool held) {
  if (held == wanted_) return;
  wanted_ = held;
  if (route_ == Route::None) {
    if (native_) native_->setHeld(held);
    return;
  }
  if (pending_) return;  // the answer on its way is kept or given back when it arrives
  if (held && !active_) request();
  if (!held && active_) giveBack(false);
}

void ScreenSaverInhibition::releaseNow() {
  wanted_ = false;
  releasing_ = true;
  // A request still on its way would be granted after the program ended, and held for good:
  // take its answer now (the handler below gives it back at once).
  if (pendingCall_) pendingCall_->waitForFinished();
  giveBack(true);
  // The display server lifts its part when the connection closes; said at once all the same.
  if (native_) native_->setHeld(false);
}

// Neither service is on the bus: the display server keeps the session awake, if it can.
void ScreenSaverInhibition::useDisplayServer() {
  route_ = Route::None;
  if (releasing_) return;
  native_ = makeSessionIdleInhibitor(window_);
  if (!native_) {
    qCDebug(lcWindow) << "Neither a screen-saver service nor the display server can keep the session awake:"
                         " the screen saver is not held while a film plays";
    return;
  }
  qCDebug(lcWindow).noquote() << "No screen-saver service on the session bus: the" << native_->name()
                              << "keeps the session awake while a film plays";
  native_->setHeld(wanted_);
}

void ScreenSaverInhibition::request() {
  if (route_ == Route::None) return;
  if (!bus_.isConnected()) {
    qCDebug(lcWindow) << "No session bus: no screen-saver service to ask";
    useDisplayServer();
    return;
  }
  if (route_ == Route::Portal) {
    requestThroughPortal();
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath, kScreenSaverService,
                                                     QStringLiteral("Inhibit"));
  call << programName() << reason_;
  pending_ = true;
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kRequestTimeoutMs), this);
  pendingCall_ = watcher;
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    const QDBusPendingReply<uint> reply = *w;
    pending_ = false;
    if (reply.isError()) {
      qCDebug(lcWindow) << "org.freedesktop.ScreenSaver.Inhibit failed:" << reply.error().message();
      if (route_ == Route::Unknown && !releasing_) {
        requestThroughPortal();
      } else if (wanted_) {
        request();  // it worked before: the service may have been restarted
      }
      return;
    }
    granted(Route::ScreenSaver, reply.value(), QString());
  });
}

void ScreenSaverInhibition::requestThroughPortal() {
  QDBusMessage call =
      QDBusMessage::createMethodCall(kPortalService, kPortalPath, kPortalInhibit, QStringLiteral("Inhibit"));
  call << QString() << kPortalInhibitIdle << QVariantMap{{QStringLiteral("reason"), reason_}};
  pending_ = true;
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kRequestTimeoutMs), this);
  pendingCall_ = watcher;
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *w;
    pending_ = false;
    if (reply.isError()) {
      qCDebug(lcWindow) << "The desktop portal's Inhibit failed:" << reply.error().message();
      if (route_ == Route::Unknown) {
        qCDebug(lcWindow) << "Neither org.freedesktop.ScreenSaver nor the desktop portal is on the session bus";
        useDisplayServer();
      }
      return;
    }
    granted(Route::Portal, 0, reply.value().path());
  });
}

void ScreenSaverInhibition::granted(Route route, uint cookie, const QString& handle) {
  route_ = route;
  cookie_ = cookie;
  handle_ = handle;
  active_ = true;
  if (!wanted_) {
    // Given back before the desktop answered.
    giveBack(releasing_);
    return;
  }
  emit activeChanged(true);
}

void ScreenSaverInhibition::giveBack(bool wait) {
  if (!active_) return;
  active_ = false;
  QDBusMessage call =
      route_ == Route::Portal
          ? QDBusMessage::createMethodCall(kPortalService, handle_, kPortalRequest, QStringLiteral("Close"))
          : QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath, kScreenSaverService,
                                           QStringLiteral("UnInhibit"));
  if (route_ != Route::Portal) call << cookie_;
  if (wait) {
    const QDBusMessage answer = bus_.call(call, QDBus::Block, kReleaseWaitMs);
    if (answer.type() == QDBusMessage::ErrorMessage)
      qCDebug(lcWindow) << "Giving the screen saver back failed:" << answer.errorMessage();
  } else {
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher* w) {
      w->deleteLater();
      if (w->isError()) qCDebug(lcWindow) << "Giving the screen saver back failed:" << w->error().message();
    });
  }
  emit activeChanged(false);
}

}  // namespace vcd::platform
