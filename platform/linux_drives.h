#pragma once
#include "disc/result.h"
#include "disc/track_stream.h"
#include "disc/virtual_disc.h"
#include "platform/drives.h"
#include "platform/medium_state.h"
#include "platform/read_faults.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace vcd::platform {

struct OpenDisc;

// A name under which an optical drive can be reached, and the device it leads to.
struct OpticalDevice {
  QString path;               // "/dev/sr0", "/dev/cdrom"
  uint64_t deviceNumber = 0;  // st_rdev: the same for every name of one drive
};
using DeviceLister = std::function<std::vector<OpticalDevice>()>;
// Whether a device can be read as an optical drive; a failure saying why when not.
using DriveProbe = std::function<disc::Result<void>(const QString& device)>;

// One name per physical drive, ordered by device number (/dev/sr2 before /dev/sr10). Of several
// names for one drive the kernel's own (/dev/srN) is kept rather than a symlink's.
std::vector<QString> uniqueDrives(std::vector<OpticalDevice> devices);

// The first drive letter: the virtual drive's, when it holds a disc.
inline constexpr char16_t kFirstDriveLetter = u'D';

// Gives the devices drive letters in order from D to Z; devices beyond Z get none and are left out.
std::vector<DriveRoot> assignDriveLetters(const std::vector<QString>& devices);

// The drive table of a Linux machine: its optical drives (found through libcdio), preceded by a
// virtual drive once a disc image has been inserted.
class LinuxDriveManager : public DriveManager {
 public:
  LinuxDriveManager();
  // Enumerates drives through `lister` instead of the machine's devices, and asks `probe` (by
  // default: every listed device is a drive) whether a device can be read as a drive.
  explicit LinuxDriveManager(DeviceLister lister, DriveProbe probe = nullptr);
  ~LinuxDriveManager() override;

  // The optical drives libcdio finds, each name with its device number.
  static std::vector<OpticalDevice> systemOpticalDevices();

  // Whether `device` is an optical drive this process can open and ask about its disc (an image
  // mounted through a loop device is not; nor a drive a normal user may not open).
  static disc::Result<void> readableOpticalDrive(const QString& device);

  // Whether the file is named like a disc image (.cue, .bin, .toc, .nrg, .iso, any case; the
  // list is disc/image_kinds.h).
  static bool looksLikeDiscImage(const QString& path);

  // Puts a disc image into the virtual drive (created on first use, first in the table) and
  // closes its tray. A .bin is opened through the .cue beside it. Returns false, leaving the
  // drive as it was, when the file cannot be opened as a disc image (the reason goes to the log).
  // `shownAs` is the name the user gave it (default: `path`), which lines about its disc name.
  bool insertImage(const QString& path, const QString& shownAs = {});
  // Takes a folder named by the user. A folder on the disc in one of the machine's optical drives
  // (where the desktop mounted it) makes that drive the first of the table: a mounted Video CD's
  // tracks cannot be read through the file system, so the drive itself is read. A folder that
  // (A drive the probe refuses, such as the loop device of a mounted image, is passed over: the
  // disc's files are then read through the mount, as a copied disc's.) A folder that
  // holds a copied disc (an MPEGAV or MPEG2 folder, see copied_disc.h), or that is such a folder
  // itself, goes into the virtual drive like an image. Returns false, leaving the drives as they
  // were, for any other folder (the reason goes to the log). `shownAs` as for insertImage.
  bool insertFolder(const QString& path, const QString& shownAs = {});
  // Takes out what insertImage and insertFolder put in: the virtual drive goes (its open streams
  // stop as if the disc was ejected) and the optical drives keep their own order.
  void forgetNamedMedia();
  // Opens the virtual drive's tray: listings fail as for an empty drive, and open streams
  // report discGone() on their next read. Closing puts the same disc back.
  void ejectVirtualDisc();
  void closeVirtualDisc();
  bool virtualDiscPresent() const;
  // The medium of every drive, asked without waiting for a disc: an optical drive's as the
  // kernel reports it, the virtual drive's as it was put in or taken out (each disc put in is
  // another medium). `optical` false leaves the optical drives out. Enumerates the drives again.
  std::vector<MediumState> media(bool optical = true);
  // Whether the drive with this letter is the virtual drive of a disc image.
  bool isVirtualDrive(QChar letter);

  // The disc opened last is kept for the next listing or track of its drive (a track change
  // in the folder being played opens nothing). It is closed when another disc goes in, the tray
  // opens, the drive goes away or the medium changed; releaseDisc closes it at once (before the
  // tray of an optical drive is opened: the kernel refuses to eject a drive held open).
  void releaseDisc();
  // Discs opened so far (each open reads the image's sheet or spins up the drive).
  int discsOpened() const;

  // Slows every disc read to `sectorsPerSecond` (75 = 1x, 600 = 8x); 0 removes the limit.
  // Applies to streams already open. A stream waiting on the limit returns at once when cancelled.
  void setReadRateLimit(double sectorsPerSecond);
  // The virtual drive's faults (none until set): reads of its disc images go through them,
  // those of discs opened before included.
  ReadFaults& readFaults() { return *faults_; }

  std::vector<DriveRoot> driveRoots() override;
  using DriveManager::listFolder;
  using DriveManager::openFile;
  std::vector<FolderEntry> listFolder(const disc::DiscPath& folder) override;
  std::unique_ptr<TrackStream> openFile(const disc::DiscPath& file) override;
  QString discName(QChar letter) override;

 private:
  struct Drive {
    QChar letter;
    QString device;
    std::shared_ptr<disc::VirtualDisc> virtualDisc;  // null for an optical drive
  };
  std::vector<Drive> tableLocked() const;  // the table as last enumerated; mutex_ held
  std::vector<Drive> refreshTable();       // enumerates the drives again
  std::vector<Drive> table();              // enumerates only the first time
  disc::Result<std::shared_ptr<OpenDisc>> openDisc(QChar letter);
  // The virtual drive's copied disc, if that is the drive (else null); fails when it is out.
  disc::Result<std::shared_ptr<disc::VirtualDisc>> copiedDiscIn(QChar letter);
  // The disc in the virtual drive leaves it (its open streams stop as if it had been ejected);
  // mutex_ held.
  void ejectVirtualLocked();
  // Takes the virtual drive's disc out for good and puts `next` (or nothing) in, lines about
  // the drive then naming `source`; mutex_ held.
  void replaceVirtualLocked(std::shared_ptr<disc::VirtualDisc> next, const QString& source);

  DeviceLister lister_;
  DriveProbe probe_;
  std::shared_ptr<disc::ReadPacer> pacer_;
  const std::shared_ptr<ReadFaults> faults_ = std::make_shared<ReadFaults>();
  mutable std::mutex mutex_;
  bool enumerated_ = false;
  std::vector<QString> devices_;
  QString preferred_;  // the optical drive a named folder lies on: first in the table
  std::shared_ptr<disc::VirtualDisc> virtual_;
  uint64_t virtualSerial_ = 0;  // counts the discs put into the virtual drive
  std::shared_ptr<OpenDisc> kept_;  // the disc opened last
  int opened_ = 0;
};

}  // namespace vcd::platform
