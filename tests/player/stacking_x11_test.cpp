// Always-on-top stacking against a real window manager (Xvfb + openbox, see
// tests/x11/with-window-manager.sh): the window manager's own record of the window's state says
// whether it is in the "above" layer. Skipped where there is no X server with a window manager.
#include <QTest>

#include "tests/support/x11_window_state.h"
#include "tests/player/window_fixture.h"
#include "window_services/topmost.h"

namespace vcd::test {
namespace {

using window_services::SetTopMost;

class X11Stacking : public WindowTest {
 protected:
  void SetUp() override { VCD_REQUIRE_X11_WINDOW_MANAGER(); }

  static bool waitForAbove(const QWidget* window, bool above) {
    return QTest::qWaitFor([&] { return x11::isAbove(window) == above; }, 10000);
  }
};

TEST_F(X11Stacking, OnTopPutsTheMainWindowAboveAndTakesItOutKeepingItsPlaceAndSize) {
  make();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  // Let the window manager finish placing the window before measuring it.
  ASSERT_TRUE(QTest::qWaitFor([&] { return x11::clientRectOnRoot(w.get()).isValid(); }, 10000));
  const WId id = w->winId();
  const QRect before = x11::clientRectOnRoot(w.get());
  ASSERT_FALSE(x11::isAbove(w.get()));

  w->chkOnTop->setChecked(true);
  EXPECT_TRUE(waitForAbove(w.get(), true)) << x11::netWmState(id).join(' ').toStdString();
  EXPECT_EQ(x11::clientRectOnRoot(w.get()), before);
  EXPECT_EQ(w->winId(), id);  // the same native window: never re-created
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(player.calls.count("SetFocus"), 1);

  w->chkOnTop->setChecked(false);
  EXPECT_TRUE(waitForAbove(w.get(), false)) << x11::netWmState(id).join(' ').toStdString();
  EXPECT_EQ(x11::clientRectOnRoot(w.get()), before);
  EXPECT_EQ(w->winId(), id);
  EXPECT_TRUE(w->isVisible());
}

TEST_F(X11Stacking, AWindowToldBeforeItIsShownIsMappedAboveAndCanLeaveLater) {
  QWidget window;
  window.setObjectName("plain");
  window.resize(200, 120);
  window.winId();  // a native window that is not mapped yet
  SetTopMost(&window, true);
  EXPECT_FALSE(window.isVisible());  // telling it does not show it
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_TRUE(waitForAbove(&window, true));
  EXPECT_EQ(window.size(), QSize(200, 120));

  SetTopMost(&window, false);
  EXPECT_TRUE(waitForAbove(&window, false));
}

TEST_F(X11Stacking, AHiddenWindowToldTwiceIsMappedWithTheLastWord) {
  QWidget window;
  window.resize(180, 100);
  SetTopMost(&window, true);
  SetTopMost(&window, false);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  ASSERT_TRUE(QTest::qWaitFor([&] { return x11::isManaged(&window); }, 10000));
  EXPECT_FALSE(x11::isAbove(&window));
  // Leaving the band a window is not in changes nothing; entering it later works.
  SetTopMost(&window, true);
  EXPECT_TRUE(waitForAbove(&window, true));
}

TEST_F(X11Stacking, AWindowWithoutANativeWindowYetGetsOneWithoutBeingShown) {
  QWidget window;
  window.setGeometry(40, 50, 160, 90);
  SetTopMost(&window, true);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.geometry(), QRect(40, 50, 160, 90));
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_TRUE(waitForAbove(&window, true));
}

}  // namespace
}  // namespace vcd::test
