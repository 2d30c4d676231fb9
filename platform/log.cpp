#include "platform/log.h"

// Debug messages are off by default: a normal run prints nothing.
Q_LOGGING_CATEGORY(lcDrives, "vcd.drives", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDisc, "vcd.disc", QtInfoMsg)
Q_LOGGING_CATEGORY(lcEngine, "vcd.engine", QtInfoMsg)
Q_LOGGING_CATEGORY(lcWindow, "vcd.window", QtInfoMsg)
Q_LOGGING_CATEGORY(lcStartup, "vcd.startup", QtInfoMsg)

#include <atomic>
#include <ctime>

namespace vcd::platform {

namespace {
std::atomic<bool> gStartupOver{false};

double monotonicMs() {
  timespec t {};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void stamp(const char* step) {
  static const double first = monotonicMs();
  const double now = monotonicMs();
  qCDebug(lcStartup, "%.3f (+%.1f) %s", now, now - first, step);
}
}  // namespace

void startupStep(const char* step) {
  if (!gStartupOver.load(std::memory_order_relaxed) && lcStartup().isDebugEnabled()) stamp(step);
}

void startupDone(const char* step) {
  if (!gStartupOver.exchange(true) && lcStartup().isDebugEnabled()) stamp(step);
}

}  // namespace vcd::platform
