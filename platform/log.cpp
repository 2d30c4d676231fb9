#include "platform/log.h"

// Debug messages are off by default: a normal run prints nothing.
Q_LOGGING_CATEGORY(lcDrives, "vcd.drives", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDisc, "vcd.disc", QtInfoMsg)
Q_LOGGING_CATEGORY(lcEngine, "vcd.engine", QtInfoMsg)
Q_LOGGING_CATEGORY(lcWindow, "vcd.window", QtInfoMsg)
