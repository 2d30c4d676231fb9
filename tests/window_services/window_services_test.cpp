// The resizer off a window and with controls added after the proportions were recorded.
#include <QWidget>
#include <gtest/gtest.h>

#include "window_services/rgr_resizer.h"

namespace vcd::test {
namespace {

TEST(Resizer, DoesNothingOffAWindowAndLeavesControlsAddedAfterLoad) {
  QWidget window;
  window.resize(300, 200);
  QWidget inner(&window);
  EXPECT_EQ(window_services::rgrResizer(&inner).Target(), nullptr);
  auto* resizer = new window_services::rgrResizer(&window);
  resizer->setObjectName("rgr");
  auto* a = new QWidget(&window);
  a->setObjectName("a");
  a->setGeometry(30, 20, 60, 40);
  resizer->recordProportions();
  auto* late = new QWidget(&window);
  late->setObjectName("late");
  late->setGeometry(5, 5, 10, 10);
  window.resize(600, 400);
  resizer->applyProportions();
  EXPECT_EQ(a->geometry(), QRect(60, 40, 120, 80));
  EXPECT_EQ(late->geometry(), QRect(5, 5, 10, 10));
  window.resize(1, 1);  // shrunk to nothing: sizes that cannot be taken are kept
  resizer->applyProportions();
  EXPECT_EQ(a->size(), QSize(120, 80));
}

}  // namespace
}  // namespace vcd::test
