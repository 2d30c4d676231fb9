#include "disc/image_layout.h"

#include "disc/sectors.h"
#include "disc/sheet_parts.h"

#include <QList>
#include <algorithm>
#include <cstring>

namespace vcd::disc {

namespace sheet {

bool allDigits(QByteArrayView s, int maxDigits) {
  if (s.isEmpty() || s.size() > maxDigits) return false;
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<uint32_t> msf(const QByteArray& text) {
  const QList<QByteArray> parts = text.split(':');
  if (parts.size() != 3 || !allDigits(parts[0], 3) || !allDigits(parts[1], 2) || !allDigits(parts[2], 2))
    return std::nullopt;
  const uint32_t m = parts[0].toUInt(), s = parts[1].toUInt(), f = parts[2].toUInt();
  if (m > 99 || s >= 60 || f >= kFramesPerSecond) return std::nullopt;
  return (m * 60 + s) * kFramesPerSecond + f;
}

uint64_t sectorsLeft(const DataFile& file, int64_t offset, int blockBytes) {
  return offset >= file.size() ? 0 : static_cast<uint64_t>((file.size() - offset) / blockBytes);
}

bool LayoutBuilder::stored(const std::shared_ptr<DataFile>& file, int64_t offset, uint64_t sectors,
                           uint64_t storedSectors, const Format& f) {
  storedSectors = std::min(storedSectors, sectors);
  if (storedSectors > 0) {
    layout_.runs.push_back(ImageRun{static_cast<uint32_t>(lsn_), static_cast<uint32_t>(std::min<uint64_t>(storedSectors, kMaxLsn)),
                                    file, offset, f.blockBytes, f.layout});
    storedEnd_ = std::min<uint64_t>(lsn_ + storedSectors, kMaxLsn);
  }
  return advance(sectors);
}

ImageLayout LayoutBuilder::finish(int tracks) {
  layout_.endLsn = static_cast<uint32_t>(storedEnd_);
  layout_.tracks = tracks;
  return std::move(layout_);
}

}  // namespace sheet

int dataOffset(SectorLayout layout, bool form2) {
  switch (layout) {
    case SectorLayout::Raw: return 24;
    case SectorLayout::RawMode1: return form2 ? -1 : 16;
    case SectorLayout::Mode2: return 8;
    case SectorLayout::Data2048: return form2 ? -1 : 0;
    case SectorLayout::Form2Only: return form2 ? 0 : -1;
    case SectorLayout::Audio: return -1;
  }
  return -1;
}

ImageLayout isoLayout(std::shared_ptr<DataFile> file) {
  sheet::LayoutBuilder builder;
  const uint64_t sectors = std::min<uint64_t>(sheet::sectorsLeft(*file, 0, kForm1SectorBytes), sheet::kMaxLsn);
  builder.stored(file, 0, sectors, sectors, sheet::Format{kForm1SectorBytes, SectorLayout::Data2048});
  return builder.finish(1);
}

Result<void> checkIsoImage(const DataFile& file) {
  uint8_t descriptor[6] = {};
  if (!file.readAt(descriptor, sizeof descriptor, 16 * kForm1SectorBytes) || std::memcmp(descriptor, "\1CD001", 6) != 0)
    return failure(QStringLiteral("no ISO 9660 volume descriptor in sector 16"));
  return {};
}

}  // namespace vcd::disc
