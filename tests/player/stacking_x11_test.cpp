// "On Top" against a real window manager (Xvfb + openbox, tests/x11/with-window-manager.sh): the
// window manager's own record says whether the window is in the "above" layer. (The screen grab
// on the real X server and under XWayland: tests/e2e/captures_screenshot.sh, tests/wayland.)
#include <QTest>
#include <vector>

#include "tests/support/window_fixture.h"
#include "tests/support/x11_window_state.h"

namespace vcd::test {
namespace {

class X11Stacking : public WindowTest {
 protected:
  void SetUp() override {
    VCD_REQUIRE_X11_WINDOW_MANAGER();
    make();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return x11::clientRectOnRoot(w.get()).isValid(); }, 20000));
  }
};

TEST_F(X11Stacking, OnTopPutsTheMainWindowAboveAndTakesItOutKeepingItsPlaceAndSize) {
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

// A window manager that keeps no "above" layer (sway's for XWayland windows) leaves
// _NET_WM_STATE_ABOVE out of the root window's _NET_SUPPORTED. Here openbox's list is written
// back without it for a moment: a check is refused, told and cleared; with the list whole again
// the same check takes.
TEST_F(X11Stacking, AWindowManagerWithoutAnAboveLayerRefusesTheCheckAndSaysSo) {
  const xcb_atom_t netSupported = x11::atom("_NET_SUPPORTED"), above = x11::atom("_NET_WM_STATE_ABOVE");
  const auto whole = x11::property(x11::root(), "_NET_SUPPORTED", XCB_ATOM_ATOM, 4096);
  ASSERT_TRUE(whole && whole->format == 32);
  const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(whole.get()));
  const std::vector<xcb_atom_t> all(atoms, atoms + xcb_get_property_value_length(whole.get()) / 4);
  std::vector<xcb_atom_t> without;
  for (xcb_atom_t a : all)
    if (a != above) without.push_back(a);
  ASSERT_LT(without.size(), all.size());
  auto writeSupported = [&](const std::vector<xcb_atom_t>& list) {
    xcb_change_property(x11::connection(), XCB_PROP_MODE_REPLACE, x11::root(), netSupported, XCB_ATOM_ATOM, 32,
                        uint32_t(list.size()), list.data());
    std::free(xcb_get_input_focus_reply(x11::connection(), xcb_get_input_focus(x11::connection()), nullptr));
  };
  writeSupported(without);
  w->chkOnTop->setChecked(true);
  const bool refusedClear = !w->chkOnTop->isChecked();
  const QStringList told = messages;
  writeSupported(all);  // openbox's own list back before anything can fail
  EXPECT_TRUE(refusedClear);
  EXPECT_EQ(told, QStringList({"Voren VCD Player Lite|" + Playerfrm::kNoOnTopHere}));
  EXPECT_FALSE(x11::isAbove(w.get()));
  messages.clear();
  w->chkOnTop->setChecked(true);
  EXPECT_TRUE(w->chkOnTop->isChecked());
  EXPECT_TRUE(QTest::qWaitFor([&] { return x11::isAbove(w.get()); }, 20000));
  EXPECT_TRUE(messages.isEmpty());
}

}  // namespace
}  // namespace vcd::test
