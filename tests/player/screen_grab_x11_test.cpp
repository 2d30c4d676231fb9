// The screen grab on a real X server (Xvfb): the root window's picture, except in a Wayland
// session, where the X server is XWayland and its root window holds no picture of the desktop.
#include <QTest>
#include <gtest/gtest.h>

#include "platform/screen_grab.h"
#include "tests/support/x11_window_state.h"

namespace vcd::test {
namespace {

TEST(X11ScreenGrab, TheRootWindowOutsideAWaylandSessionNothingInsideOne) {
  if (!x11::connection()) GTEST_SKIP() << "needs an X server (QT_QPA_PLATFORM=xcb)";
  const QByteArray display = qgetenv("WAYLAND_DISPLAY"), session = qgetenv("XDG_SESSION_TYPE");
  qunsetenv("WAYLAND_DISPLAY");
  qunsetenv("XDG_SESSION_TYPE");
  EXPECT_FALSE(platform::GrabWholeScreen().isNull());
  qputenv("WAYLAND_DISPLAY", "wayland-0");
  EXPECT_TRUE(platform::GrabWholeScreen().isNull());
  qunsetenv("WAYLAND_DISPLAY");
  qputenv("XDG_SESSION_TYPE", "wayland");
  EXPECT_TRUE(platform::GrabWholeScreen().isNull());
  qputenv("XDG_SESSION_TYPE", "x11");
  EXPECT_FALSE(platform::GrabWholeScreen().isNull());
  display.isNull() ? qunsetenv("WAYLAND_DISPLAY") : void(qputenv("WAYLAND_DISPLAY", display));
  session.isNull() ? qunsetenv("XDG_SESSION_TYPE") : void(qputenv("XDG_SESSION_TYPE", session));
}

}  // namespace
}  // namespace vcd::test
