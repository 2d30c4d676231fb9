#include "player/modosver.h"

#include <sys/utsname.h>

#include <cstdio>
#include <cstring>

namespace vcd::modosver {

bool queryRunningSystem(OsVersionRecord& record) {
  utsname name{};
  if (uname(&name) != 0) return false;
  unsigned major = 0, minor = 0, build = 0;
  std::sscanf(name.release, "%u.%u.%u", &major, &minor, &build);
  record.majorVersion = major;
  record.minorVersion = minor;
  record.buildNumber = build;
  record.platformId = kPlatformUnix;
  std::snprintf(record.servicePack, sizeof record.servicePack, "%s", name.sysname);
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

}  // namespace vcd::modosver
