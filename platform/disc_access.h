#pragma once
#include <QSet>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Low-level access to one disc: its sectors (iso9660_folders.h reads its folders).
namespace vcd::platform {

inline constexpr int kForm1SectorBytes = 2048;  // user data of a Mode 1 / Mode 2 Form 1 sector
inline constexpr int kForm2SectorBytes = 2324;  // payload of a Mode 2 Form 2 sector (Video CD MPEG)
inline constexpr double kSectorsPerSecond = 75.0;
// The largest folder the disc layer reads. A Video CD's folders take one sector each; a record
// claiming more than this (up to 4 GB) is damage. 1 MiB holds some 30,000 records: more than the
// playlist's 16-bit index can reach, and read in about 10 ms from an image.
inline constexpr uint32_t kMaxFolderBytes = 1u << 20;
// The largest file a disc image may consist of: more than a double-layer DVD holds. A larger one
// (a sparse file of terabytes) is refused before anything of it is read or mapped.
inline constexpr int64_t kLargestImageFile = int64_t{16} << 30;

// A directory record as stored on the disc.
struct DiscEntry {
  std::string storedName;  // "AVSEQ01.DAT;1", "MPEGAV"
  bool isFolder = false;
  uint32_t lsn = 0;        // first sector of the extent
  uint32_t size = 0;       // the record's data length (bytes of 2,048-byte blocks)
  bool form2 = false;      // XA attribute "Mode 2 Form 2": the extent holds 2,324-byte sectors
};

// The name a record shows to the user: the stored name without the version suffix (";1") and
// without the lone dot ISO 9660 appends to names that have no extension.
QString displayName(const std::string& storedName);

// True when a name given by the user designates a stored name: case is ignored, and so are the
// version suffix and the trailing dot on either side.
bool nameMatches(const QString& wanted, const std::string& storedName);

struct ImageLayout;
class ImageFile;

// The medium in a virtual drive. A virtual drive's disc can be taken out and put back while
// handles are open.
struct VirtualDisc {
  QString imagePath;                          // what the user inserted (.cue, .bin, .toc, .nrg, .iso, a folder)
  QString folder;                             // a disc copied to a folder: its files are read from there
  std::shared_ptr<const ImageLayout> layout;  // CUE, TOC and ISO images: read by the player itself
  std::shared_ptr<ImageFile> nrg;             // an NRG image (checked first), read through libcdio
  std::atomic<bool> present{true};
  // Files of a copied disc already reported as left out of its listings (said once per disc).
  mutable std::mutex reportedMutex;
  mutable QSet<QString> reported;
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
};

// Held around every libcdio call: libcdio keeps driver state in globals and parses with strtok.
std::mutex& libcdioSetupMutex();
// Routes libcdio's log into the logging categories (instead of its own handler, which ends the
// process on errors). Runs once; every libcdio user calls it first.
void initLibcdio();

// Opens the disc in an optical drive. Throws DiscError when the drive holds no disc or is not ready.
std::unique_ptr<DiscHandle> openDriveDisc(const QString& device, const QString& driveName);
// Opens the disc in a virtual drive. Throws DiscError when the disc is out or cannot be opened.
std::unique_ptr<DiscHandle> openVirtualDisc(std::shared_ptr<VirtualDisc> disc, const QString& driveName);
// Reads a disc image's sheet (a .bin through the .cue beside it), checks it and opens its data
// files; nullptr with the reason in `why` when it is not a disc image that can be read.
std::shared_ptr<VirtualDisc> inspectDiscImage(const QString& imagePath, QString* why);

}  // namespace vcd::platform
