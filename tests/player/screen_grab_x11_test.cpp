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
  for (const auto& [name, value] : {std::pair{"WAYLAND_DISPLAY", display}, std::pair{"XDG_SESSION_TYPE", session}})
    value.isNull() ? void(qunsetenv(name)) : void(qputenv(name, value));
}

}  // namespace
}  // namespace vcd::test
