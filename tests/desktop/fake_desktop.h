#pragma once
// What a desktop session offers on its bus, reduced to what the player uses: a screen saver
// (org.freedesktop.ScreenSaver) or the desktop portal's Inhibit, each recording the calls it gets.
// Each lives on a thread and a bus connection of its own, as another process would, so that the
// window's calls travel through the bus daemon and a caller that waits is answered.
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QMutex>
#include <QRegularExpression>
#include <QStringList>
#include <QThread>
#include <QVariantMap>
#include <atomic>

namespace vcd::test {

// The calls a fake service received, in order ("Inhibit vcdplayer|Playing a Video CD -> 1",
// "UnInhibit 1", ...), readable from the test's thread.
class CallLog {
 public:
  std::atomic<int> answerAfterMs{0};  // how long the screen saver takes to answer Inhibit
  void add(const QString& call) {
    QMutexLocker lock(&mutex_);
    calls_ << call;
  }
  QStringList calls() const {
    QMutexLocker lock(&mutex_);
    return calls_;
  }
  int count(const QString& prefix) const { return int(calls().filter(QRegularExpression("^" + prefix)).size()); }
  int held() const { return count("Inhibit") - count("UnInhibit") - count("Close"); }  // granted, not given back

 private:
  mutable QMutex mutex_;
  QStringList calls_;
};

class FakeScreenSaver : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
 public:
  explicit FakeScreenSaver(CallLog& log) : log_(log) {}
 public slots:
  uint Inhibit(const QString& application, const QString& reason) {
    log_.add(QStringLiteral("Inhibit %1|%2 -> %3").arg(application, reason).arg(++next_));
    if (const int ms = log_.answerAfterMs; ms > 0) QThread::msleep(ms);  // a slow desktop (on the fake's own thread)
    return next_;
  }
  void UnInhibit(uint cookie) { log_.add(QStringLiteral("UnInhibit %1").arg(cookie)); }

 private:
  CallLog& log_;
  uint next_ = 0;
};

// The portal hands out a request object: closing it ends the inhibition.
class FakePortalRequest : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")
 public:
  FakePortalRequest(CallLog& log, QString path, QObject* parent) : QObject(parent), log_(log), path_(std::move(path)) {}
 public slots:
  void Close() { log_.add("Close " + path_); }

 private:
  CallLog& log_;
  QString path_;
};

class FakePortal : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")
 public:
  FakePortal(CallLog& log, QDBusConnection bus) : log_(log), bus_(std::move(bus)) {}
 public slots:
  QDBusObjectPath Inhibit(const QString& window, uint flags, const QVariantMap& options) {
    const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/test/%1").arg(++next_);
    bus_.registerObject(path, new FakePortalRequest(log_, path, this), QDBusConnection::ExportAllSlots);
    log_.add(QStringLiteral("Inhibit window=%1 flags=%2 reason=%3 -> %4").arg(window).arg(flags).arg(options.value("reason").toString(), path));
    return QDBusObjectPath(path);
  }

 private:
  CallLog& log_;
  QDBusConnection bus_;
  uint next_ = 0;
};

// One service of the session, on a thread and a bus connection of its own.
class FakeSession {
 public:
  enum class Offers { ScreenSaver, Portal };
  explicit FakeSession(Offers offers) : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-desktop")) {
    const bool saver = offers == Offers::ScreenSaver;
    service_ = saver ? static_cast<QObject*>(new FakeScreenSaver(log)) : new FakePortal(log, bus_);
    name_ = saver ? "org.freedesktop.ScreenSaver" : "org.freedesktop.portal.Desktop";
    path_ = saver ? "/org/freedesktop/ScreenSaver" : "/org/freedesktop/portal/desktop";
    thread_.start();
    service_->moveToThread(&thread_);
    registered = bus_.registerObject(path_, service_, QDBusConnection::ExportAllSlots) && bus_.registerService(name_);
  }
  ~FakeSession() {
    bus_.unregisterService(name_);
    bus_.unregisterObject(path_, QDBusConnection::UnregisterTree);
    QMetaObject::invokeMethod(service_, [s = service_] { delete s; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
    QDBusConnection::disconnectFromBus("fake-desktop");
  }
  CallLog log;
  bool registered = false;

 private:
  QDBusConnection bus_;
  QThread thread_;
  QObject* service_ = nullptr;
  QString name_, path_;
};

}  // namespace vcd::test
