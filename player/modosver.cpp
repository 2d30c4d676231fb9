#include "player/modosver.h"

#include <cstdio>

#include "platform/os_version.h"

namespace vcd::player::modosver {

bool queryRunningSystem(OsVersionRecord& record) {
  const std::optional<platform::KernelRelease> kernel = platform::RunningKernel();
  if (!kernel) return false;
  record.majorVersion = kernel->major;
  record.minorVersion = kernel->minor;
  record.buildNumber = kernel->patch;
  record.platformId = kPlatformUnix;
  std::snprintf(record.servicePack, sizeof record.servicePack, "%s", kernel->system.toLocal8Bit().constData());
  return true;
}

QString familyOf(bool callSucceeded, const OsVersionRecord& record) {
  if (!callSucceeded) return QString();
  switch (record.platformId) {
    case kPlatformWin32s: return QStringLiteral("Microsoft Win32s");
    case kPlatformWindows9x: return QStringLiteral("9X");
    case kPlatformNt: return record.majorVersion <= 5 ? QStringLiteral("NT") : QString();
    default: return QString();
  }
}

QString DetectOsFamily(VersionQuery query) {
  OsVersionRecord record{};  // every field zero but its size
  record.size = 148;
  const bool ok = query(record);
  return familyOf(ok, record);
}

}  // namespace vcd::player::modosver
