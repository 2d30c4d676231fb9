#pragma once
#include "disc/image_layout.h"

#include <QByteArrayView>
#include <optional>

// What the sheet readers share: sector formats, times, and the builder of a layout. Not for use
// outside the disc layer's image readers.
namespace vcd::disc::sheet {

inline constexpr int kFramesPerSecond = 75;
inline constexpr uint64_t kMaxLsn = 0x7FFFFFFFu;  // some 4.7 TB of raw sectors: anything more is damage

struct Format {
  int blockBytes;
  SectorLayout layout;
};

bool allDigits(QByteArrayView s, int maxDigits);
// "mm:ss:ff" as frames; minutes up to 99, seconds below 60, frames below 75.
std::optional<uint32_t> msf(const QByteArray& text);
// Sectors of `blockBytes` left in a file from `offset` on.
uint64_t sectorsLeft(const DataFile& file, int64_t offset, int blockBytes);

// Appends the runs of one stretch of the disc; false when the disc grows past any real one.
class LayoutBuilder {
 public:
  bool gap(uint64_t sectors) { return advance(sectors); }
  bool stored(const std::shared_ptr<DataFile>& file, int64_t offset, uint64_t sectors, uint64_t storedSectors,
              const Format& f);
  ImageLayout finish(int tracks);

 private:
  bool advance(uint64_t sectors) {
    lsn_ += sectors;
    return lsn_ <= kMaxLsn;
  }
  ImageLayout layout_;
  uint64_t lsn_ = 0;
  uint64_t storedEnd_ = 0;
};

}  // namespace vcd::disc::sheet
