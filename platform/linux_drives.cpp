#include "platform/linux_drives.h"

#include "platform/disc_access.h"
#include "platform/disc_path.h"
#include "platform/disc_track_stream.h"

#include <cdio/cdio.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <map>

namespace vcd::platform {

namespace {

constexpr char16_t kFirstLetter = u'D';
constexpr char16_t kLastLetter = u'Z';

QString driveName(QChar letter) { return QString(letter) + u':'; }

[[noreturn]] void fail(const QString& message) { throw DiscError(message.toStdString()); }

bool isKernelName(const QString& path) { return QFileInfo(path).fileName().startsWith(u"sr"); }

struct Location {
  DiscEntry entry;
  std::string storedPath;  // the path in stored names, for libiso9660
};

// The records of a located folder; nullopt when it cannot be read or claims to be larger than
// any folder the disc layer reads.
std::optional<std::vector<DiscEntry>> readFolderOf(DiscHandle& disc, const Location& folder) {
  if (folder.storedPath != "/" && folder.entry.size > kMaxFolderBytes) return std::nullopt;
  return disc.readFolder(folder.storedPath);
}

// Walks a disc path component by component, matching names as the user may write them.
// `missing` names what the path was meant to be ("Folder", "File") for the error message.
Location locate(DiscHandle& disc, const QString& path, const QString& discPath, QChar letter, const char* missing) {
  Location here{DiscEntry{"/", true, 0, 0, false}, "/"};
  const QStringList components = path.split(u'/', Qt::SkipEmptyParts);
  for (qsizetype i = 0; i < components.size(); ++i) {
    const QString& wanted = components[i];
    if (wanted == u".") continue;
    if (!here.entry.isFolder) fail(QStringLiteral("%1 not found: %2").arg(QLatin1String(missing), discPath));
    const auto entries = readFolderOf(disc, here);
    if (!entries) {
      if (here.storedPath == "/")
        fail(QStringLiteral("The disc in drive %1 has no readable file system").arg(driveName(letter)));
      fail(QStringLiteral("Cannot read the folder %1").arg(discPath));
    }
    const auto match = std::find_if(entries->begin(), entries->end(),
                                    [&](const DiscEntry& e) { return nameMatches(wanted, e.storedName); });
    if (match == entries->end()) {
      const bool last = i == components.size() - 1;
      fail(QStringLiteral("%1 not found: %2").arg(QLatin1String(last ? missing : "Folder"), discPath));
    }
    here.entry = *match;
    if (here.storedPath.back() != '/') here.storedPath += '/';
    here.storedPath += match->storedName;
  }
  return here;
}

}  // namespace

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
  char16_t letter = kFirstLetter;
  for (const QString& device : devices) {
    if (letter > kLastLetter) break;
    roots.push_back(DriveRoot{QChar(letter), DriveType::CdRom, device});
    ++letter;
  }
  return roots;
}

LinuxDriveManager::LinuxDriveManager() : LinuxDriveManager(&LinuxDriveManager::systemOpticalDevices) {}

LinuxDriveManager::LinuxDriveManager(DeviceLister lister)
    : lister_(std::move(lister)), pacer_(std::make_shared<ReadPacer>()) {}

LinuxDriveManager::~LinuxDriveManager() = default;

std::vector<OpticalDevice> LinuxDriveManager::systemOpticalDevices() {
  std::vector<OpticalDevice> found;
  std::lock_guard lock(libcdioSetupMutex());
  cdio_init();
  char** names = cdio_get_devices(DRIVER_LINUX);
  if (names == nullptr) return found;
  for (char** name = names; *name != nullptr; ++name) {
    struct stat st {};
    if (::stat(*name, &st) != 0 || !S_ISBLK(st.st_mode)) continue;
    found.push_back(OpticalDevice{QFile::decodeName(*name), static_cast<uint64_t>(st.st_rdev)});
  }
  cdio_free_device_list(names);
  return found;
}

