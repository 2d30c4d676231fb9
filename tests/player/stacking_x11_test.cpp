// "On Top" against a real window manager (Xvfb + openbox, tests/x11/with-window-manager.sh): the
// window manager's own record says whether the window is in the "above" layer.
#include <QTest>

#include "tests/support/window_fixture.h"
#include "tests/support/x11_window_state.h"

namespace vcd::test {
namespace {

class X11Stacking : public WindowTest {};

TEST_F(X11Stacking, OnTopPutsTheMainWindowAboveAndTakesItOutKeepingItsPlaceAndSize) {
  VCD_REQUIRE_X11_WINDOW_MANAGER();
  make();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  ASSERT_TRUE(QTest::qWaitFor([&] { return x11::clientRectOnRoot(w.get()).isValid(); }, 20000));
  const WId id = w->winId();
  const QRect before = x11::clientRectOnRoot(w.get());
  ASSERT_FALSE(x11::isAbove(w.get()));
  for (bool on : {true, false}) {
    w->chkOnTop->setChecked(on);
    EXPECT_TRUE(QTest::qWaitFor([&] { return x11::isAbove(w.get()) == on; }, 20000)) << x11::netWmState(id).join(' ').toStdString();
    EXPECT_EQ(x11::clientRectOnRoot(w.get()), before);
    EXPECT_EQ(w->winId(), id);  // the same native window: never re-created
    EXPECT_TRUE(w->isVisible());
  }
}

}  // namespace
}  // namespace vcd::test
