// The Capture button with a fake player and a screen the test paints: the black cover, the three
// timer steps run by themselves, the stamped screenshot on the test's own Desktop, the video back
// in the window playing on; Apply; and the failures that leave a message.
#include <QClipboard>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "capture/capturefrm.h"
#include "tests/support/desktop_sandbox.h"
#include "tests/support/media.h"
#include "tests/support/window_fixture.h"

namespace vcd::test {
namespace {

const QString kAllDone = "All Done|The image has been saved as \\Desktop\\ScreenShot.bmp";

QImage filled(int w, int h, QRgb colour) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(colour);
  return img;
}

class CaptureTest : public WindowTest {
 protected:
  DesktopSandbox sandbox;
  QList<int> steps;  // the timer steps in the order they ran

  // A window whose first track plays (or is paused at full screen), on a blue 640 x 480 screen.
  void playing(bool pausedAtFullScreen = false) {
    screen = [] { return filled(640, 480, qRgb(0, 0, 200)); };
    drives.drives.clear();
    addDrive('D', FakeDriveManager::tracks(3));
    load();
    player.setState(kPlaying);
    if (pausedAtFullScreen) {
      player.setState(kPaused);
      player.setDisplaySize(kDisplayFullScreen);
    }
    player.calls.clear();
    messages.clear();
    for (int i : {1, 2, 3}) QObject::connect((i == 1 ? w->Timer1 : i == 2 ? w->Timer2 : w->Timer3), &controls::Timer::Tick, [this, i] { steps << i; });
  }
  // Lets the timers run until the sequences are over and the messages are in.
  bool runToEnd(int messagesExpected = 1) {
    return QTest::qWaitFor([&] {
      return !w->Timer1->isTicking() && !w->Timer2->isTicking() && !w->Timer3->isTicking() && messages.size() >= messagesExpected;
    }, 20000);
  }
  // The video is back in its window and plays on.
  void expectVideoBack() {
    EXPECT_EQ(player.DisplaySize(), kDisplayFitToControl);
    EXPECT_GT(player.calls.lastIndexOf("Play"), player.calls.lastIndexOf("DisplaySize=4"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->capturefrm() == nullptr; }, 10000));
    EXPECT_EQ(endings, 0);
  }
};

// (A capture while the video plays is the end-to-end test's: tests/e2e/captures_screenshot.sh.)
TEST_F(CaptureTest, PausedAtFullScreenTheStampedScreenIsSavedAndTheVideoPlaysOn) {
  playing(true);
  w->chkOnTop->setChecked(true);
  QGuiApplication::clipboard()->setText("the user's own text");
  w->Capturecmd->click();
  EXPECT_FALSE(w->chkOnTop->isChecked());
  EXPECT_EQ(player.DisplaySize(), kDisplayFullScreen);
  Capturefrm* cover = w->capturefrm();  // a black cover over the whole screen while it waits
  ASSERT_NE(cover, nullptr);
  EXPECT_TRUE(cover->isFullScreen() && (cover->windowFlags() & Qt::FramelessWindowHint));
  EXPECT_EQ(cover->palette().color(QPalette::Window), QColor(Qt::black));
  ASSERT_TRUE(runToEnd());
  EXPECT_EQ(steps, QList<int>({1, 2, 3}));
  EXPECT_EQ(messages, QStringList({kAllDone}));
  expectVideoBack();
  const QImage saved(sandbox.shot());
  ASSERT_EQ(saved.size(), QSize(640, 500));  // the screen and the caption strip
  EXPECT_EQ(saved.pixel(320, 240), qRgb(0, 0, 200));
  EXPECT_EQ(saved.pixel(5, 495), qRgb(0, 0, 0));
  EXPECT_EQ(readFile(sandbox.shot()).back(), 'p');
  EXPECT_EQ(sandbox.desktopFiles(), QStringList({"ScreenShot.bmp"}));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "the user's own text");  // not through the clipboard
}

// The click that takes the cover away reaches the cover only, even with another window over it.
TEST_F(CaptureTest, TheCoverIsClickedAwayEvenUnderAnotherWindow) {
  struct Intruder : QWidget {
    int clicks = 0;
    void mousePressEvent(QMouseEvent*) override { ++clicks; }
    void mouseReleaseEvent(QMouseEvent*) override { ++clicks; }
  } intruder;
  playing();
  intruder.setGeometry(QGuiApplication::primaryScreen()->geometry());
  w->Capturecmd->click();
  intruder.show();
  intruder.raise();
  emit w->Timer1->Tick();
  EXPECT_TRUE(QTest::qWaitFor([&] { return w->capturefrm() == nullptr; }, 10000));
  EXPECT_EQ(intruder.clicks, 0);
}

