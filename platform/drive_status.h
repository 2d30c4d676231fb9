#pragma once
#include <QString>

// The kernel's view of an optical drive: one descriptor, opened non-blocking (an empty drive or
// an open tray answers at once, and nothing waits for the disc to spin up) and closed with the
// object. Every question the player asks a drive directly goes through it.
namespace vcd::platform {

enum class DriveState { DiscOk, NoDisc, TrayOpen, NotReady, Unknown, Unreachable };

class DriveDevice {
 public:
  explicit DriveDevice(const QString& device);
  ~DriveDevice();
  DriveDevice(const DriveDevice&) = delete;
  DriveDevice& operator=(const DriveDevice&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  int openError() const { return openError_; }  // errno of the failed open

  // CDROM_DRIVE_STATUS; Unknown when the drive does not say (CDS_NO_INFO, no such ioctl),
  // Unreachable when it could not be opened.
  DriveState state() const;
  // CDROM_MEDIA_CHANGED: whether the medium changed since the last time it was asked (asking
  // clears the drive's mark).
  bool mediumChanged() const;
  // CDROM_GET_CAPABILITY answers: the device is an optical drive.
  bool isOptical() const;
  // Opens (CDROMEJECT) or closes (CDROMCLOSETRAY) the tray; false when the drive refused.
  bool moveTray(bool open) const;

 private:
  int fd_ = -1;
  int openError_ = 0;
};

}  // namespace vcd::platform
