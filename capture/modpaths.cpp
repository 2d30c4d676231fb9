#include "capture/modpaths.h"

#include "platform/special_folders.h"

namespace vcd::ModPaths {

QString GetSpecialFolderPath(int folderId) { return platform::SpecialFolderPath(folderId); }

}  // namespace vcd::ModPaths
