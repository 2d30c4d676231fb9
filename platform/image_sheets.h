#pragma once
#include "platform/image_files.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Disc images described by a sheet (CUE, cdrdao TOC) or made of plain 2,048-byte sectors (ISO),
// read by the player itself: the sheet is parsed and checked here, every data file it names is
// opened once (see image_files.h), and sectors are read from those files with pread. libcdio
// never sees these images. NRG images are only checked here (footer and chunks within the file,
// at most 99 tracks, track data inside the file) before libcdio opens them.
namespace vcd::platform {

// How a stored sector is laid out.
enum class SectorLayout {
  Raw,        // 2,352 bytes: sync and header (16), Mode 2 subheader (8), user data
  RawMode1,   // 2,352 bytes: sync and header (16), user data (2,048)
  Mode2,      // 2,336 bytes: subheader (8), user data
  Data2048,   // the 2,048 bytes of user data only (ISO, MODE1/2048, MODE2/2048)
  Form2Only,  // the 2,324-byte Form 2 payload only
  Audio,      // audio (or anything without a data sector inside)
};

// A run of sectors of the disc: stored in a file, or (file == nullptr) not stored at all
// (a pregap or a run of zeros the sheet asks for: such sectors cannot be read).
struct ImageRun {
  uint32_t lsn = 0;
  uint32_t sectors = 0;
  std::shared_ptr<ImageFile> file;
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

// Opens the file a sheet names (see ImageFile::openNamed); tests and fuzzers may open otherwise.
using SheetFileOpener = std::function<std::shared_ptr<ImageFile>(const QString& written, QString* why)>;

inline constexpr int kMaxTracks = 99;
inline constexpr qsizetype kMaxSheetBytes = 64 * 1024;
// The most an NRG image's chunks and footer take (a real one takes a few KiB): libcdio reads all
// of it into memory at once.
inline constexpr int64_t kMaxNrgChunkBytes = 1 << 20;

// A cue sheet: FILE (BINARY or MOTOROLA), TRACK (1..99, numbered in order, each with an
// INDEX 01), INDEX, PREGAP, POSTGAP; CD-TEXT and other descriptive lines are ignored (a
// CDTEXTFILE is never opened); any other keyword, a bad time or number refuses the sheet. A
// sheet with no FILE and no TRACK at all stands for `sameNamedBin` as one Mode 2 track.
// A leading UTF-8 byte-order mark and CR LF line ends are accepted.
std::optional<ImageLayout> parseCueSheet(const QByteArray& text, const SheetFileOpener& open,
                                         const SheetFileOpener& sameNamedBin, QString* why);

// A cdrdao TOC file: TRACK (mode and optional subchannel mode), DATAFILE / FILE / AUDIOFILE
// (offset "#n", start and length as times, samples or bytes), ZERO / SILENCE / PREGAP, START,
// INDEX; CD_TEXT blocks and flags are skipped; FIFO and anything unknown refuse the sheet.
// Data must lie inside its file.
std::optional<ImageLayout> parseTocSheet(const QByteArray& text, const SheetFileOpener& open, QString* why);

// A plain ISO image: 2,048-byte sectors from LSN 0.
ImageLayout isoLayout(std::shared_ptr<ImageFile> file);

// Whether an NRG image's structure lies inside the file: the footer ("NER5"/"NERO") points at a
// chain of known chunks that fits before it and ends in "END!", each no longer than a disc of 99
// tracks needs, the whole chain at most kMaxNrgChunkBytes; track tables of at most 99 tracks whose
// data lies inside the file. What libcdio would otherwise choke on; nothing larger than the
// chunk a length claims (bounded as above) is ever read.
bool checkNrg(const ImageFile& file, QString* why);

}  // namespace vcd::platform
