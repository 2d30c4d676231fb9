#include "disc/copied_track.h"

#include "disc/file_names.h"
#include "disc/iso9660_folders.h"

#include <QStringList>
#include <algorithm>
#include <cstring>
#include <vector>

namespace vcd::disc {

namespace {

constexpr int kRawSectorBytes = 2352;
constexpr int kRawPayloadOffset = 24;  // sync (12), header (4), XA subheader (8)
constexpr int64_t kMaxHeaderBytes = 4096;  // a CDXA file's chunks before its sectors (44 bytes as Windows writes them)

uint32_t littleEndian32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

class CopiedTrack : public DiscHandle {
 public:
  CopiedTrack(std::shared_ptr<VirtualDisc> disc, std::shared_ptr<DataFile> file, CopiedLayout layout)
      : disc_(std::move(disc)), file_(std::move(file)), layout_(layout) {}

  bool readSectors(uint8_t* buf, uint32_t lsn, uint32_t count, bool form2) override {
    if (!disc_->present()) return false;
    if (lsn >= layout_.blocks || count > layout_.blocks - lsn) return false;
    if (!layout_.rawSectors) {
      if (form2) return false;
      const int64_t offset = static_cast<int64_t>(lsn) * kForm1SectorBytes;
      const int64_t want = static_cast<int64_t>(count) * kForm1SectorBytes;
      const int64_t have = std::min(want, layout_.bytes - offset);
      std::memset(buf + have, 0, static_cast<size_t>(want - have));  // past the end of the last block
      return file_->readAt(buf, static_cast<size_t>(have), offset);
    }
    raw_.resize(static_cast<size_t>(count) * kRawSectorBytes);
    if (!file_->readAt(raw_.data(), raw_.size(), layout_.dataStart + static_cast<int64_t>(lsn) * kRawSectorBytes))
      return false;
    const int out = form2 ? kForm2SectorBytes : kForm1SectorBytes;
    for (uint32_t i = 0; i < count; ++i)
      std::memcpy(buf + static_cast<size_t>(i) * out, raw_.data() + static_cast<size_t>(i) * kRawSectorBytes + kRawPayloadOffset,
                  static_cast<size_t>(out));
    return true;
  }
  uint32_t endLsn() override { return layout_.blocks; }
  bool mediumPresent() override { return disc_->present() && file_->stillThere(); }

 private:
  std::shared_ptr<VirtualDisc> disc_;
  std::shared_ptr<DataFile> file_;
  CopiedLayout layout_;
  std::vector<uint8_t> raw_;
};

}  // namespace

bool inSvcdTrackFolder(const QString& path) {
  const QStringList components = path.split(u'/', Qt::SkipEmptyParts);
  return components.size() == 2 && nameMatches(components.front(), QString::fromUtf16(kSvcdTrackFolder).toStdString());
}

CopiedLayout copiedLayoutOf(const DataFile& file) {
  const int64_t size = file.size();
  uint8_t head[12];
  if (size >= 12 && file.readAt(head, sizeof head, 0) && std::memcmp(head, "RIFF", 4) == 0 &&
      std::memcmp(head + 8, "CDXA", 4) == 0) {
    // The chunks after the header: "fmt " (the XA attributes), then "data" with the sectors.
    // Looked for near the start only: a damaged header must not make a listing read the file.
    int64_t at = 12;
    uint8_t chunk[8];
    while (at + 8 <= std::min<int64_t>(size, kMaxHeaderBytes) && file.readAt(chunk, sizeof chunk, at)) {
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

std::unique_ptr<DiscHandle> copiedTrackSectors(std::shared_ptr<VirtualDisc> disc, std::shared_ptr<DataFile> file,
                                               const CopiedLayout& layout) {
  return std::make_unique<CopiedTrack>(std::move(disc), std::move(file), layout);
}

DiscEntry copiedTrackRecord(const QString& fileName, const CopiedLayout& layout) {
  DiscEntry entry;
  entry.storedName = bytesOfName(fileName).toStdString();
  entry.form2 = layout.rawSectors;
  entry.size = static_cast<uint32_t>(layout.rawSectors ? static_cast<int64_t>(layout.blocks) * kForm1SectorBytes : layout.bytes);
  return entry;
}

}  // namespace vcd::disc
