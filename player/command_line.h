#pragma once
#include <QString>
#include <QStringList>

// The player's command line. It is taken as one string, the way the arguments followed the
// program's name, and never passed to a shell: at most it becomes one file name for the engine,
// or one disc image or folder for the drives.
namespace vcd::platform {
class LinuxDriveManager;
}

namespace vcd::player::command_line {

// The arguments after the program's name, joined by single spaces.
QString argumentString(const QStringList& arguments);

// The file the command line names for the media player: every double quote removed. Empty when
// the command line names nothing: an empty string, a lone pair of quotes, or the unexpanded
// placeholder "%1" a file association may leave behind (quoted or not).
QString fileToPlay(const QString& commandLine);

// The command line's file or folder, if it exists: its absolute path (relative names are taken
// from `workingFolder`), or "".
QString namedPath(const QString& commandLine, const QString& workingFolder);

// Puts the file or folder at `path` (absolute) into the drives, after taking out what the last
// named path put in: a disc image or a folder holding a copied disc goes into the virtual drive,
// a folder on an optical drive's disc makes that drive the first (platform/linux_drives.h).
// True when the drives took it, or when it is a folder they refused (a folder is never a file to
// play; the refusal is logged); false when it is a file for the media player, a refused disc
// image included. Lines about the disc name it `shownAs`, the name as the user gave it (default:
// `path`).
bool takeNamedPath(platform::LinuxDriveManager& drives, const QString& path, const QString& shownAs = {});

// Whether the command line names a disc image that exists (a .cue, .bin, .toc, .nrg or .iso
// file, any case): its absolute path, or "" when it does not. Relative names are taken from
// `workingFolder`.
QString discImage(const QString& commandLine, const QString& workingFolder);

}  // namespace vcd::player::command_line
