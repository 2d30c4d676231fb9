#include "capture/modpaths.h"

#include "platform/desktop_folder.h"

namespace vcd::ModPaths {

QString GetSpecialFolderPath(int folderId) { return platform::SpecialFolderPath(folderId); }

}  // namespace vcd::ModPaths
