#include "platform/copied_disc.h"

#include "platform/disc_track_stream.h"
#include "platform/file_names.h"
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

namespace {

constexpr int kRawSectorBytes = 2352;
constexpr int kRawPayloadOffset = 24;  // sync (12), header (4), XA subheader (8)
constexpr int64_t kMaxHeaderBytes = 4096;  // a CDXA file's chunks before its sectors (44 bytes as Windows writes them)
// The files of a folder whose stream length a listing measures (by reading their first bytes):
// more than a disc's 98 tracks. Past them a listing opens nothing and counts a file's bytes.
constexpr int kMeasuredFiles = 128;

[[noreturn]] void fail(const QString& message) { throw DiscError(message.toStdString()); }


uint32_t littleEndian32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

// How a copied track holds its stream.
struct CopiedLayout {
  bool rawSectors = false;  // a RIFF CDXA file: whole 2,352-byte sectors from dataStart on
  int64_t dataStart = 0;
  uint32_t blocks = 0;      // raw sectors, or 2,048-byte blocks of the plain stream
  int64_t bytes = 0;        // what the stream yields
};

CopiedLayout layoutOf(const ImageFile& file) {
  const int64_t size = file.size();
  uint8_t head[12];
  if (size >= 12 && readFully(file.fd(), head, sizeof head, 0) && std::memcmp(head, "RIFF", 4) == 0 &&
      std::memcmp(head + 8, "CDXA", 4) == 0) {
    // The chunks after the header: "fmt " (the XA attributes), then "data" with the sectors.
    // Looked for near the start only: a damaged header must not make a listing read the file.
    int64_t at = 12;
    uint8_t chunk[8];
    while (at + 8 <= std::min<int64_t>(size, kMaxHeaderBytes) && readFully(file.fd(), chunk, sizeof chunk, at)) {
      const int64_t length = littleEndian32(chunk + 4);
      if (std::memcmp(chunk, "data", 4) == 0) {
        const int64_t sectors = std::min(length, size - at - 8) / kRawSectorBytes;
        // A directory record counts at most 4 GB of 2,048-byte blocks.
        const auto blocks = static_cast<uint32_t>(std::min<int64_t>(sectors, UINT32_MAX / kForm1SectorBytes));
        return CopiedLayout{true, at + 8, blocks, static_cast<int64_t>(blocks) * kForm2SectorBytes};
      }
      at += 8 + length + (length & 1);
    }
  }
  const int64_t bytes = std::min<int64_t>(size, UINT32_MAX);
  return CopiedLayout{false, 0, static_cast<uint32_t>((bytes + kForm1SectorBytes - 1) / kForm1SectorBytes), bytes};
}

// One copied track as the sectors of a disc, so it is read exactly as a disc's track is.
class CopiedTrack : public DiscHandle {
 public:
  CopiedTrack(std::shared_ptr<VirtualDisc> disc, std::shared_ptr<ImageFile> file, CopiedLayout layout)
      : disc_(std::move(disc)), file_(std::move(file)), layout_(layout) {}

  bool readSectors(uint8_t* buf, uint32_t lsn, uint32_t count, bool form2) override {
    if (!disc_->present) return false;
    if (lsn >= layout_.blocks || count > layout_.blocks - lsn) return false;
    if (!layout_.rawSectors) {
      if (form2) return false;
      const int64_t offset = static_cast<int64_t>(lsn) * kForm1SectorBytes;
      const int64_t want = static_cast<int64_t>(count) * kForm1SectorBytes;
      const int64_t have = std::min(want, layout_.bytes - offset);
      std::memset(buf + have, 0, static_cast<size_t>(want - have));  // past the end of the last block
      return readFully(file_->fd(), buf, static_cast<size_t>(have), offset);
    }
    raw_.resize(static_cast<size_t>(count) * kRawSectorBytes);
    if (!readFully(file_->fd(), raw_.data(), raw_.size(), layout_.dataStart + static_cast<int64_t>(lsn) * kRawSectorBytes))
      return false;
    const int out = form2 ? kForm2SectorBytes : kForm1SectorBytes;
    for (uint32_t i = 0; i < count; ++i)
      std::memcpy(buf + static_cast<size_t>(i) * out, raw_.data() + static_cast<size_t>(i) * kRawSectorBytes + kRawPayloadOffset,
                  static_cast<size_t>(out));
    return true;
  }
  uint32_t endLsn() override { return layout_.blocks; }
  bool mediumPresent() override { return disc_->present && file_->stillThere(); }

