#pragma once
#include <QString>
#include <cstdint>
#include <cstring>
#include <string>

// The sectors of a disc and the records that point into them: what every reader of a disc (an
// optical drive, an image, a copied track) hands the folder reader and the track streams.
namespace vcd::disc {

inline constexpr int kForm1SectorBytes = 2048;  // user data of a Mode 1 / Mode 2 Form 1 sector
inline constexpr int kForm2SectorBytes = 2324;  // payload of a Mode 2 Form 2 sector (Video CD MPEG)
inline constexpr int kSubheaderBytes = 8;       // the XA subheader in front of a Mode 2 sector's data
inline constexpr double kSectorsPerSecond = 75.0;
// The largest folder the disc layer reads. A Video CD's folders take one sector each; a record
// claiming more than this (up to 4 GB) is damage. 1 MiB holds some 30,000 records: more than the
// playlist's 16-bit index can reach, and read in about 10 ms from an image.
inline constexpr uint32_t kMaxFolderBytes = 1u << 20;
// The largest file a disc image may consist of: more than a double-layer DVD holds. A larger one
// (a sparse file of terabytes) is refused before anything of it is read or mapped.
inline constexpr int64_t kLargestImageFile = int64_t{16} << 30;

// Whether a Mode 2 sector's subheader was ever written: every Form 2 sector has its submode's
// Form 2 bit set, so an all-zero subheader is a sector that was never read (a drive or libcdio
// driver that reports success for it) or never written (a hole in an image).
inline bool subheaderWritten(const uint8_t* subheader) {
  static constexpr uint8_t kNone[kSubheaderBytes] = {};
  return std::memcmp(subheader, kNone, kSubheaderBytes) != 0;
}

// A directory record as stored on the disc.
struct DiscEntry {
  std::string storedName;  // "AVSEQ01.DAT;1", "MPEGAV"
  bool isFolder = false;
  uint32_t lsn = 0;        // first sector of the extent
  uint32_t size = 0;       // the record's data length (bytes of 2,048-byte blocks)
  bool form2 = false;      // XA attribute "Mode 2 Form 2": the extent holds 2,324-byte sectors
};

// An entry of a folder as the playlist sees it.
struct FolderEntry {
  QString name;      // as stored on the disc, without the ";1" version suffix
  bool isFolder = false;
  int64_t size = 0;  // payload bytes (Form 2 files: 2,324 per sector)
};

// Sector access to one disc. readSectors may be called from several threads at once (streams of
// one folder share the disc that was opened for it).
class DiscHandle {
 public:
  virtual ~DiscHandle() = default;
  // Reads `count` sectors from `lsn` into `buf`: 2,324 payload bytes each for Form 2, 2,048
  // otherwise. False when any of them could not be read.
  virtual bool readSectors(uint8_t* buf, uint32_t lsn, uint32_t count, bool form2) = 0;
  // The first sector past the readable disc (the lead-out, or the end of an ISO image).
  virtual uint32_t endLsn() = 0;
  // Whether a disc is still in the drive. Asked after a sector failed for good, to tell a
  // scratch from a disc that left.
  virtual bool mediumPresent() = 0;
  // Whether the sector at `lsn` is stored whole enough to yield a Form 2 payload (an image of
  // 2,048-byte sectors holds the user data only).
  virtual bool storesForm2(uint32_t /*lsn*/) { return true; }
  // Asks the drive to read slower (a scratched disc reads better slowly) or at its full speed
  // again. Called on the reading thread: it may take the drive a moment. False when the drive
  // has no such setting (an image) or refused; slowReading() tells what was asked last.
  virtual bool setSlowReading(bool /*slow*/) { return false; }
  virtual bool slowReading() { return false; }
};

}  // namespace vcd::disc
