#pragma once
#include <QString>
#include <QTemporaryDir>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Low-level access to one disc: its ISO 9660 directories and its sectors. One DiscHandle is
// used by one thread at a time; every track stream opens its own.
namespace vcd::platform {

inline constexpr int kForm1SectorBytes = 2048;  // user data of a Mode 1 / Mode 2 Form 1 sector
inline constexpr int kForm2SectorBytes = 2324;  // payload of a Mode 2 Form 2 sector (Video CD MPEG)
inline constexpr double kSectorsPerSecond = 75.0;
// The largest folder the disc layer reads. A Video CD's folders take one sector each; a record
// claiming more than this (up to 4 GB) is damage, and libiso9660 would allocate and read all of it.
inline constexpr uint32_t kMaxFolderBytes = 1u << 20;

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

// The medium a handle reads, as far as the drive table is concerned. A virtual drive's disc
// can be taken out and put back while handles are open.
struct VirtualDisc {
  QString imagePath;     // what the user inserted (.cue, .bin, .toc, .nrg, .iso)
  QString openPath;      // what libcdio opens (the .cue found next to a .bin)
  bool isoImage = false; // a plain 2,048-byte-per-sector ISO, read through libiso9660 alone
  std::shared_ptr<QTemporaryDir> staging;  // holds a restaged cue sheet (see probeDiscImage)
  std::atomic<bool> present{true};
};

class DiscHandle {
 public:
  virtual ~DiscHandle() = default;
  // The records of a folder (without "." and ".."), or nullopt when it cannot be read (also
  // when the root folder is larger than kMaxFolderBytes; callers check the other folders' sizes
  // from their records before asking). `path` is made of stored names ("/MPEGAV").
  virtual std::optional<std::vector<DiscEntry>> readFolder(const std::string& path) = 0;
  // Reads `count` sectors from `lsn` into `buf`: 2,324 payload bytes each for Form 2, 2,048
  // otherwise. False when any of them could not be read.
  virtual bool readSectors(uint8_t* buf, uint32_t lsn, uint32_t count, bool form2) = 0;
  // The first sector past the readable disc (the lead-out, or the end of an ISO image).
  virtual uint32_t endLsn() = 0;
  // Whether a disc is still in the drive. Asked after a sector failed for good, to tell a
  // scratch from a disc that left.
  virtual bool mediumPresent() = 0;
};

// Held around every libcdio call that opens or closes a disc or enumerates drives.
std::mutex& libcdioSetupMutex();

// Opens the disc in an optical drive. Throws DiscError when the drive holds no disc or is not ready.
std::unique_ptr<DiscHandle> openDriveDisc(const QString& device, const QString& driveName);
// Opens the disc in a virtual drive. Throws DiscError when the disc is out or cannot be opened.
std::unique_ptr<DiscHandle> openVirtualDisc(std::shared_ptr<VirtualDisc> disc, const QString& driveName);
// Whether libcdio (or, for .iso, libiso9660) can open the file as a disc image; fills `openPath`
// with the file to open and `isoImage` with the kind.
// `staging` receives the private folder of a restaged cue sheet, which must live as long as the disc.
bool probeDiscImage(const QString& imagePath, QString* openPath, bool* isoImage,
                    std::shared_ptr<QTemporaryDir>* staging);

}  // namespace vcd::platform
