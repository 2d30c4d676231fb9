#include "disc/log.h"

// Debug messages are off by default: a normal run prints nothing.
Q_LOGGING_CATEGORY(lcDisc, "vcd.disc", QtInfoMsg)
