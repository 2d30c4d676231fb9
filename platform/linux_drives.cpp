#include "platform/linux_drives.h"

#include "platform/copied_disc.h"
#include "platform/disc_access.h"
#include "platform/disc_path.h"
#include "platform/disc_track_stream.h"
#include "platform/file_names.h"
#include "platform/image_files.h"
#include "platform/iso9660_folders.h"
#include "platform/log.h"

#include <cdio/cdio.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <algorithm>
#include <map>
#include <set>

namespace vcd::platform {

// The disc opened last, shared by the listings and the streams of its folder, with the folders
// read from it.
struct OpenDisc {
  QChar letter;
  QString device;
  std::shared_ptr<VirtualDisc> virtualDisc;  // null for an optical drive
  std::shared_ptr<DiscHandle> handle;

  std::optional<DiscEntry> root() {
    std::lock_guard lock(mutex);
    if (!rootRead) root_ = rootFolder(*handle, &label_), rootRead = true;
    return root_;
  }
  // The volume label, read with the root.
  QString label() {
    root();
    std::lock_guard lock(mutex);
    return label_;
  }
  // The records of a folder, read once.
  std::optional<std::vector<DiscEntry>> folder(const DiscEntry& f) {
    std::lock_guard lock(mutex);
    const auto key = std::make_pair(f.lsn, f.size);
    if (auto it = folders.find(key); it != folders.end()) return it->second;
    auto entries = readFolderRecords(*handle, f, withDriveSource(QString(letter) + u':'));
    if (entries) {
      if (folders.size() >= 16) folders.clear();
      folders.emplace(key, *entries);
    }
    return entries;
  }

 private:
  std::mutex mutex;
  bool rootRead = false;
  std::optional<DiscEntry> root_;
  QString label_;
  std::map<std::pair<uint32_t, uint32_t>, std::vector<DiscEntry>> folders;
};

namespace {

constexpr char16_t kFirstLetter = u'D';
constexpr char16_t kLastLetter = u'Z';

QString driveName(QChar letter) { return QString(letter) + u':'; }

[[noreturn]] void fail(const QString& message) { throw DiscError(message.toStdString()); }

bool isKernelName(const QString& path) { return QFileInfo(path).fileName().startsWith(u"sr"); }

// A stream's hold on the shared disc.
class SharedDisc : public DiscHandle {
 public:
  explicit SharedDisc(std::shared_ptr<OpenDisc> disc) : disc_(std::move(disc)) {}
  bool readSectors(uint8_t* buf, uint32_t lsn, uint32_t count, bool form2) override {
    return disc_->handle->readSectors(buf, lsn, count, form2);
  }
  uint32_t endLsn() override { return disc_->handle->endLsn(); }
  bool mediumPresent() override { return disc_->handle->mediumPresent(); }
  bool storesForm2(uint32_t lsn) override { return disc_->handle->storesForm2(lsn); }

