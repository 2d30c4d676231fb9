#pragma once
#include "disc/data_file.h"
#include "disc/result.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Disc images described by a sheet (CUE, cdrdao TOC; cue_sheet.h, toc_sheet.h) or made of plain
// 2,048-byte sectors (ISO), read by the player itself: the sheet is parsed and checked, every
// data file it names is opened once (by the opener it is handed), and sectors are read from
// those files with pread (image_disc.h). libcdio never sees these images.
namespace vcd::disc {

// How a stored sector is laid out.
enum class SectorLayout {
  Raw,        // 2,352 bytes: sync and header (16), Mode 2 subheader (8), user data
  RawMode1,   // 2,352 bytes: sync and header (16), user data (2,048)
  Mode2,      // 2,336 bytes: subheader (8), user data
  Data2048,   // the 2,048 bytes of user data only (ISO, MODE1/2048, MODE2/2048)
  Form2Only,  // the 2,324-byte Form 2 payload only
  Audio,      // audio (or anything without a data sector inside)
};

// Where the wanted bytes sit in a stored sector of this layout; -1 when it holds none.
int dataOffset(SectorLayout layout, bool form2);

// A run of sectors of the disc: stored in a file, or (file == nullptr) not stored at all
// (a pregap or a run of zeros the sheet asks for: such sectors cannot be read).
struct ImageRun {
  uint32_t lsn = 0;
  uint32_t sectors = 0;
  std::shared_ptr<DataFile> file;
  int64_t offset = 0;      // of the first sector in the file
  int blockBytes = 2352;   // stored bytes per sector (subchannel data included)
  SectorLayout layout = SectorLayout::Raw;
};

// The sectors of a disc image, in LSN order, without overlaps.
struct ImageLayout {
  std::vector<ImageRun> runs;
  uint32_t endLsn = 0;  // the lead-out
  int tracks = 0;
};

// Opens the file a sheet names as `written` (the drive table opens it inside the sheet's folder
// only; tests and fuzzers may open otherwise).
using SheetFileOpener = std::function<Result<std::shared_ptr<DataFile>>(const QString& written)>;

inline constexpr int kMaxTracks = 99;
inline constexpr qsizetype kMaxSheetBytes = 64 * 1024;

// A plain ISO image: 2,048-byte sectors from LSN 0.
ImageLayout isoLayout(std::shared_ptr<DataFile> file);

// Whether sector 16 of a plain ISO image holds the ISO 9660 volume descriptor.
Result<void> checkIsoImage(const DataFile& file);

}  // namespace vcd::disc
