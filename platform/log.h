#pragma once
#include <QLoggingCategory>

// The player's voice in the terminal. One clear line per failure a user may need to report
// (warning level); what is expected or only of interest when tracking a fault down is at debug
// level, off unless asked for, e.g. QT_LOGGING_RULES="vcd.*.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcDrives)  // "vcd.drives": drives found, refused, tray
Q_DECLARE_LOGGING_CATEGORY(lcDisc)    // "vcd.disc": images, folders, sectors, libcdio's own log
Q_DECLARE_LOGGING_CATEGORY(lcEngine)  // "vcd.engine": libmpv, files refused or failed
Q_DECLARE_LOGGING_CATEGORY(lcWindow)  // "vcd.window": the windows, watchdog, capture, desktop services
