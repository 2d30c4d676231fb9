// The Capture button and its three timer steps, with a fake player and a screen the test paints.
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>

#include "capture/capturefrm.h"
#include "tests/support/desktop_sandbox.h"
#include "tests/player/window_fixture.h"

namespace vcd::test {
namespace {

const QString kAllDone = "All Done|The image has been saved as \\Desktop\\ScreenShot.bmp";

QImage filled(int w, int h, QRgb colour) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(colour);
  return img;
}

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class CaptureTest : public WindowTest {
 protected:
  DesktopSandbox sandbox;
  QList<int> steps;  // the timer steps in the order they ran

  void SetUp() override { screen = [] { return filled(640, 480, qRgb(0, 0, 200)); }; }

  // A window whose first track plays, with the steps of the capture timers recorded.
  void playing(int state = kPlaying) {
    load();
    player.setState(state == kPaused ? kPlaying : state);
    if (state == kPaused) player.setState(kPaused);
    player.calls.clear();
    QObject::connect(w->Timer1, &controls::Timer::Tick, [this] { steps << 1; });
    QObject::connect(w->Timer2, &controls::Timer::Tick, [this] { steps << 2; });
    QObject::connect(w->Timer3, &controls::Timer::Tick, [this] { steps << 3; });
  }
  QString timersOn() const {
    QString s;
    for (auto* t : {w->Timer1, w->Timer2, w->Timer3}) s += t->isTicking() ? '1' : '0';
    return s;
  }
  // Lets the timers run until the sequence is over (all three off) and the window is still.
  bool runToEnd(int messagesExpected = 1) {
    return QTest::qWaitFor([&] { return timersOn() == "000" && messages.size() >= messagesExpected; }, 10000);
  }
  QImage savedPicture() const { return QImage(sandbox.shot()); }
};

TEST_F(CaptureTest, StepByStepFromTheClickToTheSavedScreenshot) {
  playing();
  ASSERT_TRUE(w->Capturecmd->isEnabled());
  w->chkOnTop->setChecked(true);
  player.calls.clear();

  QTest::mouseClick(w->Capturecmd, Qt::LeftButton);
  EXPECT_EQ(w->chkOnTop->checkState(), Qt::Unchecked);
  QStringList withoutFocus = player.calls;
  withoutFocus.removeAll("SetFocus");  // the On Top handler gives the player the focus too
  EXPECT_EQ(withoutFocus, QStringList({"Pause", "DisplaySize=3"}));
  EXPECT_EQ(player.calls.last(), "SetFocus");
  EXPECT_EQ(timersOn(), "100");
  Capturefrm* cover = w->capturefrm();
  ASSERT_NE(cover, nullptr);
  EXPECT_TRUE(cover->isVisible());
  EXPECT_TRUE(cover->isFullScreen());
  EXPECT_TRUE(cover->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(cover->palette().color(QPalette::Window), QColor(Qt::black));
  EXPECT_EQ(cover->parentWidget(), nullptr);

  // Step 1: the cover is clicked away once the tick has returned.
  emit w->Timer1->Tick();
  EXPECT_EQ(timersOn(), "010");
  EXPECT_EQ(w->capturefrm(), cover);
  EXPECT_TRUE(QTest::qWaitFor([&] { return w->capturefrm() == nullptr; }, 5000));

  // Step 2 hands over to step 3; step 3 saves and puts the video back.
  emit w->Timer2->Tick();
  EXPECT_EQ(timersOn(), "001");
  EXPECT_TRUE(sandbox.desktopFiles().isEmpty());
  player.calls.clear();
  emit w->Timer3->Tick();
  EXPECT_EQ(timersOn(), "000");
  EXPECT_EQ(player.calls, QStringList({"DisplaySize=4", "Play"}));
  EXPECT_EQ(messages, QStringList({kAllDone}));

  const QImage saved = savedPicture();
  ASSERT_EQ(saved.size(), QSize(640, 500));
  EXPECT_EQ(saved.pixel(320, 240), qRgb(0, 0, 200));
  EXPECT_EQ(saved.pixel(5, 495), qRgb(0, 0, 0));
  EXPECT_EQ(readAll(sandbox.shot()).back(), 'p');
  EXPECT_EQ(sandbox.desktopFiles(), QStringList({"ScreenShot.bmp"}));
  EXPECT_EQ(w->lzFilename, sandbox.shot());
  EXPECT_EQ(w->txtcopyrname->text(), sandbox.shot());
  EXPECT_EQ(w->StampMode, 2);
  EXPECT_EQ(w->StampForeColor, 0x0000FFFFu);
  EXPECT_FLOAT_EQ(w->Pic_Height, 7200.0f);
  EXPECT_EQ(w->Pic_Width, 9600);
  EXPECT_EQ(w->picMain->size(), QSize(640, 500));
  EXPECT_EQ(w->picMain->pos(), QPoint(0, 0));
  EXPECT_EQ(endings, 0);
}

TEST_F(CaptureTest, WhilePausedAtFullScreenTheSequenceRunsByItselfAndPlaysOn) {
  playing(kPaused);
  player.setDisplaySize(kDisplayFullScreen);
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText("the user's own text");

  w->Capturecmd->click();
  ASSERT_TRUE(runToEnd());
  EXPECT_EQ(steps, QList<int>({1, 2, 3}));
  EXPECT_EQ(player.DisplaySize(), kDisplayFitToControl);
  EXPECT_EQ(player.calls.filter("Play").size(), 1);
  EXPECT_GT(player.calls.lastIndexOf("Play"), player.calls.lastIndexOf("DisplaySize=4"));
  EXPECT_EQ(messages, QStringList({kAllDone}));
  EXPECT_EQ(savedPicture().size(), QSize(640, 500));
  // The screen copy never went through the clipboard.
  EXPECT_EQ(clipboard->text(), "the user's own text");
}

TEST_F(CaptureTest, AClickRestartsAtStepOneAndLeavesAPendingStepThree) {
  playing();
  // In "step 2 due" a click cancels step 2 and starts again at step 1.
  w->Capturecmd->click();
  emit w->Timer1->Tick();
  ASSERT_EQ(timersOn(), "010");
  w->Capturecmd->click();
  EXPECT_EQ(timersOn(), "100");

  // In "step 3 due" step 3 still runs, and the new sequence too.
  emit w->Timer1->Tick();
  emit w->Timer2->Tick();
  ASSERT_EQ(timersOn(), "001");
  steps.clear();
  w->Capturecmd->click();
  EXPECT_EQ(timersOn(), "101");
  ASSERT_TRUE(runToEnd(2));
  EXPECT_EQ(steps, QList<int>({3, 1, 2, 3}));
  EXPECT_EQ(messages, QStringList({kAllDone, kAllDone}));
  EXPECT_EQ(player.DisplaySize(), kDisplayFitToControl);
  EXPECT_TRUE(QTest::qWaitFor([&] { return w->capturefrm() == nullptr; }, 5000));
}

TEST_F(CaptureTest, TheStepOneClickReachesTheCoverOnlyEvenUnderAnotherWindow) {
  playing();
  // Another window lies above the cover; the synthetic click must not land on it.
  QWidget intruder;
  intruder.setGeometry(QGuiApplication::primaryScreen()->geometry());
  int intruderClicks = 0;
  struct Counter : QObject {
    int* n;
    explicit Counter(int* count) : n(count) {}
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonRelease) ++*n;
      return false;
    }
  } counter(&intruderClicks);
  intruder.installEventFilter(&counter);

