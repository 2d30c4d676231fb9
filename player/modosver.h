#pragma once
#include <QString>
#include <cstdint>

// The operating-system family, as start-up uses it to decide whether the screenshot button is
// shown. The version record mirrors the classic version query: size, major, minor, build,
// platform id, service-pack text.
namespace vcd::player::modosver {

inline constexpr uint32_t kPlatformWin32s = 0;
inline constexpr uint32_t kPlatformWindows9x = 1;
inline constexpr uint32_t kPlatformNt = 2;
// What the stand-in query reports on Linux and other Unix systems.
inline constexpr uint32_t kPlatformUnix = 10;

struct OsVersionRecord {
  uint32_t size = 148;
  uint32_t majorVersion = 0;
  uint32_t minorVersion = 0;
  uint32_t buildNumber = 0;
  uint32_t platformId = 0;
  char servicePack[128] = {};
};

// Fills the record for the running system; false when the query failed.
using VersionQuery = bool (*)(OsVersionRecord& record);

// The query of this system: the kernel's version under the Unix platform id.
bool queryRunningSystem(OsVersionRecord& record);

// "Microsoft Win32s", "9X", "NT" or "" for a record (callSucceeded = what the query returned).
QString familyOf(bool callSucceeded, const OsVersionRecord& record);

// Clears a record, sets its size, runs the query and maps the result.
QString DetectOsFamily(VersionQuery query = &queryRunningSystem);

}  // namespace vcd::player::modosver
