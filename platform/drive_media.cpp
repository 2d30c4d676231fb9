// What the drives hold, for the watcher of new discs.
#include "platform/drive_status.h"
#include "platform/linux_drives.h"

namespace vcd::platform {

std::vector<MediumState> LinuxDriveManager::media(bool optical) {
  std::vector<Drive> drives = optical ? refreshTable() : table();
  std::vector<MediumState> out;
  for (const Drive& d : drives) {
    if (d.virtualDisc) {
      std::lock_guard lock(mutex_);
      out.push_back(MediumState{d.device, d.virtualDisc->present(), false, virtualSerial_});
      continue;
    }
    if (!optical) continue;
    const DriveDevice drive(d.device);
    const bool present = drive.state() == DriveState::DiscOk;
    out.push_back(MediumState{d.device, present, present && drive.mediumChanged(), 0});
  }
  return out;
}

}  // namespace vcd::platform
