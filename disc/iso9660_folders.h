#pragma once
#include "disc/sectors.h"

#include <QString>

#include <optional>
#include <vector>

// The player's own reader of ISO 9660 folders (the primary volume descriptor and directory
// records), over a disc's sectors. Everything it takes from the disc is checked against what was
// read: a record's length against its sector, the name against its record, the extent against
// the disc's end; a folder is read only up to kMaxFolderBytes. Rock Ridge, Joliet and other
// extensions are not needed for a Video CD and are ignored; the XA attributes tell Form 2 files.
namespace vcd::disc {

// The name a record shows to the user: the stored name without the version suffix (";1") and
// without the lone dot ISO 9660 appends to names that have no extension.
QString displayName(const std::string& storedName);

// True when a name given by the user designates a stored name: case is ignored, and so are the
// version suffix and the trailing dot on either side.
bool nameMatches(const QString& wanted, const std::string& storedName);

// The root folder as the primary volume descriptor (sector 16) names it; nullopt when the disc
// has none, or its root lies outside the disc or is larger than kMaxFolderBytes.
// `label`, when given, gets the volume identifier the same sector records (spaces trimmed, only
// printable ASCII kept; empty when the disc records none).
std::optional<DiscEntry> rootFolder(DiscHandle& disc, QString* label = nullptr);

// The records of a folder (without "." and ".."), or nullopt when its sectors cannot be read or
// it lies outside the disc. Records that do not fit their sector end that sector's records (a
// line says so, naming the disc as `shownDisc`, e.g. "D: (disc image film.cue)").
std::optional<std::vector<DiscEntry>> readFolderRecords(DiscHandle& disc, const DiscEntry& folder,
                                                        const QString& shownDisc = QStringLiteral("the disc"));

// The records of the folder at `path` (stored names, "/MPEGAV"), walked from the root; nullopt
// when a component is missing or a folder leads back into one of its parents.
std::optional<std::vector<DiscEntry>> readFolderAt(DiscHandle& disc, const std::string& path);

}  // namespace vcd::disc
