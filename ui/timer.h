#pragma once
#include <QObject>
#include <QTimer>

namespace vcd::ui {

// A timer with the classic toolkit's rules: it fires every interval while enabled, an interval of
// 0 never fires (a plain QTimer with 0 fires on every pass of the event loop), and switching it on
// or changing its interval starts the period anew.
class Timer : public QObject {
  Q_OBJECT
 public:
  explicit Timer(bool enabled, int intervalMs, QObject* parent = nullptr);

  bool Enabled() const { return enabled_; }
  void setEnabled(bool on);
  int Interval() const { return interval_; }
  void setInterval(int ms);
  // True while a tick is actually scheduled (enabled with a non-zero interval).
  bool isTicking() const { return timer_.isActive(); }

 signals:
  void Tick();

 private:
  void rearm();
  QTimer timer_;
  bool enabled_;
  int interval_;
};

}  // namespace vcd::ui
