#pragma once
#include <QString>

// The user's special folders. The player asks for one only: the Desktop, where screenshots go.
namespace vcd::platform {

// The identifier of the Desktop folder, the only one the player asks for.
inline constexpr int kDesktopFolder = 0;

namespace ModPaths {

// The file-system path of a special folder, without a trailing separator, or "" when the folder
// is unknown, cannot be found or does not exist. The Desktop is the XDG user directory
// (user-dirs.dirs under XDG_CONFIG_HOME, else $HOME/Desktop).
QString GetSpecialFolderPath(int folderId);

}  // namespace ModPaths

}  // namespace vcd::platform
