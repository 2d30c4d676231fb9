// The information windows with the real stacking routine on a real window manager (Xvfb with
// openbox, see tests/x11/with-window-manager.sh): they are in the "above" layer from the moment
// they appear. Pictures of both windows go to $VCD_SCREENSHOT_DIR for a person to look at.
#include <QDir>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include "info_windows/frmabout.h"
#include "info_windows/frmhelp.h"
#include "ui/fonts.h"
#include "tests/support/x11_window_state.h"
#include "window_services/topmost.h"

namespace vcd::test {
namespace {

void savePictures(QWidget* window, const QString& name) {
  const QString dir = qEnvironmentVariable("VCD_SCREENSHOT_DIR");
  if (dir.isEmpty()) return;
  QDir().mkpath(dir);
  window->grab().save(dir + "/" + name + ".png");
  if (QScreen* screen = window->screen()) screen->grabWindow(0).save(dir + "/" + name + "-screen.png");
}

class X11InfoWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    VCD_REQUIRE_X11_WINDOW_MANAGER();
    registerWindowFonts();  // as the player does at start-up
  }
  static bool waitForAbove(const QWidget* w, bool above) {
    return QTest::qWaitFor([&] { return x11::isAbove(w) == above; }, 10000);
  }
};

TEST_F(X11InfoWindows, AboutIsAboveFromItsFirstAppearance) {
  AboutServices quiet;
  quiet.openUrl = [](const QUrl&) { return true; };
  QPointer<frmAbout> about = new frmAbout(&window_services::SetTopMost, quiet);
  about->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(about.data()));
  EXPECT_TRUE(waitForAbove(about.data(), true));
  emit about->Timer1->Tick();  // the version line in whichever half it is
  if (about->Label6->text().isEmpty()) emit about->Timer1->Tick();
  EXPECT_EQ(about->Label6->text(), "Version 2.2.0");
  QTest::qWait(0);
  savePictures(about.data(), "about");

  // Unloading takes it out of the band while it is still on screen.
  const WId id = about->winId();
  about->Form_Unload();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !x11::netWmState(id).contains("_NET_WM_STATE_ABOVE"); }, 10000));
  delete about.data();
}

TEST_F(X11InfoWindows, QuickHelpIsAboveFromItsFirstAppearance) {
  QPointer<frmHelp> help = new frmHelp(&window_services::SetTopMost);
  help->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(help.data()));
  EXPECT_TRUE(waitForAbove(help.data(), true));
  savePictures(help.data(), "quick-help");
  const WId id = help->winId();
  help->Form_Unload();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !x11::netWmState(id).contains("_NET_WM_STATE_ABOVE"); }, 10000));
  delete help.data();
}

}  // namespace
}  // namespace vcd::test
