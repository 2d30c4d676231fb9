#pragma once
#include <QChar>
#include <QString>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "disc/disc_path.h"
#include "disc/sectors.h"
#include "disc/track_stream.h"

// The machine's drives and the discs in them, as the player sees them.
namespace vcd::platform {

// Raised when a drive, disc, folder or file cannot be reached: how the drive table hands the
// disc layer's failures (disc/result.h) to the window, whose handlers catch it.
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

// The disc layer's entries and streams, as the drive table hands them out.
using disc::FolderEntry;
using disc::TrackStream;

// The drive table and access to the discs in it. Thread-safe: the window lists folders on the
// GUI thread while the engine opens tracks on its own.
class DriveManager {
 public:
  virtual ~DriveManager() = default;
  // Every drive root in the platform's order (stand-in for the logical-drive and drive-type queries).
  virtual std::vector<DriveRoot> driveRoots() = 0;
  // Lists a folder on a disc. Throws DiscError when the drive is unknown, holds no disc, is not
  // ready, or the folder does not exist.
  virtual std::vector<FolderEntry> listFolder(const disc::DiscPath& folder) = 0;
  // Opens a file on a disc for reading. Throws DiscError as listFolder does, and when the file
  // does not exist.
  virtual std::unique_ptr<TrackStream> openFile(const disc::DiscPath& file) = 0;
  // What the disc in the drive is called, for the desktop's media applet: the file name of the
  // disc image (or folder) a virtual drive holds, the volume label of a disc in a real drive.
  // Empty when it has none or cannot be read. Reads the disc only when no listing did before.
  virtual QString discName(QChar /*letter*/) { return {}; }

  // The same for a disc path in its text form (cdrom://D/Mpegav); DiscError when it is not one.
  std::vector<FolderEntry> listFolder(const QString& folder) { return listFolder(parsed(folder)); }
  std::unique_ptr<TrackStream> openFile(const QString& file) { return openFile(parsed(file)); }

 private:
  static disc::DiscPath parsed(const QString& text) {
    auto path = disc::parsePath(text);
    if (!path) throw DiscError(QStringLiteral("Not a disc path: %1").arg(text).toStdString());
    return *std::move(path);
  }
};

}  // namespace vcd::platform
