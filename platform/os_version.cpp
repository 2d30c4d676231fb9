#include "platform/os_version.h"

#include <sys/utsname.h>

#include <cstdio>

namespace vcd::platform {

std::optional<KernelRelease> RunningKernel() {
  utsname name{};
  if (uname(&name) != 0) return std::nullopt;
  KernelRelease release;
  std::sscanf(name.release, "%u.%u.%u", &release.major, &release.minor, &release.patch);
  release.system = QString::fromLocal8Bit(name.sysname);
  return release;
}

}  // namespace vcd::platform
