// The virtual drive: a disc image or a copied disc the user named, and a folder on an optical
// drive's disc that makes that drive the preferred one.
#include "platform/linux_drives.h"

#include "disc/copied_track.h"
#include "disc/file_names.h"
#include "disc/iso9660_folders.h"
#include "platform/copied_disc.h"
#include "platform/disc_images.h"
#include "platform/log.h"
#include "platform/open_disc.h"

#include <sys/stat.h>

#include <QDir>

namespace vcd::platform {

bool LinuxDriveManager::insertImage(const QString& path, const QString& shownAs) {
  auto disc = looksLikeDiscImage(path) ? inspectDiscImage(path)
                                       : disc::Result<std::shared_ptr<disc::VirtualDisc>>(
                                             disc::failure(QStringLiteral("not named like a disc image")));
  if (!disc) {
    qCWarning(lcDisc, "disc image %s refused: %s", qPrintable(path), qPrintable(disc.reason()));
    return false;
  }
  std::lock_guard lock(mutex_);
  replaceVirtualLocked(*std::move(disc), QStringLiteral("disc image ") + (shownAs.isEmpty() ? path : shownAs));
  return true;
}

bool LinuxDriveManager::insertFolder(const QString& path, const QString& shownAs) {
  // "My VCD/MPEGAV/" (as tab completion writes it) and "My VCD//MPEGAV" name the same folder.
  const QString folder = QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::currentPath() + u'/' + path);
  struct stat st {};
  if (::stat(disc::bytesOfName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
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
    if (const disc::Result<void> readable = probe_(d.path)) drive.push_back(d);
    else qCDebug(lcDrives, "%s lies on %s, which cannot be read as a drive (%s): its files are read", qPrintable(folder),
                 qPrintable(d.path), qPrintable(readable.reason()));
  }
  if (!drive.empty()) {
    std::lock_guard lock(mutex_);
    replaceVirtualLocked(nullptr, {});
    preferred_ = uniqueDrives(drive).front();
    qCDebug(lcDrives, "%s lies on the disc in %s: that drive is read first", qPrintable(folder), qPrintable(preferred_));
    return true;
  }
  QString root = folder;
  const QString name = folder.section(u'/', -1);
  const auto isTrackFolder = [&name](const char16_t* trackFolder) {
    return disc::nameMatches(name, QString::fromUtf16(trackFolder).toStdString());
  };
  if (!holdsCopiedDisc(root) && (isTrackFolder(disc::kVideoCdTrackFolder) || isTrackFolder(disc::kSvcdTrackFolder)))
    root = folder.section(u'/', 0, -2).isEmpty() ? QStringLiteral("/") : folder.section(u'/', 0, -2);  // the copy's track folder, named in place of the copy
  if (!holdsCopiedDisc(root)) {
    qCWarning(lcDisc, "folder %s refused: it holds no MPEGAV or MPEG2 folder of a copied Video CD", qPrintable(folder));
    return false;
  }
  auto disc = std::make_shared<disc::VirtualDisc>(root, disc::CopiedFolder{root});
  std::lock_guard lock(mutex_);
  replaceVirtualLocked(std::move(disc), QStringLiteral("copied disc ") + (shownAs.isEmpty() ? path : shownAs));
  return true;
}

void LinuxDriveManager::forgetNamedMedia() {
  std::lock_guard lock(mutex_);
  replaceVirtualLocked(nullptr, {});
  preferred_.clear();
}

void LinuxDriveManager::ejectVirtualLocked() {
  if (virtual_) virtual_->setPresent(false);
  if (kept_ && kept_->virtualDisc) kept_.reset();
}

void LinuxDriveManager::replaceVirtualLocked(std::shared_ptr<disc::VirtualDisc> next, const QString& source) {
  ejectVirtualLocked();
  virtual_ = std::move(next);
  ++virtualSerial_;
  setDriveSource(kFirstDriveLetter, source);
}

void LinuxDriveManager::ejectVirtualDisc() {
  std::lock_guard lock(mutex_);
  ejectVirtualLocked();
}

void LinuxDriveManager::closeVirtualDisc() {
  std::lock_guard lock(mutex_);
  if (virtual_) virtual_->setPresent(true);
}

bool LinuxDriveManager::virtualDiscPresent() const {
  std::lock_guard lock(mutex_);
  return virtual_ && virtual_->present();
}

disc::Result<std::shared_ptr<disc::VirtualDisc>> LinuxDriveManager::copiedDiscIn(QChar letter) {
  for (const Drive& d : table()) {
    if (d.letter != letter || !d.virtualDisc || !d.virtualDisc->as<disc::CopiedFolder>()) continue;
    if (!d.virtualDisc->present())
      return disc::failure(QStringLiteral("No disc in drive %1").arg(QString(letter) + u':'));
    return d.virtualDisc;
  }
  return std::shared_ptr<disc::VirtualDisc>();
}

}  // namespace vcd::platform
