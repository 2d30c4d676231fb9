// The drive table: the machine's optical drives, one name each, lettered from D; the virtual
// drive and the preferred drive before them.
#include "platform/linux_drives.h"

#include "disc/file_names.h"
#include "disc/image_kinds.h"
#include "platform/drive_status.h"
#include "platform/libcdio.h"
#include "platform/log.h"
#include "platform/open_disc.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

namespace vcd::platform {

namespace {

constexpr char16_t kLastLetter = u'Z';

bool isKernelName(const QString& path) { return QFileInfo(path).fileName().startsWith(u"sr"); }

}  // namespace

disc::Result<void> LinuxDriveManager::readableOpticalDrive(const QString& device) {
  const DriveDevice drive(device);
  if (!drive.isOpen()) return disc::failure(QString::fromLocal8Bit(std::strerror(drive.openError())));
  if (!drive.isOptical()) return disc::failure(QStringLiteral("not an optical drive"));
  return {};
}

std::vector<QString> uniqueDrives(std::vector<OpticalDevice> devices) {
  std::map<uint64_t, QString> byNumber;
  for (const OpticalDevice& d : devices) {
    auto [it, inserted] = byNumber.emplace(d.deviceNumber, d.path);
    if (inserted) continue;
    // Prefer the kernel's name, then the shorter/earlier one, so the choice does not depend on
    // the order the names were found in.
    const bool newKernel = isKernelName(d.path), oldKernel = isKernelName(it->second);
    if ((newKernel && !oldKernel) || (newKernel == oldKernel && d.path < it->second)) it->second = d.path;
  }
  std::vector<QString> result;
  result.reserve(byNumber.size());
  for (auto& [number, path] : byNumber) result.push_back(path);
  return result;
}

std::vector<DriveRoot> assignDriveLetters(const std::vector<QString>& devices) {
  std::vector<DriveRoot> roots;
  char16_t letter = kFirstDriveLetter;
  for (const QString& device : devices) {
    if (letter > kLastLetter) break;
    roots.push_back(DriveRoot{QChar(letter), DriveType::CdRom, device});
    ++letter;
  }
  return roots;
}

LinuxDriveManager::LinuxDriveManager()
    : LinuxDriveManager(&LinuxDriveManager::systemOpticalDevices, &LinuxDriveManager::readableOpticalDrive) {}

LinuxDriveManager::LinuxDriveManager(DeviceLister lister, DriveProbe probe)
    : lister_(std::move(lister)),
      probe_(probe ? std::move(probe) : [](const QString&) { return disc::Result<void>(); }),
      pacer_(std::make_shared<disc::ReadPacer>()) {}

LinuxDriveManager::~LinuxDriveManager() {
  if (virtual_) setDriveSource(kFirstDriveLetter, {});  // its image names no other manager's disc
}

std::vector<OpticalDevice> LinuxDriveManager::systemOpticalDevices() {
  std::vector<OpticalDevice> found;
  std::lock_guard lock(libcdioSetupMutex());  // the device list is built in libcdio's globals
  initLibcdio();
  struct FreeDeviceList {
    void operator()(char** names) const { cdio_free_device_list(names); }
  };
  const std::unique_ptr<char*, FreeDeviceList> names(cdio_get_devices(DRIVER_LINUX));
  if (!names) return found;
  for (char** name = names.get(); *name != nullptr; ++name) {
    struct stat st {};
    if (::stat(*name, &st) != 0) {
      qCWarning(lcDrives, "drive %s refused: %s", *name, std::strerror(errno));
      continue;
    }
    if (!S_ISBLK(st.st_mode)) {
      qCWarning(lcDrives, "drive %s refused: not a block device", *name);
      continue;
    }
    qCDebug(lcDrives, "drive %s found (device %u:%u)", *name, major(st.st_rdev), minor(st.st_rdev));
    found.push_back(OpticalDevice{disc::nameFromBytes(QByteArray(*name)), static_cast<uint64_t>(st.st_rdev)});
  }
  return found;
}

bool LinuxDriveManager::looksLikeDiscImage(const QString& path) { return disc::looksLikeDiscImage(path); }

void LinuxDriveManager::releaseDisc() {
  std::lock_guard lock(mutex_);
  kept_.reset();
}

int LinuxDriveManager::discsOpened() const {
  std::lock_guard lock(mutex_);
  return opened_;
}

void LinuxDriveManager::setReadRateLimit(double sectorsPerSecond) { pacer_->setRate(sectorsPerSecond); }

std::vector<LinuxDriveManager::Drive> LinuxDriveManager::tableLocked() const {
  std::vector<QString> names;
  if (virtual_) names.push_back(virtual_->imagePath());
  const auto preferred = std::find(devices_.begin(), devices_.end(), preferred_);
  if (preferred != devices_.end()) names.push_back(*preferred);
  for (auto d = devices_.begin(); d != devices_.end(); ++d)
    if (d != preferred) names.push_back(*d);
  std::vector<Drive> drives;
  for (const DriveRoot& root : assignDriveLetters(names)) {
    const bool isVirtual = virtual_ && drives.empty();
    drives.push_back(Drive{root.letter, root.device, isVirtual ? virtual_ : nullptr});
  }
  return drives;
}

std::vector<LinuxDriveManager::Drive> LinuxDriveManager::refreshTable() {
  // Enumeration opens devices; it runs outside the lock so listings on other threads go on.
  std::vector<QString> devices = uniqueDrives(lister_());
  std::lock_guard lock(mutex_);
  devices_ = std::move(devices);
  enumerated_ = true;
  // A drive that went away takes its disc with it.
  if (kept_ && !kept_->virtualDisc && std::find(devices_.begin(), devices_.end(), kept_->device) == devices_.end())
    kept_.reset();
  return tableLocked();
}

std::vector<LinuxDriveManager::Drive> LinuxDriveManager::table() {
  {
    std::lock_guard lock(mutex_);
    if (enumerated_) return tableLocked();
  }
  return refreshTable();
}

bool LinuxDriveManager::isVirtualDrive(QChar letter) {
  for (const Drive& d : table())
    if (d.letter == letter.toUpper()) return d.virtualDisc != nullptr;
  return false;
}

std::vector<DriveRoot> LinuxDriveManager::driveRoots() {
  std::vector<DriveRoot> roots;
  for (const Drive& d : refreshTable()) roots.push_back(DriveRoot{d.letter, DriveType::CdRom, d.device});
  return roots;
}

}  // namespace vcd::platform
