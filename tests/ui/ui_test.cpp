// The timer's rules the windows rely on: a period of 0 never fires (the capture's first step
// waits with one from start-up on), switching on ticks, switching off stops.
#include <QTest>
#include <gtest/gtest.h>

#include "ui/timer.h"

namespace vcd::test {
namespace {

TEST(Timer, ZeroIntervalNeverFiresSwitchingOnTicksSwitchingOffStops) {
  ui::Timer t(true, 0, nullptr);
  int ticks = 0;
  QObject::connect(&t, &ui::Timer::Tick, [&] { ++ticks; });
  QTest::qWait(50);
  EXPECT_EQ(ticks, 0);
  t.setInterval(30);
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 2; }, 10000));
  t.setEnabled(false);
  const int seen = ticks;
  QTest::qWait(100);
  EXPECT_EQ(ticks, seen);
}

}  // namespace
}  // namespace vcd::test
