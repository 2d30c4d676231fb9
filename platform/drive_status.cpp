#include "platform/drive_status.h"

#include "disc/file_names.h"

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace vcd::platform {

DriveDevice::DriveDevice(const QString& device) {
  fd_ = ::open(disc::bytesOfName(device).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) openError_ = errno;
}

DriveDevice::~DriveDevice() {
  if (fd_ >= 0) ::close(fd_);
}

DriveState DriveDevice::state() const {
  if (fd_ < 0) return DriveState::Unreachable;
  switch (::ioctl(fd_, CDROM_DRIVE_STATUS, CDSL_CURRENT)) {
    case CDS_DISC_OK: return DriveState::DiscOk;
    case CDS_NO_DISC: return DriveState::NoDisc;
    case CDS_TRAY_OPEN: return DriveState::TrayOpen;
    case CDS_DRIVE_NOT_READY: return DriveState::NotReady;
    default: return DriveState::Unknown;  // CDS_NO_INFO or the ioctl is not supported
  }
}

bool DriveDevice::mediumChanged() const { return fd_ >= 0 && ::ioctl(fd_, CDROM_MEDIA_CHANGED, CDSL_CURRENT) > 0; }

bool DriveDevice::isOptical() const { return fd_ >= 0 && ::ioctl(fd_, CDROM_GET_CAPABILITY, 0) >= 0; }

bool DriveDevice::moveTray(bool open) const { return fd_ >= 0 && ::ioctl(fd_, open ? CDROMEJECT : CDROMCLOSETRAY, 0) >= 0; }

}  // namespace vcd::platform
