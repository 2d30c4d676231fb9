#pragma once
#include <QChar>
#include <QString>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "platform/disc_path.h"

// The machine's drives and the discs in them, as the player sees them.
namespace vcd::platform {

// Raised when a drive, disc, folder or file cannot be reached.
class DiscError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Drive types as the classic drive-type query reports them; discovery only looks for CdRom.
enum class DriveType : int { Unknown = 0, NoRootDir = 1, Removable = 2, Fixed = 3, Remote = 4, CdRom = 5, RamDisk = 6 };

// One entry of the drive table, in the platform's order.
struct DriveRoot {
  QChar letter;      // the drive's letter, in the case the platform reports it
  DriveType type = DriveType::Unknown;
  QString device;    // "/dev/sr0", or the image file held by a virtual drive
};

struct FolderEntry {
  QString name;      // as stored on the disc, without the ";1" version suffix
  bool isFolder = false;
  int64_t size = 0;  // payload bytes (Form 2 files: 2,324 per sector)
};

// A file on a disc read as a plain byte stream (what the media engine reads a track through).
// read/seek/size run on the engine's thread; cancel may be called from any thread.
class TrackStream {
 public:
  virtual ~TrackStream() = default;
  // Reads up to n bytes at the current position. Returns the count, 0 at the end of the file,
  // or -1 when reading cannot go on (the stream was cancelled, or the disc is gone).
  virtual int64_t read(char* buf, uint64_t n) = 0;
  // Moves to an absolute byte position; returns it, or -1 when it lies outside the file.
  virtual int64_t seek(int64_t pos) = 0;
  virtual int64_t size() const = 0;
  // Makes a pending read return at once and every later read fail.
  virtual void cancel() = 0;
  // True once reading stopped because the disc left the drive (every read failed), as
  // opposed to the file simply ending.
  virtual bool discGone() const = 0;
  // Sectors read from the disc so far (including retries).
  virtual int64_t sectorsRead() const = 0;
  // Playing time known from the file's length (a Video CD track runs at 75 sectors a second),
  // or a negative value when it is not known.
  virtual double nominalDuration() const = 0;
};

// The drive table and access to the discs in it. Thread-safe: the window lists folders on the
// GUI thread while the engine opens tracks on its own.
class DriveManager {
 public:
  virtual ~DriveManager() = default;
  // Every drive root in the platform's order (stand-in for the logical-drive and drive-type queries).
  virtual std::vector<DriveRoot> driveRoots() = 0;
  // Lists a folder on a disc. Throws DiscError when the drive is unknown, holds no disc, is not
  // ready, or the folder does not exist.
  virtual std::vector<FolderEntry> listFolder(const disc_path::DiscPath& folder) = 0;
  // Opens a file on a disc for reading. Throws DiscError as listFolder does, and when the file
  // does not exist.
  virtual std::unique_ptr<TrackStream> openFile(const disc_path::DiscPath& file) = 0;
  // What the disc in the drive is called, for the desktop's media applet: the file name of the
  // disc image (or folder) a virtual drive holds, the volume label of a disc in a real drive.
  // Empty when it has none or cannot be read. Reads the disc only when no listing did before.
  virtual QString discName(QChar /*letter*/) { return {}; }

  // The same for a disc path in its text form (cdrom://D/Mpegav); DiscError when it is not one.
  std::vector<FolderEntry> listFolder(const QString& folder) { return listFolder(parsed(folder)); }
  std::unique_ptr<TrackStream> openFile(const QString& file) { return openFile(parsed(file)); }

 private:
  static disc_path::DiscPath parsed(const QString& text) {
    auto path = disc_path::parse(text);
    if (!path) throw DiscError(QStringLiteral("Not a disc path: %1").arg(text).toStdString());
    return *std::move(path);
  }
};

}  // namespace vcd::platform
