#pragma once
#include <QLoggingCategory>

// The player's voice in the terminal. One clear line per failure a user may need to report
// (warning level); what is expected or only of interest when tracking a fault down is at debug
// level, off unless asked for, e.g. QT_LOGGING_RULES="vcd.*.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcDrives)  // "vcd.drives": drives found, refused, tray
// "vcd.disc": images, folders, sectors, libcdio's own log (declared by the disc layer)
#include "disc/log.h"
Q_DECLARE_LOGGING_CATEGORY(lcEngine)  // "vcd.engine": libmpv, files refused or failed
Q_DECLARE_LOGGING_CATEGORY(lcWindow)  // "vcd.window": the windows, watchdog, capture, desktop services
Q_DECLARE_LOGGING_CATEGORY(lcStartup)  // "vcd.startup": the steps of a start, stamped (see startupStep)

namespace vcd::platform {

// Lines about a disc that is really a file the user named (a disc image, a copied disc's
// folder) name that file as the user gave it: "cdrom://D/Mpegav/AVSEQ01.DAT" alone would not
// tell someone reporting a fault which file failed. The drives say which drive holds such a
// file; thread-safe (the engine's threads log too).
void setDriveSource(QChar letter, const QString& source);  // "" when the drive holds none
// A disc path (or a drive's name, "D:") followed by the file its drive holds:
// "cdrom://D/Mpegav/AVSEQ01.DAT (disc image ./film.cue)". Other text (a path on an optical
// drive's disc, a local file) comes back as it is.
QString withDriveSource(const QString& text);

// Stamps a step of the program's start on the monotonic clock, when "vcd.startup" is on at debug
// level (QT_LOGGING_RULES="vcd.startup.debug=true"): one line "<ms> <step>", the milliseconds
// those of CLOCK_MONOTONIC (the clock a parent that started the program can read, to count from
// its exec), with the milliseconds since the first stamp in brackets. Steps after the first frame
// is drawn are not stamped: only the road to the first picture. Callable from any thread.
void startupStep(const char* step);
// The first frame drawn: the last step stamped.
void startupDone(const char* step);
}  // namespace vcd::platform
