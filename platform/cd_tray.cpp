#include "platform/cd_tray.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QFileInfo>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/drive_status.h"
#include "platform/linux_drives.h"

namespace vcd::platform {
namespace {

const QString kUdisks = QStringLiteral("org.freedesktop.UDisks2");
constexpr int kDbusTimeoutMs = 10000;

// UDisks2 object of a block device such as /dev/sr0.
QString udisksBlockPath(const QString& device) {
  const QString name = QFileInfo(QFileInfo(device).canonicalFilePath()).fileName();
  return QStringLiteral("/org/freedesktop/UDisks2/block_devices/") + name;
}

// True when the desktop has the disc mounted; then UDisks2 unmounts and ejects it.
bool udisksUnmountAndEject(const QString& device) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return false;
  const QString block = udisksBlockPath(device);

  QDBusMessage get = QDBusMessage::createMethodCall(kUdisks, block, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                    QStringLiteral("Get"));
  get << QStringLiteral("org.freedesktop.UDisks2.Filesystem") << QStringLiteral("MountPoints");
  const QDBusMessage mounts = bus.call(get, QDBus::Block, kDbusTimeoutMs);
  if (mounts.type() != QDBusMessage::ReplyMessage || mounts.arguments().isEmpty()) return false;
  QList<QByteArray> points;
  qvariant_cast<QDBusVariant>(mounts.arguments().first()).variant().value<QDBusArgument>() >> points;
  if (points.isEmpty()) return false;

  QDBusInterface fs(kUdisks, block, QStringLiteral("org.freedesktop.UDisks2.Filesystem"), bus);
  fs.setTimeout(kDbusTimeoutMs);
  if (fs.call(QStringLiteral("Unmount"), QVariantMap()).type() == QDBusMessage::ErrorMessage) return false;

  QDBusInterface blockIface(kUdisks, block, QStringLiteral("org.freedesktop.UDisks2.Block"), bus);
  const QDBusObjectPath drive = blockIface.property("Drive").value<QDBusObjectPath>();
  if (drive.path().isEmpty() || drive.path() == QLatin1String("/")) return false;
  QDBusInterface driveIface(kUdisks, drive.path(), QStringLiteral("org.freedesktop.UDisks2.Drive"), bus);
  driveIface.setTimeout(kDbusTimeoutMs);
  return driveIface.call(QStringLiteral("Eject"), QVariantMap()).type() != QDBusMessage::ErrorMessage;
}

}  // namespace

bool runBounded(std::function<void()> work, int timeoutMs) {
  struct Shared {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
  };
  auto shared = std::make_shared<Shared>();
  std::thread([shared, work = std::move(work)] {
    work();
    std::lock_guard lock(shared->m);
    shared->done = true;
    shared->cv.notify_all();
  }).detach();
  std::unique_lock lock(shared->m);
  return shared->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return shared->done; });
}

LinuxCdTray::LinuxCdTray(LinuxDriveManager* drives) : drives_(drives) {}

void LinuxCdTray::openTray() {
  const std::vector<DriveRoot> roots = drives_->driveRoots();
  if (roots.empty()) return;
  if (drives_->isVirtualDrive(roots.front().letter)) {
    drives_->ejectVirtualDisc();
    return;
  }
  const QString device = roots.front().device;
  drives_->releaseDisc();  // the kernel does not eject a drive that is held open
  runBounded([device] {
    if (!udisksUnmountAndEject(device)) DriveDevice(device).moveTray(true);
  }, kTimeoutMs);
}

void LinuxCdTray::closeTray() {
  const std::vector<DriveRoot> roots = drives_->driveRoots();
  if (roots.empty()) return;
  if (drives_->isVirtualDrive(roots.front().letter)) {
    drives_->closeVirtualDisc();
    return;
  }
  const QString device = roots.front().device;
  runBounded([device] { DriveDevice(device).moveTray(false); }, kTimeoutMs);
}

}  // namespace vcd::platform
