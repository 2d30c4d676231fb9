// "On Top" and the About / Help buttons of the main window: which window enters or leaves the
// always-on-top band, in which order, and that only one information window of each kind opens.
#include <QApplication>
#include <QTest>

#include "tests/support/stacking_recorder.h"
#include "tests/player/window_fixture.h"

namespace vcd::test {
namespace {

class StackingTest : public WindowTest {
 protected:
  StackingRecorder stacking;
  QStringList opened;  // addresses the About window handed to the desktop

  Playerfrm& makeWindow() {
    make();
    w->setTopMost = stacking.routine();
    w->aboutServices.findProgram = [](const QString&) { return QString(); };
    w->aboutServices.startDetached = [](const QString&, const QStringList&) { return false; };
    w->aboutServices.showMessage = [this](QWidget*, const QString& text) { messages << text; };
    w->aboutServices.openUrl = [this](const QUrl& url) {
      opened << url.toString();
      return true;
    };
    w->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    return *w;
  }

  template <typename Window>
  static int openWindows() {
    int n = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
      if (qobject_cast<Window*>(top) && top->isVisible()) ++n;
    return n;
  }
};

TEST_F(StackingTest, OnTopFollowsTheCheckBoxAndGivesThePlayerTheFocus) {
  makeWindow();
  w->chkOnTop->setChecked(true);
  EXPECT_EQ(stacking.calls, QStringList({"Playerfrm:on"}));
  EXPECT_EQ(player.calls, QStringList({"SetFocus"}));
  w->chkOnTop->setChecked(false);
  EXPECT_EQ(stacking.calls, QStringList({"Playerfrm:on", "Playerfrm:off"}));
  EXPECT_EQ(player.calls, QStringList({"SetFocus", "SetFocus"}));
}

TEST_F(StackingTest, AUserClickOnTheCheckBoxRunsTheHandlerOnce) {
  makeWindow();
  QTest::mouseClick(w->chkOnTop, Qt::LeftButton);
  EXPECT_EQ(stacking.calls, QStringList({"Playerfrm:on"}));
  QTest::keyClick(w->chkOnTop, Qt::Key_Space);
  EXPECT_EQ(stacking.calls, QStringList({"Playerfrm:on", "Playerfrm:off"}));
}

TEST_F(StackingTest, SwitchOffStepLeavesTheBandOnlyWhenChecked) {
  makeWindow();
  w->SwitchOffOnTop();
  EXPECT_TRUE(stacking.calls.isEmpty());
  w->chkOnTop->setChecked(true);
  w->SwitchOffOnTop();
  EXPECT_FALSE(w->chkOnTop->isChecked());
  EXPECT_EQ(stacking.calls, QStringList({"Playerfrm:on", "Playerfrm:off"}));
}

TEST_F(StackingTest, AboutLeavesTheBandFirstThenOpensOneWindowOnTop) {
  makeWindow();
  w->chkOnTop->setChecked(true);
  stacking.calls.clear();
  stacking.shown.clear();
  player.calls.clear();

  QTest::mouseClick(w->Command23, Qt::LeftButton);
  EXPECT_FALSE(w->chkOnTop->isChecked());
  // The main window is out of the band before the About window enters it, and the About window
  // enters it as it loads, before it is shown.
  EXPECT_EQ(stacking.calls, QStringList({"Playerfrm:off", "frmAbout:on"}));
  EXPECT_FALSE(stacking.shown.value(1, true));
  EXPECT_TRUE(player.calls.contains("SetFocus"));
  frmAbout* about = w->aboutWindow.get();
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(about->isVisible());
  EXPECT_EQ(about->parentWidget(), nullptr);  // no owner
  EXPECT_FALSE(about->isModal());

  // Clicking again brings the same window forward: no second window, no second load.
  QTest::mouseClick(w->Command23, Qt::LeftButton);
  QTest::mouseClick(w->Command23, Qt::LeftButton);
  EXPECT_EQ(w->aboutWindow.get(), about);
  EXPECT_EQ(openWindows<frmAbout>(), 1);
  EXPECT_EQ(stacking.calls.count("frmAbout:on"), 1);

  // Closed with its own button it leaves the band and goes; the next click opens a new one.
  QPointer<frmAbout> first(about);
  QTest::mouseClick(about->Command1, Qt::LeftButton);
  EXPECT_EQ(stacking.calls.last(), "frmAbout:off");
  EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }, 5000));
  w->Command23_Click();
  ASSERT_NE(w->aboutWindow.get(), nullptr);
  EXPECT_EQ(stacking.calls.count("frmAbout:on"), 2);
  EXPECT_EQ(openWindows<frmAbout>(), 1);
}

TEST_F(StackingTest, HelpLeavesTheBandFirstThenOpensOneWindowOnTop) {
  makeWindow();
  w->chkOnTop->setChecked(true);
  stacking.calls.clear();

  QTest::mouseClick(w->Command24, Qt::LeftButton);
  EXPECT_FALSE(w->chkOnTop->isChecked());
  EXPECT_EQ(stacking.calls, QStringList({"Playerfrm:off", "frmHelp:on"}));
  frmHelp* help = w->helpWindow.get();
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->parentWidget(), nullptr);

  w->Command24_Click();
  EXPECT_EQ(w->helpWindow.get(), help);
  EXPECT_EQ(openWindows<frmHelp>(), 1);
  // With On Top unchecked the switch-off step has nothing to do.
  EXPECT_EQ(stacking.calls, QStringList({"Playerfrm:off", "frmHelp:on"}));

  // The title bar's close box unloads it like its OK button.
  QPointer<frmHelp> first(help);
  help->close();
  EXPECT_EQ(stacking.calls.last(), "frmHelp:off");
  EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }, 5000));
}

TEST_F(StackingTest, AMinimisedInformationWindowComesBackWhenAskedForAgain) {
  makeWindow();
  w->Command24_Click();
  frmHelp* help = w->helpWindow.get();
  help->showMinimized();
  ASSERT_TRUE(help->isMinimized());
  w->Command24_Click();
  EXPECT_EQ(w->helpWindow.get(), help);
  EXPECT_FALSE(help->isMinimized());
  EXPECT_TRUE(help->isVisible());
}

TEST_F(StackingTest, InformationWindowsStillOpenGoWithTheMainWindowWithoutUnloading) {
  makeWindow();
  w->Command23_Click();
  w->Command24_Click();
  QPointer<frmAbout> about(w->aboutWindow.get());
  QPointer<frmHelp> help(w->helpWindow.get());
  stacking.calls.clear();
  w.reset();
  EXPECT_TRUE(about.isNull());
  EXPECT_TRUE(help.isNull());
  EXPECT_TRUE(stacking.calls.isEmpty());  // the process ends at once: no unload handlers run
}

}  // namespace
}  // namespace vcd::test
