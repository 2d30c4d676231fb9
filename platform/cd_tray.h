#pragma once
#include <QString>
#include <functional>

namespace vcd::platform {

class LinuxDriveManager;

// The tray of the default CD drive (the first drive of the drive table). Both calls return when
// the tray has moved, or after a bounded wait when the drive does not answer; a failure is not
// reported (the caller has nothing to do about it).
class CdTray {
 public:
  virtual ~CdTray() = default;
  virtual void openTray() = 0;
  virtual void closeTray() = 0;
};

// Linux: a disc image's virtual drive gives its disc up on open and takes it back on close.
// A real drive: when the desktop has the disc mounted, UDisks2 unmounts and ejects it (a normal
// user may not unmount it otherwise); else the CDROMEJECT ioctl. Closing is CDROMCLOSETRAY.
class LinuxCdTray : public CdTray {
 public:
  explicit LinuxCdTray(LinuxDriveManager* drives);
  void openTray() override;
  void closeTray() override;

  // The longest the window waits for a drive (a stuck drive must not freeze the player).
  static constexpr int kTimeoutMs = 15000;

 private:
  LinuxDriveManager* drives_;
};

// Runs `work` on a thread of its own and waits for it for at most `timeoutMs`, keeping the
// caller's event loop out of it (the call blocks like the tray command it stands for). Returns
// false when the work did not finish in time; it then finishes on its own, unobserved.
bool runBounded(std::function<void()> work, int timeoutMs);

}  // namespace vcd::platform