  w->Capturecmd->click();
  intruder.show();
  intruder.raise();
  emit w->Timer1->Tick();
  EXPECT_TRUE(QTest::qWaitFor([&] { return w->capturefrm() == nullptr; }, 5000));
  EXPECT_EQ(intruderClicks, 0);
}

TEST_F(CaptureTest, ASecondCaptureOverwritesTheFirstAndApplyWritesItAgain) {
  playing();
  w->Capturecmd->click();
  ASSERT_TRUE(runToEnd());
  screen = [] { return filled(800, 600, qRgb(0, 150, 0)); };
  w->Capturecmd->click();
  ASSERT_TRUE(runToEnd(2));
  QImage saved = savedPicture();
  ASSERT_EQ(saved.size(), QSize(800, 620));
  EXPECT_EQ(saved.pixel(400, 300), qRgb(0, 150, 0));

  // Apply again after a capture: the same stamped picture, the same message.
  const QByteArray before = readAll(sandbox.shot());
  QFile::remove(sandbox.shot());
  w->CmdApply->click();
  EXPECT_EQ(readAll(sandbox.shot()), before);
  EXPECT_EQ(messages, QStringList({kAllDone, kAllDone, kAllDone}));
}

TEST_F(CaptureTest, WhereTheScreenCannotBeReadTheVideosOwnPictureFillsIt) {
  playing();
  screen = [] { return QImage(); };  // a Wayland session
  player.frame = filled(352, 288, qRgb(220, 30, 30));
  w->Capturecmd->click();
  ASSERT_TRUE(runToEnd());
  EXPECT_EQ(messages, QStringList({kAllDone}));
  const QSize screenSize = QGuiApplication::primaryScreen()->size();
  const QImage saved = savedPicture();
  ASSERT_EQ(saved.size(), QSize(screenSize.width(), screenSize.height() + 20));
  EXPECT_EQ(saved.pixel(screenSize.width() / 2, screenSize.height() / 2), qRgb(220, 30, 30));
}

