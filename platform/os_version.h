#pragma once
#include <QString>
#include <optional>

// The running kernel, as the operating system names it (uname).
namespace vcd::platform {

struct KernelRelease {
  QString system;  // "Linux"
  // The first three numbers of the release ("6.1.0-13-amd64" is 6, 1, 0); missing ones are 0.
  unsigned major = 0, minor = 0, patch = 0;
};

// The kernel this program runs on; nullopt when the system does not say.
std::optional<KernelRelease> RunningKernel();

}  // namespace vcd::platform
