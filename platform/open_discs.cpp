// Listing folders and opening files on the discs of the drive table: the disc kept open since
// the last listing, the walk along a disc path, and the one place where the disc layer's
// failures become the window's DiscError and the terminal's line.
#include "platform/linux_drives.h"

#include "disc/copied_track.h"
#include "disc/iso9660_folders.h"
#include "platform/cdio_disc.h"
#include "platform/copied_disc.h"
#include "platform/disc_images.h"
#include "platform/drive_status.h"
#include "platform/log.h"
#include "platform/open_disc.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <set>

namespace vcd::platform {

using disc::DiscEntry;
using disc::failure;
using disc::kForm1SectorBytes;

std::optional<DiscEntry> OpenDisc::root() {
  std::lock_guard lock(mutex);
  if (!rootRead) root_ = disc::rootFolder(*handle, &label_), rootRead = true;
  return root_;
}

QString OpenDisc::label() {
  root();
  std::lock_guard lock(mutex);
  return label_;
}

std::optional<std::vector<DiscEntry>> OpenDisc::folder(const DiscEntry& f) {
  std::lock_guard lock(mutex);
  const auto key = std::make_pair(f.lsn, f.size);
  if (auto it = folders.find(key); it != folders.end()) return it->second;
  auto entries = disc::readFolderRecords(*handle, f, withDriveSource(QString(letter) + u':'));
  if (entries) {
    if (folders.size() >= 16) folders.clear();
    folders.emplace(key, *entries);
  }
  return entries;
}

namespace {

QString driveName(QChar letter) { return QString(letter) + u':'; }

// The boundary: a failure of the disc layer becomes the DiscError the window's handlers catch
// (and show), after the terminal line it carries, if any.
[[noreturn]] void raise(const disc::Failure& f) {
  if (!f.report.isEmpty()) qCWarning(lcDisc, "%s", qPrintable(f.report));
  throw DiscError(f.reason.toStdString());
}

template <typename T>
T delivered(disc::Result<T> result) {
  if (!result) raise(result.error());
  return *std::move(result);
}

// A stream's hold on the shared disc.
class SharedDisc : public disc::DiscHandle {
 public:
  explicit SharedDisc(std::shared_ptr<OpenDisc> disc) : disc_(std::move(disc)) {}
  bool readSectors(uint8_t* buf, uint32_t lsn, uint32_t count, bool form2) override {
    return disc_->handle->readSectors(buf, lsn, count, form2);
  }
  uint32_t endLsn() override { return disc_->handle->endLsn(); }
  bool mediumPresent() override { return disc_->handle->mediumPresent(); }
  bool storesForm2(uint32_t lsn) override { return disc_->handle->storesForm2(lsn); }
  bool setSlowReading(bool slow) override { return disc_->handle->setSlowReading(slow); }
  bool slowReading() override { return disc_->handle->slowReading(); }