 private:
  std::shared_ptr<OpenDisc> disc_;
};

// Walks a disc path component by component, matching names as the user may write them.
// `missing` names what the path was meant to be ("Folder", "File") for the error message.
DiscEntry locate(OpenDisc& disc, const disc_path::DiscPath& where, const char* missing) {
  const QString discPath = where.text();
  const QChar letter = where.letter;
  const std::optional<DiscEntry> root = disc.root();
  if (!root) {
    qCWarning(lcDisc, "the disc in drive %s has no readable ISO 9660 file system", qPrintable(withDriveSource(driveName(letter))));
    fail(QStringLiteral("The disc in drive %1 has no readable file system").arg(driveName(letter)));
  }
  DiscEntry here = *root;
  std::set<uint32_t> walked{root->lsn};
  const QStringList components = where.path.split(u'/', Qt::SkipEmptyParts);
  for (qsizetype i = 0; i < components.size(); ++i) {
    const QString& wanted = components[i];
    if (wanted == u".") continue;
    if (!here.isFolder) fail(QStringLiteral("%1 not found: %2").arg(QLatin1String(missing), discPath));
    const auto entries = disc.folder(here);
    if (!entries) {
      qCWarning(lcDisc, "cannot read a folder of %s (sectors %u to %u)", qPrintable(withDriveSource(discPath)), here.lsn,
                here.lsn + here.size / kForm1SectorBytes);
      fail(QStringLiteral("Cannot read the folder %1").arg(discPath));
    }
    const auto match = std::find_if(entries->begin(), entries->end(),
                                    [&](const DiscEntry& e) { return nameMatches(wanted, e.storedName); });
    if (match == entries->end()) {
      const bool last = i == components.size() - 1;
      fail(QStringLiteral("%1 not found: %2").arg(QLatin1String(last ? missing : "Folder"), discPath));
    }
    if (match->isFolder && !walked.insert(match->lsn).second) {
      qCWarning(lcDisc, "the folders of %s lead back into themselves", qPrintable(withDriveSource(discPath)));
      fail(QStringLiteral("Cannot read the folder %1").arg(discPath));
    }
    here = *match;
  }
  return here;
}

// A record as its sectors are stored: a file marked Form 2 on an image of 2,048-byte sectors (an
// ISO made of a Video CD keeps the marks of the disc's records) holds 2,048-byte sectors.
DiscEntry asStored(DiscHandle& disc, DiscEntry e) {
  if (e.form2 && !e.isFolder && !disc.storesForm2(e.lsn)) e.form2 = false;
  return e;
}

}  // namespace

bool LinuxDriveManager::readableOpticalDrive(const QString& device, QString* why) {
  const int fd = ::open(bytesOfName(device).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *why = QString::fromLocal8Bit(std::strerror(errno));
    return false;
  }
  const bool optical = ::ioctl(fd, CDROM_GET_CAPABILITY, 0) >= 0;
  if (!optical) *why = QStringLiteral("not an optical drive");
  ::close(fd);
  return optical;
}

namespace {

// Whether the optical drive still holds the disc that was opened (asked before it is reused).
bool sameMediumInDrive(const QString& device) {
  const int fd = ::open(bytesOfName(device).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  const int status = ::ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT);
  const int changed = ::ioctl(fd, CDROM_MEDIA_CHANGED, CDSL_CURRENT);
  ::close(fd);
  return (status == CDS_DISC_OK || status < 0 || status == CDS_NO_INFO) && changed <= 0;
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

LinuxDriveManager::LinuxDriveManager()
    : LinuxDriveManager(&LinuxDriveManager::systemOpticalDevices, &LinuxDriveManager::readableOpticalDrive) {}

LinuxDriveManager::LinuxDriveManager(DeviceLister lister, DriveProbe probe)
    : lister_(std::move(lister)),
      probe_(probe ? std::move(probe) : [](const QString&, QString*) { return true; }),
      pacer_(std::make_shared<ReadPacer>()) {}

LinuxDriveManager::~LinuxDriveManager() {
  if (virtual_) setDriveSource(kFirstLetter, {});  // its image names no other manager's disc
}

std::vector<OpticalDevice> LinuxDriveManager::systemOpticalDevices() {
  std::vector<OpticalDevice> found;
  std::lock_guard lock(libcdioSetupMutex());
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
    found.push_back(OpticalDevice{nameFromBytes(QByteArray(*name)), static_cast<uint64_t>(st.st_rdev)});
  }
  return found;
}

bool LinuxDriveManager::looksLikeDiscImage(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  return suffix == u"cue" || suffix == u"bin" || suffix == u"toc" || suffix == u"nrg" || suffix == u"iso";
}

bool LinuxDriveManager::insertImage(const QString& path, const QString& shownAs) {
  QString why = QStringLiteral("not named like a disc image");
  std::shared_ptr<VirtualDisc> disc = looksLikeDiscImage(path) ? inspectDiscImage(path, &why) : nullptr;
  if (!disc) {
    qCWarning(lcDisc, "disc image %s refused: %s", qPrintable(path), qPrintable(why));
    return false;
  }
  std::lock_guard lock(mutex_);
  takeOutVirtualLocked();
  virtual_ = std::move(disc);
  setDriveSource(kFirstLetter, QStringLiteral("disc image ") + (shownAs.isEmpty() ? path : shownAs));
  return true;
}

bool LinuxDriveManager::insertFolder(const QString& path, const QString& shownAs) {
  // "My VCD/MPEGAV/" (as tab completion writes it) and "My VCD//MPEGAV" name the same folder.
  const QString folder = QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::currentPath() + u'/' + path);
  struct stat st {};
  if (::stat(bytesOfName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    qCWarning(lcDisc, "folder %s refused: not a folder", qPrintable(path));
    return false;
  }
  // Found by its device number: the file system on a drive's disc lives on the drive's device.
  // A device that is no optical drive the player can read (an image mounted through a loop
  // device, which libcdio counts as a CD drive; a drive a normal user may not open) is passed
  // over: the disc's files are read through the mount instead.
  std::vector<OpticalDevice> drive;
  for (const OpticalDevice& d : lister_()) {
    if (d.deviceNumber != static_cast<uint64_t>(st.st_dev)) continue;
    QString why;
    if (probe_(d.path, &why)) drive.push_back(d);
    else qCDebug(lcDrives, "%s lies on %s, which cannot be read as a drive (%s): its files are read", qPrintable(folder),
                 qPrintable(d.path), qPrintable(why));
  }
  if (!drive.empty()) {
    std::lock_guard lock(mutex_);
    takeOutVirtualLocked();
    virtual_.reset();
    preferred_ = uniqueDrives(drive).front();
    qCDebug(lcDrives, "%s lies on the disc in %s: that drive is read first", qPrintable(folder), qPrintable(preferred_));
    return true;
  }
  QString root = folder;
  const QString name = folder.section(u'/', -1);
  if (!holdsCopiedDisc(root) && (nameMatches(name, QString::fromUtf16(kVideoCdTrackFolder).toStdString()) ||
                                 nameMatches(name, QString::fromUtf16(kSvcdTrackFolder).toStdString())))
    root = folder.section(u'/', 0, -2).isEmpty() ? QStringLiteral("/") : folder.section(u'/', 0, -2);  // the copy's track folder, named in place of the copy
  if (!holdsCopiedDisc(root)) {
    qCWarning(lcDisc, "folder %s refused: it holds no MPEGAV or MPEG2 folder of a copied Video CD", qPrintable(folder));
    return false;
  }
  auto disc = std::make_shared<VirtualDisc>();
  disc->imagePath = root;
  disc->folder = root;
  std::lock_guard lock(mutex_);
  takeOutVirtualLocked();
  virtual_ = std::move(disc);
  setDriveSource(kFirstLetter, QStringLiteral("copied disc ") + (shownAs.isEmpty() ? path : shownAs));
  return true;
}

void LinuxDriveManager::forgetNamedMedia() {
  std::lock_guard lock(mutex_);
  takeOutVirtualLocked();
  virtual_.reset();
  preferred_.clear();
}

void LinuxDriveManager::takeOutVirtualLocked() {
  // The disc that was in the drive leaves it: its open streams stop as if it had been ejected.
  if (virtual_) virtual_->present = false;
  if (kept_ && kept_->virtualDisc) kept_.reset();
  setDriveSource(kFirstLetter, {});
}

void LinuxDriveManager::ejectVirtualDisc() {
  std::lock_guard lock(mutex_);
  if (virtual_) virtual_->present = false;
  if (kept_ && kept_->virtualDisc) kept_.reset();
}

void LinuxDriveManager::releaseDisc() {
  std::lock_guard lock(mutex_);
  kept_.reset();
}

int LinuxDriveManager::discsOpened() const {
  std::lock_guard lock(mutex_);
  return opened_;
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

std::shared_ptr<OpenDisc> LinuxDriveManager::openDisc(QChar letter) {
  const std::vector<Drive> drives = table();
  const auto drive = std::find_if(drives.begin(), drives.end(), [&](const Drive& d) { return d.letter == letter; });
  if (drive == drives.end()) fail(QStringLiteral("There is no drive %1").arg(driveName(letter)));
  {
    std::lock_guard lock(mutex_);
    if (kept_ && kept_->letter == letter && kept_->device == drive->device && kept_->virtualDisc == drive->virtualDisc &&
        (drive->virtualDisc ? drive->virtualDisc->present.load() : sameMediumInDrive(drive->device)))
      return kept_;
  }
  auto disc = std::make_shared<OpenDisc>();
  disc->letter = letter;
  disc->device = drive->device;
  disc->virtualDisc = drive->virtualDisc;
  if (drive->virtualDisc) {
    disc->handle = openVirtualDisc(drive->virtualDisc, driveName(letter));
  } else {
    disc->handle = openDriveDisc(drive->device, driveName(letter));
    sameMediumInDrive(drive->device);  // clears the drive's "medium changed" mark for the next reuse
  }
  std::lock_guard lock(mutex_);
  ++opened_;
  kept_ = disc;
  return disc;
}

std::shared_ptr<VirtualDisc> LinuxDriveManager::copiedDiscIn(QChar letter) {
  for (const Drive& d : table()) {
    if (d.letter != letter || !d.virtualDisc || d.virtualDisc->folder.isEmpty()) continue;
    if (!d.virtualDisc->present) fail(QStringLiteral("No disc in drive %1").arg(driveName(letter)));
    return d.virtualDisc;
  }
  return nullptr;
}

std::vector<FolderEntry> LinuxDriveManager::listFolder(const disc_path::DiscPath& where) {
  const QString discPath = where.text();
  if (const auto copy = copiedDiscIn(where.letter)) return listCopiedFolder(*copy, where.path, discPath);
  const std::shared_ptr<OpenDisc> disc = openDisc(where.letter);
  const DiscEntry folder = locate(*disc, where, "Folder");
  if (!folder.isFolder) fail(QStringLiteral("Not a folder: %1").arg(discPath));
  const auto entries = disc->folder(folder);
  if (!entries) {
    qCWarning(lcDisc, "cannot read the folder %s", qPrintable(discPath));
    fail(QStringLiteral("Cannot read the folder %1").arg(discPath));
  }

  std::vector<FolderEntry> listing;
  listing.reserve(entries->size());
  const uint32_t end = disc->handle->endLsn();
  for (const DiscEntry& e : *entries) {
    listing.push_back(FolderEntry{displayName(e.storedName), e.isFolder,
                                  e.isFolder ? static_cast<int64_t>(e.size) : extentOf(asStored(*disc->handle, e), end).size});
  }
  qCDebug(lcDisc, "folder %s: %zu entries", qPrintable(discPath), listing.size());
  return listing;
}

std::unique_ptr<TrackStream> LinuxDriveManager::openFile(const disc_path::DiscPath& where) {
  if (auto copy = copiedDiscIn(where.letter)) return openCopiedFile(std::move(copy), where.path, where.text(), pacer_);
  std::shared_ptr<OpenDisc> disc = openDisc(where.letter);
  const DiscEntry file = asStored(*disc->handle, locate(*disc, where, "File"));
  if (file.isFolder) fail(QStringLiteral("Not a file: %1").arg(where.text()));
  auto stream = std::make_unique<DiscTrackStream>(std::make_unique<SharedDisc>(std::move(disc)), file, pacer_);
  stream->setShownName(withDriveSource(where.text()));
  if (inSvcdTrackFolder(where.path)) stream->setVariableRate();
  return stream;
}

QString LinuxDriveManager::discName(QChar letter) {
  letter = letter.toUpper();
  for (const Drive& d : table())
    if (d.letter == letter && d.virtualDisc) return QFileInfo(QDir::cleanPath(d.virtualDisc->imagePath)).fileName();
  try {
    return openDisc(letter)->label();
  } catch (const DiscError& e) {
    qCDebug(lcDisc, "no name for the disc in %s: %s", qPrintable(driveName(letter)), e.what());
    return {};
  }
}

}  // namespace vcd::platform