// A capture that fails: the program goes on, the video is back in the window and plays, a
// message says what failed, and an earlier screenshot stays as it was.
TEST_F(CaptureTest, FailuresPutTheVideoBackAndSaySo) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
    const char* says;
  };
  const Case cases[] = {
      {"no Desktop folder", [this] { QDir(sandbox.desktop).removeRecursively(); },
       "there is no Desktop folder"},
      {"unreadable screen", [this] { screen = [] { return QImage(); }; }, "the screen cannot be read"},
      {"file cannot be written", [this] {
         QFile::remove(sandbox.shot());
         QDir().mkdir(sandbox.shot());  // a folder stands where the file should go
       }, "cannot be written"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(sandbox.desktop).removeRecursively();
    QDir().mkpath(sandbox.desktop);
    QFile old(sandbox.shot());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an earlier screenshot");
    old.close();
    screen = [] { return filled(640, 480, qRgb(0, 0, 200)); };
    messages.clear();
    steps.clear();
    playing(kPaused);
    player.setDisplaySize(kDisplayFullScreen);
    c.arrange();
    const QByteArray before = readAll(sandbox.shot());
    const bool rootFileBefore = QFile::exists("/ScreenShot.bmp");

    w->Capturecmd->click();
    ASSERT_TRUE(runToEnd());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Voren VCD Player Lite|The screenshot was not saved: ")) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(c.says)) << messages[0].toStdString();
    EXPECT_EQ(player.DisplaySize(), kDisplayFitToControl);
    EXPECT_TRUE(player.calls.contains("Play"));
    EXPECT_EQ(endings, 0);
    EXPECT_EQ(readAll(sandbox.shot()), before);
    EXPECT_EQ(QFile::exists("/ScreenShot.bmp"), rootFileBefore);
    if (QDir(sandbox.desktop).exists()) {
      EXPECT_EQ(sandbox.desktopFiles(), QStringList({"ScreenShot.bmp"}));  // no half-written leftovers
    }
    EXPECT_EQ(w->lzFilename, "");  // Apply still has nothing to save
  }
}

}  // namespace
}  // namespace vcd::test
