#include "platform/media_watcher.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QThread>
#include <QTimer>
#include <map>

#include "platform/log.h"

namespace vcd::platform {

namespace {
const QString kUdisks = QStringLiteral("org.freedesktop.UDisks2");
const QString kUdisksDrive = QStringLiteral("org.freedesktop.UDisks2.Drive");
constexpr int kDbusTimeoutMs = 5000;
}  // namespace

// Lives on the watcher's thread: the polls, UDisks2's signals and what was seen last.
class MediaWatcherWorker : public QObject {
  Q_OBJECT
 public:
  explicit MediaWatcherWorker(MediaWatcher& owner) : owner_(owner), timer_(this) {
    timer_.setInterval(MediaWatcher::kPollMs);
    connect(&timer_, &QTimer::timeout, this, &MediaWatcherWorker::poll);
  }

  void begin() {
    owner_.udisks_ = connectUdisks();
    poll();  // the baseline
    owner_.ready_ = true;
  }
  void setIdle(bool idle) {
    if (idle && !timer_.isActive()) timer_.start();
    if (!idle) timer_.stop();
  }

 public slots:
  void udisksPropertiesChanged(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2 || args.at(0).toString() != kUdisksDrive) return;
    const QVariantMap changed = qdbus_cast<QVariantMap>(args.at(1));
    const bool available = changed.value(QStringLiteral("MediaAvailable")).toBool();
    const bool optical = changed.value(QStringLiteral("Media")).toString().startsWith(QLatin1String("optical"));
    if (available || optical) arrived(message.path());
  }

 private:
  bool connectUdisks() {
    QDBusConnection bus = owner_.bus_ ? owner_.bus_() : QDBusConnection::systemBus();
    if (!bus.isConnected()) {
      qCDebug(lcDrives) << "No system bus: drives are polled for new discs";
      return false;
    }
    // Asking the manager starts UDisks2 where it is installed but not yet running.
    QDBusMessage get = QDBusMessage::createMethodCall(kUdisks, QStringLiteral("/org/freedesktop/UDisks2/Manager"),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.freedesktop.UDisks2.Manager") << QStringLiteral("Version");
    const QDBusMessage reply = bus.call(get, QDBus::Block, kDbusTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
      qCDebug(lcDrives).noquote() << "UDisks2 does not answer (" + reply.errorMessage() + "): drives are polled for new discs";
      return false;
    }
    if (!bus.connect(kUdisks, QString(), QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"),
                     this, SLOT(udisksPropertiesChanged(QDBusMessage)))) {
      qCDebug(lcDrives).noquote() << "UDisks2's signals cannot be received (" + bus.lastError().message() +
                                         "): drives are polled for new discs";
      return false;
    }
    return true;
  }

  void poll() {
    const std::vector<MediumState> now = owner_.query_(!owner_.udisks_);
    ++owner_.rounds_;
    std::map<QString, MediumState> next;
    for (const MediumState& m : now) {
      const auto before = last_.find(m.device);
      const bool wasThere = before != last_.end() && before->second.present;
      const bool other = before != last_.end() && before->second.serial != m.serial;
      if (baselineTaken_ && m.present && (!wasThere || other || m.changed)) arrived(m.device);
      next[m.device] = m;
    }
    last_ = std::move(next);
    baselineTaken_ = true;
  }

  void arrived(const QString& device) {
    QMetaObject::invokeMethod(&owner_, [o = &owner_, device] { emit o->mediumArrived(device); }, Qt::QueuedConnection);
  }

  MediaWatcher& owner_;
  QTimer timer_;
  std::map<QString, MediumState> last_;
  bool baselineTaken_ = false;
};

MediaWatcher::MediaWatcher(MediaQuery query, std::function<QDBusConnection()> bus, QObject* parent)
    : QObject(parent), query_(std::move(query)), bus_(std::move(bus)) {}

MediaWatcher::~MediaWatcher() {
  if (!thread_) return;
  thread_->quit();
  thread_->wait();
  delete thread_;
}

void MediaWatcher::start() {
  if (thread_) return;
  thread_ = new QThread;
  thread_->setObjectName(QStringLiteral("media watcher"));
  worker_ = new MediaWatcherWorker(*this);
  worker_->moveToThread(thread_);
  connect(thread_, &QThread::finished, worker_, &QObject::deleteLater);
  thread_->start();
  QMetaObject::invokeMethod(worker_, [w = worker_, idle = idle_] {
    w->begin();
    w->setIdle(idle);
  }, Qt::QueuedConnection);
}

void MediaWatcher::setIdle(bool idle) {
  if (idle == idle_) return;
  idle_ = idle;
  if (worker_) QMetaObject::invokeMethod(worker_, [w = worker_, idle] { w->setIdle(idle); }, Qt::QueuedConnection);
}

}  // namespace vcd::platform

#include "media_watcher.moc"
