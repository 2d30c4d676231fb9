#pragma once
#include <QString>

// Paths of the user's special folders.
namespace vcd::ModPaths {

// The file-system path of a special folder (0: the Desktop) without a trailing separator, or ""
// when it cannot be found.
QString GetSpecialFolderPath(int folderId);

}  // namespace vcd::ModPaths
