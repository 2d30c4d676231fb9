// "On Top" and the About / Help buttons: which window enters or leaves the always-on-top band,
// in which order, and that one information window of each kind opens at a time; full screen and
// the keys that take the window out of the band; the parked Apply button. (The tray button's
// caption cycle is the real program's: tests/e2e/tray_and_end_of_disc.sh.)
#include <QApplication>
#include <QTest>

#include "tests/support/desktop_sandbox.h"
#include "tests/support/stacking_recorder.h"
#include "tests/support/window_fixture.h"

namespace vcd::test {
namespace {

class StackingTest : public WindowTest {
 protected:
  StackingRecorder stacking;

  void SetUp() override {
    make();
    w->setTopMost = stacking.routine();
    w->aboutServices.findProgram = [](const QString&) { return QString(); };
    w->aboutServices.openUrl = [](const QUrl&) { return true; };
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  }
  template <typename Window>
  static int openWindows() {
    int n = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) n += qobject_cast<Window*>(top) && top->isVisible();
    return n;
  }
};

TEST_F(StackingTest, OnTopFollowsTheCheckBoxClickedOnceOrSetByCodeAndFocusesThePlayer) {
  QTest::mouseClick(w->chkOnTop, Qt::LeftButton);
  EXPECT_EQ(stacking.calls, QStringList({"Playerfrm:on"}));
  QTest::keyClick(w->chkOnTop, Qt::Key_Space);
  w->SwitchOffOnTop();  // nothing to switch off
  w->chkOnTop->setChecked(true);
  w->SwitchOffOnTop();
  EXPECT_FALSE(w->chkOnTop->isChecked());
  EXPECT_EQ(stacking.calls, QStringList({"Playerfrm:on", "Playerfrm:off", "Playerfrm:on", "Playerfrm:off"}));
  EXPECT_EQ(player.calls.count("SetFocus"), 4);
}

// Where the desktop keeps no window on top (native Wayland, a window manager without an "above"
// layer) a check says so and does not stay: the box is clear again, the window is out of the band,
// the player has the focus, and the actions that switch On Top off first find nothing to do.
TEST_F(StackingTest, WhereTheDesktopKeepsNoWindowOnTopACheckTellsTheUserAndClearsItself) {
  stacking.desktopKeepsOnTop = false;
  for (int attempt = 1; attempt <= 2; ++attempt) {
    SCOPED_TRACE(attempt);
    stacking.calls.clear();
    messages.clear();
    player.calls.clear();
    QTest::mouseClick(w->chkOnTop, Qt::LeftButton);
    EXPECT_FALSE(w->chkOnTop->isChecked());
    EXPECT_EQ(stacking.calls, QStringList({"Playerfrm:on", "Playerfrm:off"}));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], "Voren VCD Player Lite|" + Playerfrm::kNoOnTopHere);
    EXPECT_TRUE(messages[0].contains("does not let a window stay on top"));
    EXPECT_GE(player.calls.count("SetFocus"), 1);
  }
  stacking.calls.clear();
  w->SwitchOffOnTop();
  w->Fullscreencmd->click();
  EXPECT_TRUE(stacking.calls.isEmpty());
  EXPECT_EQ(messages.size(), 1);  // unchecking never speaks
}

// The main window leaves the band before the information window enters it, and that one enters
// it as it loads, before it is shown. Asked for again, the same window comes forward (also from
// the task bar); closed, it leaves the band and goes.
TEST_F(StackingTest, AboutAndHelpLeaveTheBandFirstThenOpenOneWindowOnTop) {
  auto check = [&](QPushButton* button, const char* name, auto window, auto count) {
    SCOPED_TRACE(name);
    w->chkOnTop->setChecked(true);
    stacking.calls.clear();
    stacking.shown.clear();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(w->chkOnTop->isChecked());
    EXPECT_EQ(stacking.calls, QStringList({"Playerfrm:off", QString(name) + ":on"}));
    EXPECT_FALSE(stacking.shown.value(1, true));
    QWidget* opened = window();
    ASSERT_TRUE(opened && opened->isVisible());
    EXPECT_EQ(opened->parentWidget(), nullptr);
    EXPECT_FALSE(opened->isModal());
    opened->showMinimized();
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(window(), opened);
    EXPECT_FALSE(opened->isMinimized());
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(stacking.calls.count(QString(name) + ":on"), 1);
    QPointer<QWidget> first(opened);
    opened->close();  // the title bar's close box unloads it like its own button
    EXPECT_EQ(stacking.calls.last(), QString(name) + ":off");
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }, 10000));
  };
  check(w->Command23, "frmAbout", [&] { return static_cast<QWidget*>(w->aboutWindow.get()); }, [] { return openWindows<info_windows::frmAbout>(); });
  check(w->Command24, "frmHelp", [&] { return static_cast<QWidget*>(w->helpWindow.get()); }, [] { return openWindows<info_windows::frmHelp>(); });
}

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
// window's Capture button: tests/e2e/captures_screenshot.sh; what the capture sequence saves:
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
