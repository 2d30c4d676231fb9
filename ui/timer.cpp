#include "ui/timer.h"

namespace vcd::ui {

Timer::Timer(bool enabled, int intervalMs, QObject* parent)
    : QObject(parent), enabled_(enabled), interval_(intervalMs < 0 ? 0 : intervalMs) {
  connect(&timer_, &QTimer::timeout, this, &Timer::Tick);
  rearm();
}

void Timer::setEnabled(bool on) {
  enabled_ = on;
  rearm();
}

void Timer::setInterval(int ms) {
  interval_ = ms < 0 ? 0 : ms;
  rearm();
}

void Timer::rearm() {
  timer_.stop();
  if (enabled_ && interval_ > 0) timer_.start(interval_);
}

}  // namespace vcd::ui
