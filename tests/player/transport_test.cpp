// Full screen, the parked Apply button and the keys that take the window out of the always-on-top
// band. (The tray button's caption cycle is the real program's:
// tests/e2e/tray_and_end_of_disc.sh.)
#include <QTest>

#include "tests/support/desktop_sandbox.h"
#include "tests/support/window_fixture.h"

namespace vcd::test {
namespace {

struct RecordingTray : platform::CdTray {
  QStringList* log;
  explicit RecordingTray(QStringList* l) : log(l) {}
  void openTray() override { *log << "tray open"; }
  void closeTray() override { *log << "tray close"; }
};

class TransportTest : public WindowTest {
 protected:
  RecordingTray recording{&player.calls};
  void SetUp() override {
    tray = &recording;
    addDrive('D', FakeDriveManager::tracks(3));
    load();
    player.calls.clear();
  }
};

TEST_F(TransportTest, FullScreenLeavesTheOnTopBandFirst) {
  w->chkOnTop->setChecked(true);
  int displaySizeAtClear = -1;
  QObject::connect(w->chkOnTop, &QCheckBox::toggled, [&](bool on) {
    if (!on) displaySizeAtClear = player.DisplaySize();
  });
  w->Fullscreencmd_Click();
  EXPECT_FALSE(w->chkOnTop->isChecked());
  EXPECT_EQ(displaySizeAtClear, kDisplayFitToControl);
  EXPECT_EQ(player.DisplaySize(), kDisplayFullScreen);
}

TEST_F(TransportTest, AltAloneOrWithAKeyLeavesTheOnTopBandOtherKeysDoNot) {
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  w->chkOnTop->setChecked(true);
  QTest::keyClick(w->playerFace, Qt::Key_Space);
  QTest::keyClick(w->playerFace, Qt::Key_E, Qt::ControlModifier);
  EXPECT_TRUE(w->chkOnTop->isChecked());
  QTest::keyPress(w->playerFace, Qt::Key_Alt);
  EXPECT_FALSE(w->chkOnTop->isChecked());
  QTest::keyRelease(w->playerFace, Qt::Key_Alt);

  // With a key the key still does its work: the parked Eject button's access key, a moment later.
  w->chkOnTop->setChecked(true);
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  QTest::keyClick(w.get(), Qt::Key_E, Qt::AltModifier);
  EXPECT_FALSE(w->chkOnTop->isChecked());
  EXPECT_TRUE(QTest::qWaitFor([&] { return w->opencdromcmd->text() == "&Close"; }, 10000));
  EXPECT_TRUE(player.calls.contains("tray open"));
}

// The parked Apply button's access key, before any capture, says there is no picture yet. (The
// window's Capture button: full_screen_test.cpp; what the capture sequence saves:
// tests/capture/capture_test.cpp.)
TEST_F(TransportTest, TheParkedApplyAnswersItsAccessKeyBeforeAnyCapture) {
  DesktopSandbox sandbox;
  w->show();
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  QTest::keyClick(w.get(), Qt::Key_A, Qt::AltModifier);  // its access key presses it a moment later
  ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.isEmpty(); }, 10000));
  EXPECT_EQ(messages, QStringList({"Voren VCD Player Lite|Please load a picture first"}));
  EXPECT_TRUE(sandbox.desktopFiles().isEmpty());
}

}  // namespace
}  // namespace vcd::test