 private:
  std::shared_ptr<OpenDisc> disc_;
};

// Walks a disc path component by component, matching names as the user may write them.
// `missing` names what the path was meant to be ("Folder", "File") for the reason.
disc::Result<DiscEntry> locate(OpenDisc& disc, const disc::DiscPath& where, const char* missing) {
  const QString discPath = where.text();
  const QChar letter = where.letter;
  const std::optional<DiscEntry> root = disc.root();
  if (!root)
    return failure(QStringLiteral("The disc in drive %1 has no readable file system").arg(driveName(letter)),
                   QStringLiteral("the disc in drive %1 has no readable ISO 9660 file system")
                       .arg(withDriveSource(driveName(letter))));
  DiscEntry here = *root;
  std::set<uint32_t> walked{root->lsn};
  const QStringList components = where.path.split(u'/', Qt::SkipEmptyParts);
  for (qsizetype i = 0; i < components.size(); ++i) {
    const QString& wanted = components[i];
    if (wanted == u".") continue;
    if (!here.isFolder) return failure(QStringLiteral("%1 not found: %2").arg(QLatin1String(missing), discPath));
    const auto entries = disc.folder(here);
    if (!entries)
      return failure(QStringLiteral("Cannot read the folder %1").arg(discPath),
                     QStringLiteral("cannot read a folder of %1 (sectors %2 to %3)")
                         .arg(withDriveSource(discPath))
                         .arg(here.lsn)
                         .arg(here.lsn + here.size / kForm1SectorBytes));
    const auto match = std::find_if(entries->begin(), entries->end(),
                                    [&](const DiscEntry& e) { return disc::nameMatches(wanted, e.storedName); });
    if (match == entries->end()) {
      const bool last = i == components.size() - 1;
      return failure(QStringLiteral("%1 not found: %2").arg(QLatin1String(last ? missing : "Folder"), discPath));
    }
    if (match->isFolder && !walked.insert(match->lsn).second)
      return failure(QStringLiteral("Cannot read the folder %1").arg(discPath),
                     QStringLiteral("the folders of %1 lead back into themselves").arg(withDriveSource(discPath)));
    here = *match;
  }
  return here;
}

// A record as its sectors are stored: a file marked Form 2 on an image of 2,048-byte sectors (an
// ISO made of a Video CD keeps the marks of the disc's records) holds 2,048-byte sectors.
DiscEntry asStored(disc::DiscHandle& disc, DiscEntry e) {
  if (e.form2 && !e.isFolder && !disc.storesForm2(e.lsn)) e.form2 = false;
  return e;
}

// Whether the optical drive still holds the disc that was opened (asked before it is reused;
// asking clears the drive's "medium changed" mark).
bool sameMediumInDrive(const QString& device) {
  const DriveDevice drive(device);
  if (!drive.isOpen()) return false;
  const DriveState state = drive.state();
  return (state == DriveState::DiscOk || state == DriveState::Unknown) && !drive.mediumChanged();
}

}  // namespace

disc::Result<std::shared_ptr<OpenDisc>> LinuxDriveManager::openDisc(QChar letter) {
  const std::vector<Drive> drives = table();
  const auto drive = std::find_if(drives.begin(), drives.end(), [&](const Drive& d) { return d.letter == letter; });
  if (drive == drives.end()) return failure(QStringLiteral("There is no drive %1").arg(driveName(letter)));
  {
    std::lock_guard lock(mutex_);
    if (kept_ && kept_->letter == letter && kept_->device == drive->device && kept_->virtualDisc == drive->virtualDisc &&
        (drive->virtualDisc ? drive->virtualDisc->present() : sameMediumInDrive(drive->device)))
      return kept_;
  }
  auto disc = std::make_shared<OpenDisc>();
  disc->letter = letter;
  disc->device = drive->device;
  disc->virtualDisc = drive->virtualDisc;
  OpenedDisc handle = drive->virtualDisc ? openVirtualDisc(drive->virtualDisc, driveName(letter))
                                         : openDriveDisc(drive->device, driveName(letter));
  if (!handle) return handle.error();
  disc->handle = drive->virtualDisc ? withReadFaults(*std::move(handle), faults_) : *std::move(handle);
  if (!drive->virtualDisc) sameMediumInDrive(drive->device);  // clears the drive's "medium changed" mark for the next reuse
  std::lock_guard lock(mutex_);
  ++opened_;
  kept_ = disc;
  return disc;
}

std::vector<disc::FolderEntry> LinuxDriveManager::listFolder(const disc::DiscPath& where) {
  const QString discPath = where.text();
  if (const auto copy = delivered(copiedDiscIn(where.letter)))
    return delivered(listCopiedFolder(*copy, *copy->as<disc::CopiedFolder>(), where.path, discPath));
  const std::shared_ptr<OpenDisc> disc = delivered(openDisc(where.letter));
  const DiscEntry folder = delivered(locate(*disc, where, "Folder"));
  if (!folder.isFolder) raise(failure(QStringLiteral("Not a folder: %1").arg(discPath)));
  const auto entries = disc->folder(folder);
  if (!entries)
    raise(failure(QStringLiteral("Cannot read the folder %1").arg(discPath), QStringLiteral("cannot read the folder %1").arg(discPath)));

  std::vector<disc::FolderEntry> listing;
  listing.reserve(entries->size());
  const uint32_t end = disc->handle->endLsn();
  for (const DiscEntry& e : *entries) {
    listing.push_back(disc::FolderEntry{
        disc::displayName(e.storedName), e.isFolder,
        e.isFolder ? static_cast<int64_t>(e.size) : disc::extentOf(asStored(*disc->handle, e), end).size});
  }
  qCDebug(lcDisc, "folder %s: %zu entries", qPrintable(discPath), listing.size());
  return listing;
}

std::unique_ptr<TrackStream> LinuxDriveManager::openFile(const disc::DiscPath& where) {
  if (auto copy = delivered(copiedDiscIn(where.letter))) {
    const disc::CopiedFolder folder = *copy->as<disc::CopiedFolder>();
    return delivered(openCopiedFile(std::move(copy), folder, where.path, where.text(), pacer_));
  }
  std::shared_ptr<OpenDisc> disc = delivered(openDisc(where.letter));
  const DiscEntry file = asStored(*disc->handle, delivered(locate(*disc, where, "File")));
  if (file.isFolder) raise(failure(QStringLiteral("Not a file: %1").arg(where.text())));
  auto stream = std::make_unique<disc::DiscTrackStream>(std::make_unique<SharedDisc>(std::move(disc)), file, pacer_);
  stream->setShownName(withDriveSource(where.text()));
  if (disc::inSvcdTrackFolder(where.path)) stream->setVariableRate();
  return stream;
}

QString LinuxDriveManager::discName(QChar letter) {
  letter = letter.toUpper();
  for (const Drive& d : table())
    if (d.letter == letter && d.virtualDisc) return QFileInfo(QDir::cleanPath(d.virtualDisc->imagePath())).fileName();
  const auto disc = openDisc(letter);
  if (!disc) {
    qCDebug(lcDisc, "no name for the disc in %s: %s", qPrintable(driveName(letter)), qPrintable(disc.reason()));
    return {};
  }
  return (*disc)->label();
}

}  // namespace vcd::platform