 private:
  std::shared_ptr<VirtualDisc> disc_;
  std::shared_ptr<ImageFile> file_;
  CopiedLayout layout_;
  std::vector<uint8_t> raw_;
};

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
QString locate(const VirtualDisc& disc, const QString& path, const QString& discPath) {
  if (!disc.present) fail(QStringLiteral("No disc in the drive of %1").arg(discPath));
  const QString root = resolvedPath(disc.folder);
  QString here = root;
  for (const QString& component : path.split(u'/', Qt::SkipEmptyParts)) {
    if (component == u".") continue;
    if (component == u".." || !isFolder(here)) return {};
    const QString next = findEntry(here, component);
    if (next.isEmpty()) return {};
    here = resolvedPath(next);
    if (!within(here, root)) {
      qCWarning(lcDisc, "%s in the copied disc %s leads out of it: not followed", qPrintable(next), qPrintable(disc.folder));
      return {};
    }
  }
  return here;
}

// Says once per disc (the playlist lists its folder several times) why a file is left out.
void reportLeftOut(const VirtualDisc& disc, const QString& file, const QString& why) {
  {
    std::lock_guard lock(disc.reportedMutex);
    if (disc.reported.contains(file)) return;
    disc.reported.insert(file);
  }
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

bool inSvcdTrackFolder(const QString& path) {
  const QStringList components = path.split(u'/', Qt::SkipEmptyParts);
  return components.size() == 2 && nameMatches(components.front(), QString::fromUtf16(kSvcdTrackFolder).toStdString());
}

std::vector<FolderEntry> listCopiedFolder(const VirtualDisc& disc, const QString& path, const QString& discPath) {
  const QString folder = locate(disc, path, discPath);
  if (folder.isEmpty() || !isFolder(folder)) fail(QStringLiteral("Folder not found: %1").arg(discPath));
  const QString root = resolvedPath(disc.folder);
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
  if (dir < 0) fail(QStringLiteral("Cannot read the folder %1: %2").arg(discPath, QString::fromLocal8Bit(std::strerror(errno))));
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
        reportLeftOut(disc, local, QStringLiteral("a symlink that leads out of %1").arg(disc.folder));
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
      QString why;
      const auto file = ImageFile::openInside(root, local, false, local, &why);
      if (!file) {
        reportLeftOut(disc, local, why);
        continue;
      }
      const CopiedLayout layout = layoutOf(*file);
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

std::unique_ptr<TrackStream> openCopiedFile(std::shared_ptr<VirtualDisc> disc, const QString& path,
                                            const QString& discPath, std::shared_ptr<ReadPacer> pacer) {
  const QString local = locate(*disc, path, discPath);
  if (local.isEmpty()) fail(QStringLiteral("File not found: %1").arg(discPath));
  QString why;
  std::shared_ptr<ImageFile> file = ImageFile::openInside(resolvedPath(disc->folder), local, false, local, &why);
  if (!file) {
    qCWarning(lcDisc, "%s cannot be opened: %s", qPrintable(withDriveSource(discPath)), qPrintable(why));
    fail(QStringLiteral("Cannot open %1: %2").arg(discPath, why));
  }
  const CopiedLayout layout = layoutOf(*file);
  qCDebug(lcDisc, "%s is %s, %lld bytes of stream", qPrintable(local),
          layout.rawSectors ? "a CDXA copy of raw sectors" : "a plain copy", static_cast<long long>(layout.bytes));
  DiscEntry entry;
  entry.storedName = bytesOfName(QFileInfo(local).fileName()).toStdString();
  entry.form2 = layout.rawSectors;
  entry.size = static_cast<uint32_t>(layout.rawSectors ? static_cast<int64_t>(layout.blocks) * kForm1SectorBytes : layout.bytes);
  auto stream = std::make_unique<DiscTrackStream>(std::make_unique<CopiedTrack>(disc, std::move(file), layout), entry,
                                                  std::move(pacer));
  stream->setShownName(withDriveSource(discPath));
  if (inSvcdTrackFolder(path)) stream->setVariableRate();
  return stream;
}

}  // namespace vcd::platform
