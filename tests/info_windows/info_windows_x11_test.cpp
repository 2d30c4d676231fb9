// The information windows with the real stacking routine on a real window manager (Xvfb with
// openbox): in the "above" layer from the moment they appear, out of it when unloaded. Pictures
// of both go to $VCD_SCREENSHOT_DIR for a person to look at.
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include "info_windows/frmabout.h"
#include "info_windows/frmhelp.h"
#include "tests/support/media.h"
#include "tests/support/x11_window_state.h"
#include "ui/fonts.h"
#include "window_services/topmost.h"

namespace vcd::test {
namespace {

TEST(X11InfoWindows, AboveFromTheirFirstAppearanceUntilUnloaded) {
  VCD_REQUIRE_X11_WINDOW_MANAGER();
  ui::registerWindowFonts();
  info_windows::AboutServices quiet;
  quiet.openUrl = [](const QUrl&) { return true; };
  auto* about = new info_windows::frmAbout(&window_services::SetTopMost, quiet);
  emit about->Timer1->Tick();  // the version line in whichever half it is
  if (about->Label6->text().isEmpty()) emit about->Timer1->Tick();
  auto* help = new info_windows::frmHelp(&window_services::SetTopMost);
  const std::tuple<QWidget*, const char*, std::function<void()>> windows[] = {
      {about, "about", [about] { about->Form_Unload(); }}, {help, "quick-help", [help] { help->Form_Unload(); }}};
  for (const auto& [window, name, unload] : windows) {
    SCOPED_TRACE(name);
    QPointer<QWidget> guard(window);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return x11::isAbove(window); }, 20000));
    saveScreenshot(window->grab(), QString(name) + ".png");
    saveScreenshot(window->screen()->grabWindow(0), QString(name) + "-screen.png");
    const WId id = window->winId();
    unload();  // takes it out of the band while it is still on screen
    EXPECT_TRUE(QTest::qWaitFor([&] { return !x11::netWmState(id).contains("_NET_WM_STATE_ABOVE"); }, 20000));
    delete guard.data();
  }
}

}  // namespace
}  // namespace vcd::test
