#pragma once
#include <QString>
#include <QStringList>

// The player's command line. It is taken as one string, the way the arguments followed the
// program's name, and never passed to a shell: at most it becomes one file name for the engine
// or one disc image for the virtual drive.
namespace vcd::command_line {

// The arguments after the program's name, joined by single spaces.
QString argumentString(const QStringList& arguments);

// The file the command line names for the media player: every double quote removed. Empty when
// the command line names nothing: an empty string, a lone pair of quotes, or the unexpanded
// placeholder "%1" a file association may leave behind (quoted or not).
QString fileToPlay(const QString& commandLine);

// Whether the command line names a disc image that exists (a .cue, .bin, .toc, .nrg or .iso
// file, any case): its absolute path, or "" when it does not. Relative names are taken from
// `workingFolder`.
QString discImage(const QString& commandLine, const QString& workingFolder);

}  // namespace vcd::command_line
