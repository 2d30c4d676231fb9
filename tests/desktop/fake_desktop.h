#pragma once
// What a desktop session offers on its bus, reduced to what the player uses: a screen saver
// (org.freedesktop.ScreenSaver) that records the calls it gets. It lives on a thread and a bus
// connection of its own, as another process would, so that the window's calls travel through the
// bus daemon and a caller that waits is answered.
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QTest>
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

// One service of the session, on a thread and a bus connection of its own.
class FakeSession {
 public:
  FakeSession() : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-desktop")) {
    service_ = new FakeScreenSaver(log);
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
  const QString name_ = "org.freedesktop.ScreenSaver", path_ = "/org/freedesktop/ScreenSaver";
};

// UDisks2 as far as a watcher of new discs meets it: the manager's version answers, and a drive's
// properties change as a disc goes in (PropertiesChanged on a connection of its own).
class FakeUdisksManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.UDisks2.Manager")
  Q_PROPERTY(QString Version READ version)
 public:
  QString version() const { return QStringLiteral("2.9.4"); }
};

class FakeUdisks {
 public:
  FakeUdisks() : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-udisks")) {
    registered = bus_.registerObject("/org/freedesktop/UDisks2/Manager", &manager_, QDBusConnection::ExportAllProperties) &&
                 bus_.registerService("org.freedesktop.UDisks2");
  }
  ~FakeUdisks() {
    bus_.unregisterService("org.freedesktop.UDisks2");
    bus_.unregisterObject("/org/freedesktop/UDisks2/Manager");
    QDBusConnection::disconnectFromBus("fake-udisks");
  }
  // What UDisks2 says of the drive object `drive` when its properties change.
  void changed(const QString& drive, const QString& iface, const QVariantMap& properties) {
    QDBusMessage m = QDBusMessage::createSignal("/org/freedesktop/UDisks2/drives/" + drive, "org.freedesktop.DBus.Properties",
                                                "PropertiesChanged");
    m << iface << properties << QStringList();
    bus_.send(m);
  }
  bool registered = false;

 private:
  QDBusConnection bus_;
  FakeUdisksManager manager_;
};

// A media applet: another connection to the session bus that calls the player's MPRIS object,
// without blocking (the player answers on this same thread), and notes what it announces.
class Applet : public QObject {
  Q_OBJECT
 public:
  static constexpr const char* kPlayer = "org.mpris.MediaPlayer2.Player";
  Applet() : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "applet")) {
    bus_.connect(service_, path_, "org.freedesktop.DBus.Properties", "PropertiesChanged", this,
                 SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
    bus_.connect(service_, path_, kPlayer, "Seeked", this, SLOT(seeked(qlonglong)));
  }
  ~Applet() override { QDBusConnection::disconnectFromBus("applet"); }

  QDBusMessage call(const QString& method, const QVariantList& args = {}, const QString& iface = kPlayer) {
    QDBusMessage m = QDBusMessage::createMethodCall(service_, path_, iface, method);
    m.setArguments(args);
    QDBusPendingCall pending = bus_.asyncCall(m);
    if (!QTest::qWaitFor([&] { return pending.isFinished(); }, 30000))
      return QDBusMessage::createError("org.example.Timeout", "the player did not answer " + method);
    return pending.reply();
  }
  QVariant get(const QString& property) {
    const QDBusMessage r = call("Get", {QString(kPlayer), property}, "org.freedesktop.DBus.Properties");
    return r.arguments().isEmpty() ? QVariant() : r.arguments().first().value<QDBusVariant>().variant();
  }
  QDBusMessage set(const QString& property, const QVariant& value) {
    return call("Set", {QString(kPlayer), property, QVariant::fromValue(QDBusVariant(value))},
                "org.freedesktop.DBus.Properties");
  }
  // Waits for an announcement of `property` with this value (the last one announced counts).
  bool announced(const QString& property, const QVariant& value) {
    return QTest::qWaitFor([&] { return changes.contains(property) && changes.value(property) == value; }, 30000);
  }

  QVariantMap changes;       // every property announced, its latest value
  QList<qlonglong> seeks;    // the positions of Seeked, in order

 private slots:
  void propertiesChanged(const QString& iface, const QVariantMap& changed, const QStringList&) {
    if (iface != kPlayer) return;
    for (auto it = changed.begin(); it != changed.end(); ++it)  // Metadata: a map of its own
      changes.insert(it.key(), it.value().userType() == qMetaTypeId<QDBusArgument>()
                                   ? QVariant(qdbus_cast<QVariantMap>(it.value().value<QDBusArgument>()))
                                   : it.value());
  }
  void seeked(qlonglong at) { seeks << at; }

 private:
  QDBusConnection bus_;
  const QString service_ = "org.mpris.MediaPlayer2.vcdplayer", path_ = "/org/mpris/MediaPlayer2";
};

}  // namespace vcd::test