bool LinuxDriveManager::looksLikeDiscImage(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  return suffix == u"cue" || suffix == u"bin" || suffix == u"toc" || suffix == u"nrg" || suffix == u"iso";
}

bool LinuxDriveManager::insertImage(const QString& path) {
  QString openPath;
  bool isoImage = false;
  std::shared_ptr<QTemporaryDir> staging;
  if (!looksLikeDiscImage(path) || !probeDiscImage(path, &openPath, &isoImage, &staging)) return false;
  auto disc = std::make_shared<VirtualDisc>();
  disc->staging = std::move(staging);
  disc->imagePath = path;
  disc->openPath = openPath;
  disc->isoImage = isoImage;
  std::lock_guard lock(mutex_);
  // The disc that was in the drive leaves it: its open streams stop as if it had been ejected.
  if (virtual_) virtual_->present = false;
  virtual_ = std::move(disc);
  return true;
}

void LinuxDriveManager::ejectVirtualDisc() {
  std::lock_guard lock(mutex_);
  if (virtual_) virtual_->present = false;
}

void LinuxDriveManager::closeVirtualDisc() {
  std::lock_guard lock(mutex_);
  if (virtual_) virtual_->present = true;
}

bool LinuxDriveManager::virtualDiscPresent() const {
  std::lock_guard lock(mutex_);
  return virtual_ && virtual_->present;
}

void LinuxDriveManager::setReadRateLimit(double sectorsPerSecond) { pacer_->setRate(sectorsPerSecond); }

std::vector<LinuxDriveManager::Drive> LinuxDriveManager::tableLocked() const {
  std::vector<QString> names;
  if (virtual_) names.push_back(virtual_->imagePath);
  names.insert(names.end(), devices_.begin(), devices_.end());
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

std::unique_ptr<DiscHandle> LinuxDriveManager::openDisc(QChar letter) {
  const std::vector<Drive> drives = table();
  const auto drive = std::find_if(drives.begin(), drives.end(), [&](const Drive& d) { return d.letter == letter; });
  if (drive == drives.end()) fail(QStringLiteral("There is no drive %1").arg(driveName(letter)));
  if (drive->virtualDisc) return openVirtualDisc(drive->virtualDisc, driveName(letter));
  return openDriveDisc(drive->device, driveName(letter));
}

std::vector<FolderEntry> LinuxDriveManager::listFolder(const QString& discPath) {
  const auto parts = disc_path::split(discPath);
  if (!parts) fail(QStringLiteral("Not a disc path: %1").arg(discPath));
  const std::unique_ptr<DiscHandle> disc = openDisc(parts->letter);
  const Location folder = locate(*disc, parts->path, discPath, parts->letter, "Folder");
  if (!folder.entry.isFolder) fail(QStringLiteral("Not a folder: %1").arg(discPath));
  const auto entries = readFolderOf(*disc, folder);
  if (!entries) fail(QStringLiteral("Cannot read the folder %1").arg(discPath));

  std::vector<FolderEntry> listing;
  listing.reserve(entries->size());
  const uint32_t end = disc->endLsn();
  for (const DiscEntry& e : *entries) {
    listing.push_back(FolderEntry{displayName(e.storedName), e.isFolder,
                                  e.isFolder ? static_cast<int64_t>(e.size) : extentOf(e, end).size});
  }
  return listing;
}

std::unique_ptr<TrackStream> LinuxDriveManager::openFile(const QString& discPath) {
  const auto parts = disc_path::split(discPath);
  if (!parts) fail(QStringLiteral("Not a disc path: %1").arg(discPath));
  std::unique_ptr<DiscHandle> disc = openDisc(parts->letter);
  const Location file = locate(*disc, parts->path, discPath, parts->letter, "File");
  if (file.entry.isFolder) fail(QStringLiteral("Not a file: %1").arg(discPath));
  return std::make_unique<DiscTrackStream>(std::move(disc), file.entry, pacer_);
}

}  // namespace vcd::platform
