#include "platform/copied_disc.h"

#include "disc/copied_track.h"
#include "disc/file_names.h"
#include "disc/iso9660_folders.h"
#include "platform/image_files.h"
#include "platform/log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vcd::platform {

using disc::bytesOfName;
using disc::failure;
using disc::FolderEntry;
using disc::kSvcdTrackFolder;
using disc::kVideoCdTrackFolder;
using disc::nameMatches;
using disc::VirtualDisc;

namespace {

// The files of a folder whose stream length a listing measures (by reading their first bytes):
// more than a disc's 98 tracks. Past them a listing opens nothing and counts a file's bytes.
constexpr int kMeasuredFiles = 128;

// The entry of `folder` that `name` designates: the exact name, else one that matches as a name
// on a disc does. Empty when there is none.
QString findEntry(const QString& folder, const QString& name) {
  if (name.isEmpty() || name.contains(u'/') || name.contains(QChar(0))) return {};
  if (pathExists(joinedPath(folder, name))) return joinedPath(folder, name);
  for (const QString& entry : folderNames(folder, kMaxFolderEntries))
    if (nameMatches(name, bytesOfName(entry).toStdString())) return joinedPath(folder, entry);
  return {};
}

bool isFolder(const QString& path) {
  struct stat st {};
  return ::stat(bytesOfName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Whether `real` (resolved) is the copy's folder `root` (resolved) or lies below it.
bool within(const QString& real, const QString& root) {
  return !real.isEmpty() && !root.isEmpty() && (real == root || real.startsWith(root.endsWith(u'/') ? root : root + u'/'));
}

// The local path of `path` in the copy, resolved, or "" when a component is missing or leads
// (through a symlink) out of the folder the user named: nothing outside it is looked into.
disc::Result<QString> locate(const VirtualDisc& disc, const disc::CopiedFolder& copy, const QString& path,
                             const QString& discPath) {
  if (!disc.present()) return failure(QStringLiteral("No disc in the drive of %1").arg(discPath));
  const QString root = resolvedPath(copy.folder);
  QString here = root;
  for (const QString& component : path.split(u'/', Qt::SkipEmptyParts)) {
    if (component == u".") continue;
    if (component == u".." || !isFolder(here)) return QString();
    const QString next = findEntry(here, component);
    if (next.isEmpty()) return QString();
    here = resolvedPath(next);
    if (!within(here, root)) {
      qCWarning(lcDisc, "%s in the copied disc %s leads out of it: not followed", qPrintable(next), qPrintable(copy.folder));
      return QString();
    }
  }
  return here;
}

// Says once per disc (the playlist lists its folder several times) why a file is left out.
void reportLeftOut(const VirtualDisc& disc, const QString& file, const QString& why) {
  if (!disc.firstReportOf(file)) return;
  qCWarning(lcDisc, "%s is left out of the copied disc: %s", qPrintable(file), qPrintable(why));
}

}  // namespace

bool holdsCopiedDisc(const QString& folder) {
  const QString root = resolvedPath(folder);
  for (const char16_t* name : {kVideoCdTrackFolder, kSvcdTrackFolder}) {
    const QString found = findEntry(folder, QString::fromUtf16(name));
    if (!found.isEmpty() && isFolder(found) && within(resolvedPath(found), root) && resolvedPath(found) != root) return true;
  }
  return false;
}

disc::Result<std::vector<FolderEntry>> listCopiedFolder(const VirtualDisc& disc, const disc::CopiedFolder& copy,
                                                        const QString& path, const QString& discPath) {
  const auto located = locate(disc, copy, path, discPath);
  if (!located) return located.error();
  const QString folder = *located;
  if (folder.isEmpty() || !isFolder(folder)) return failure(QStringLiteral("Folder not found: %1").arg(discPath));
  const QString root = resolvedPath(copy.folder);
  bool cut = false;
  std::vector<QString> names = folderNames(folder, kMaxFolderEntries, &cut);
  if (cut) qCWarning(lcDisc, "%s holds more than %zu entries: only the first are listed", qPrintable(folder), kMaxFolderEntries);
  // In the order of a disc's folder (names without regard to case), so the files measured below
  // are the first ones.
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
  });
  const int dir = ::open(bytesOfName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0)
    return failure(QStringLiteral("Cannot read the folder %1: %2").arg(discPath, QString::fromLocal8Bit(std::strerror(errno))));
  std::vector<FolderEntry> listing;
  int measured = 0;
  for (const QString& name : names) {
    const QByteArray bytes = bytesOfName(name);
    const QString local = joinedPath(folder, name);
    struct stat st {};
    if (::fstatat(dir, bytes.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
    if (S_ISLNK(st.st_mode)) {
      // Followed only where it stays inside the folder the user named; what it leads to is
      // looked at (stat) only then.
      const QString real = resolvedPath(local);
      if (real.isEmpty()) {
        reportLeftOut(disc, local, QStringLiteral("a symlink that leads nowhere"));
        continue;
      }
      if (!within(real, root) || real == root) {
        reportLeftOut(disc, local, QStringLiteral("a symlink that leads out of %1").arg(copy.folder));
        continue;
      }
      if (::stat(bytesOfName(real).constData(), &st) != 0) continue;
    }
    if (S_ISDIR(st.st_mode)) {
      listing.push_back(FolderEntry{name, true, 0});
      continue;
    }
    if (!S_ISREG(st.st_mode)) {
      reportLeftOut(disc, local, QStringLiteral("not a regular file"));
      continue;
    }
    if (::faccessat(dir, bytes.constData(), R_OK, AT_EACCESS) != 0) {
      reportLeftOut(disc, local, QString::fromLocal8Bit(std::strerror(errno)));
      continue;
    }
    FolderEntry entry{name, false, std::min<int64_t>(st.st_size, UINT32_MAX)};
    if (measured < kMeasuredFiles) {
      ++measured;
      const auto file = openFileInside(root, local, false, local);
      if (!file) {
        reportLeftOut(disc, local, file.reason());
        continue;
      }
      const disc::CopiedLayout layout = disc::copiedLayoutOf(**file);
      // A CDXA header whose data chunk holds no whole sector: nothing to play, and listed it
      // would stop the disc at its first track.
      if (layout.rawSectors && layout.blocks == 0) {
        reportLeftOut(disc, local, QStringLiteral("its RIFF CDXA data holds no whole sector"));
        continue;
      }
      entry.size = layout.bytes;
    }
    listing.push_back(entry);
  }
  ::close(dir);
  qCDebug(lcDisc, "folder %s (%s): %zu entries", qPrintable(discPath), qPrintable(folder), listing.size());
  return listing;
}

disc::Result<std::unique_ptr<disc::TrackStream>> openCopiedFile(std::shared_ptr<VirtualDisc> disc,
                                                                const disc::CopiedFolder& copy, const QString& path,
                                                                const QString& discPath,
                                                                std::shared_ptr<disc::ReadPacer> pacer) {
  const auto local = locate(*disc, copy, path, discPath);
  if (!local) return local.error();
  if (local->isEmpty()) return failure(QStringLiteral("File not found: %1").arg(discPath));
  auto file = openFileInside(resolvedPath(copy.folder), *local, false, *local);
  if (!file)
    return failure(QStringLiteral("Cannot open %1: %2").arg(discPath, file.reason()),
                   QStringLiteral("%1 cannot be opened: %2").arg(withDriveSource(discPath), file.reason()));
  const disc::CopiedLayout layout = disc::copiedLayoutOf(**file);
  qCDebug(lcDisc, "%s is %s, %lld bytes of stream", qPrintable(*local),
          layout.rawSectors ? "a CDXA copy of raw sectors" : "a plain copy", static_cast<long long>(layout.bytes));
  const disc::DiscEntry entry = disc::copiedTrackRecord(QFileInfo(*local).fileName(), layout);
  auto stream = std::make_unique<disc::DiscTrackStream>(disc::copiedTrackSectors(disc, *std::move(file), layout), entry,
                                                        std::move(pacer));
  stream->setShownName(withDriveSource(discPath));
  if (disc::inSvcdTrackFolder(path)) stream->setVariableRate();
  return std::unique_ptr<disc::TrackStream>(std::move(stream));
}

}  // namespace vcd::platform