TEST_F(CaptureTest, ASecondCaptureReplacesTheFirstApplyWritesItAgainAndAWaylandScreenTakesTheVideo) {
  playing();
  w->Capturecmd->click();
  ASSERT_TRUE(runToEnd());
  screen = [] { return filled(800, 600, qRgb(0, 150, 0)); };
  w->Capturecmd->click();
  ASSERT_TRUE(runToEnd(2));
  EXPECT_EQ(QImage(sandbox.shot()).size(), QSize(800, 620));
  const QByteArray second = readFile(sandbox.shot());
  QFile::remove(sandbox.shot());
  w->CmdApply->click();
  EXPECT_EQ(readFile(sandbox.shot()), second);
  // The screen cannot be read (a null grab), or the grab is black all over (XWayland's): the
  // video's own picture fills the screen instead, never the black grab.
  const QSize size = QGuiApplication::primaryScreen()->size();
  const std::pair<const char*, std::function<QImage()>> unreadable[] = {
      {"null grab", [] { return QImage(); }},
      {"black grab", [] { return filled(1024, 768, qRgb(0, 0, 0)); }},
  };
  for (const auto& [kind, grab] : unreadable) {
    SCOPED_TRACE(kind);
    screen = grab;
    player.frame = filled(352, 288, qRgb(220, 30, 30));
    const int before = messages.size();
    w->Capturecmd->click();
    ASSERT_TRUE(runToEnd(before + 1));
    EXPECT_EQ(messages, QStringList(before + 1, kAllDone));
    const QImage saved(sandbox.shot());
    ASSERT_EQ(saved.size(), QSize(size.width(), size.height() + 20));
    EXPECT_EQ(saved.pixel(size.width() / 2, size.height() / 2), qRgb(220, 30, 30));
  }
  // A grab with anything at all on it is the screen: a single lit pixel keeps it.
  screen = [] {
    QImage dark = filled(800, 600, qRgb(0, 0, 0));
    dark.setPixel(799, 599, qRgb(1, 1, 1));
    return dark;
  };
  const int before = messages.size();
  w->Capturecmd->click();
  ASSERT_TRUE(runToEnd(before + 1));
  EXPECT_EQ(QImage(sandbox.shot()).size(), QSize(800, 620));
}

// A capture that fails: the video is back in the window and plays, a message says what failed,
// and an earlier screenshot stays as it was.
TEST_F(CaptureTest, FailuresPutTheVideoBackAndSaySo) {
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"there is no Desktop folder", [this] { QDir(sandbox.desktop).removeRecursively(); }},
      {"the screen cannot be read", [this] { screen = [] { return QImage(); }; }},
      {"the screen cannot be read", [this] { screen = [] { return filled(640, 480, qRgb(0, 0, 0)); }; }},
      {"cannot be written", [this] {
         QFile::remove(sandbox.shot());
         QDir().mkdir(sandbox.shot());  // a folder stands where the file should go
       }},
  };
  const bool rootFileBefore = QFile::exists("/ScreenShot.bmp");
  for (const auto& [says, arrange] : cases) {
    SCOPED_TRACE(says);
    QDir(sandbox.desktop).removeRecursively();
    QDir().mkpath(sandbox.desktop);
    writeFile(sandbox.shot(), "an earlier screenshot");
    playing(true);
    arrange();
    const QByteArray before = readFile(sandbox.shot());
    w->Capturecmd->click();
    ASSERT_TRUE(runToEnd());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Voren VCD Player Lite|The screenshot was not saved: ") && messages[0].contains(says))
        << messages[0].toStdString();
    expectVideoBack();
    EXPECT_EQ(readFile(sandbox.shot()), before);
    EXPECT_TRUE(!QFileInfo(sandbox.shot()).isFile() || sandbox.desktopFiles() == QStringList({"ScreenShot.bmp"}));  // no leftovers
  }
  EXPECT_EQ(QFile::exists("/ScreenShot.bmp"), rootFileBefore);
}

TEST_F(CaptureTest, ApplyBeforeAnyCaptureWritesNothingAndSaysSo) {
  load();
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
