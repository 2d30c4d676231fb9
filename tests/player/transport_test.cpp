// Full screen, the screenshot's buttons and the keys that take the window out of the
// always-on-top band. (The tray button's caption cycle is the real program's:
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

// The window's buttons run the screenshot (capture/capture_sequence.h): Capture leaves the On
// Top band first and covers the screen, its steps run on the window's timers, and the parked
// Apply button's access key, before any capture, says there is no picture yet.
TEST_F(TransportTest, CaptureLeavesTheOnTopBandAndTheParkedApplyAnswersItsAccessKey) {
  DesktopSandbox sandbox;
  w->show();
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  QTest::keyClick(w.get(), Qt::Key_A, Qt::AltModifier);  // its access key presses it a moment later
  ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.isEmpty(); }, 10000));
  EXPECT_EQ(messages, QStringList({"Voren VCD Player Lite|Please load a picture first"}));
  EXPECT_TRUE(sandbox.desktopFiles().isEmpty());

  messages.clear();
  screen = [] { return filledImage(640, 480, qRgb(0, 0, 200)); };
  player.setState(kPlaying);
  w->chkOnTop->setChecked(true);
  w->Capturecmd->click();
  EXPECT_FALSE(w->chkOnTop->isChecked());
  EXPECT_NE(w->capturefrm(), nullptr);
  EXPECT_EQ(player.DisplaySize(), kDisplayFullScreen);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.isEmpty(); }, 20000));
  // What is saved and the video's way back are the capture sequence's own tests
  // (tests/capture/capture_test.cpp) and the full-screen tests' (full_screen_test.cpp).
  EXPECT_EQ(messages, QStringList({"All Done|The image has been saved as \\Desktop\\ScreenShot.bmp"}));
}

}  // namespace
}  // namespace vcd::test
