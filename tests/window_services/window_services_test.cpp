// The resizer off a window and with controls added late; always-on-top stacking of plain windows
// against a real window manager (the X11 cases run on Xvfb with openbox; elsewhere they skip).
#include <QTest>
#include <gtest/gtest.h>

#include "tests/support/x11_window_state.h"
#include "window_services/rgr_resizer.h"
#include "window_services/topmost.h"

namespace vcd::test {
namespace {

using window_services::SetTopMost;

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

bool becomesAbove(const QWidget& w, bool above) { return QTest::qWaitFor([&] { return x11::isAbove(&w) == above; }, 20000); }

// Told before it is shown (with or without a native window yet), a window is neither shown nor
// moved by it, and is mapped with the last word; later it can leave or enter the band.
TEST(X11TopMost, AWindowToldBeforeItIsShownIsMappedWithTheLastWord) {
  VCD_REQUIRE_X11_WINDOW_MANAGER();
  for (const QList<bool>& told : {QList<bool>{true}, QList<bool>{true, false}}) {
    for (bool nativeFirst : {true, false}) {
      QWidget window;
      window.setGeometry(40, 50, 200, 120);
      if (nativeFirst) window.winId();
      for (bool on : told) SetTopMost(&window, on);
      EXPECT_FALSE(window.isVisible());
      EXPECT_EQ(window.geometry(), QRect(40, 50, 200, 120));
      window.show();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
      ASSERT_TRUE(QTest::qWaitFor([&] { return x11::isManaged(&window); }, 20000));
      EXPECT_TRUE(becomesAbove(window, told.last()));
      EXPECT_EQ(window.size(), QSize(200, 120));
      SetTopMost(&window, !told.last());
      EXPECT_TRUE(becomesAbove(window, !told.last()));
    }
  }
}

}  // namespace
}  // namespace vcd::test
