#include "platform/copied_disc.h"

#include "platform/disc_track_stream.h"
#include "platform/image_files.h"
#include "platform/log.h"

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
constexpr QDir::Filters kEntries = QDir::Dirs | QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot;

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
  const QDir dir(folder);
  if (QFileInfo::exists(dir.filePath(name))) return dir.filePath(name);
  const QStringList entries = dir.entryList(kEntries, QDir::Name);
  const auto match = std::find_if(entries.begin(), entries.end(),
                                  [&](const QString& e) { return nameMatches(name, e.toStdString()); });
  return match == entries.end() ? QString() : dir.filePath(*match);
}

// The local path of `path` in the copy, or "" when a component is missing.
QString locate(const VirtualDisc& disc, const QString& path, const QString& discPath) {
  if (!disc.present) fail(QStringLiteral("No disc in the drive of %1").arg(discPath));
  QString here = disc.folder;
  for (const QString& component : path.split(u'/', Qt::SkipEmptyParts)) {
    if (component == u".") continue;
    if (component == u".." || !QFileInfo(here).isDir()) return {};
    here = findEntry(here, component);
    if (here.isEmpty()) return {};
  }
  return here;
}

}  // namespace

bool holdsCopiedDisc(const QString& folder) {
  for (const char16_t* name : {kVideoCdTrackFolder, kSvcdTrackFolder}) {
    const QString found = findEntry(folder, QString::fromUtf16(name));
    if (!found.isEmpty() && QFileInfo(found).isDir()) return true;
  }
  return false;
}

bool inSvcdTrackFolder(const QString& path) {
  const QStringList components = path.split(u'/', Qt::SkipEmptyParts);
  return components.size() == 2 && nameMatches(components.front(), QString::fromUtf16(kSvcdTrackFolder).toStdString());
}

std::vector<FolderEntry> listCopiedFolder(const VirtualDisc& disc, const QString& path, const QString& discPath) {
  const QString folder = locate(disc, path, discPath);
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) fail(QStringLiteral("Folder not found: %1").arg(discPath));
  std::vector<FolderEntry> listing;
  for (const QFileInfo& info : QDir(folder).entryInfoList(kEntries, QDir::Name)) {
    FolderEntry entry{info.fileName(), info.isDir(), 0};
    QString why;
    if (!entry.isFolder)
      if (const auto file = ImageFile::open(info.filePath(), &why)) entry.size = layoutOf(*file).bytes;
    listing.push_back(entry);
  }
  qCDebug(lcDisc, "folder %s (%s): %zu entries", qPrintable(discPath), qPrintable(folder), listing.size());
  return listing;
}

std::unique_ptr<TrackStream> openCopiedFile(std::shared_ptr<VirtualDisc> disc, const QString& path,
                                            const QString& discPath, std::shared_ptr<ReadPacer> pacer) {
  const QString local = locate(*disc, path, discPath);
  if (local.isEmpty()) fail(QStringLiteral("File not found: %1").arg(discPath));
  QString why;
  std::shared_ptr<ImageFile> file = ImageFile::open(local, &why);
  if (!file) fail(QStringLiteral("Cannot open %1: %2").arg(discPath, why));
  const CopiedLayout layout = layoutOf(*file);
  qCDebug(lcDisc, "%s is %s, %lld bytes of stream", qPrintable(local),
          layout.rawSectors ? "a CDXA copy of raw sectors" : "a plain copy", static_cast<long long>(layout.bytes));
  DiscEntry entry;
  entry.storedName = QFileInfo(local).fileName().toStdString();
  entry.form2 = layout.rawSectors;
  entry.size = static_cast<uint32_t>(layout.rawSectors ? static_cast<int64_t>(layout.blocks) * kForm1SectorBytes : layout.bytes);
  auto stream = std::make_unique<DiscTrackStream>(std::make_unique<CopiedTrack>(disc, std::move(file), layout), entry,
                                                  std::move(pacer));
  if (inSvcdTrackFolder(path)) stream->setVariableRate();
  return stream;
}

}  // namespace vcd::platform
