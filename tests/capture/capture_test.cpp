// The capture sequence with a fake player, the main window's working controls and a screen the
// test paints: the black cover, the three timer steps run by themselves, the stamped screenshot
// on the test's own Desktop, the video back in the window playing on; Apply; and the failures
// that leave a message. (The window's Capture button with the real program:
// tests/e2e/captures_screenshot.sh and window_stays_right.sh; Apply before any capture:
// tests/player/stacking_test.cpp.)
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include "capture/capture_sequence.h"
#include "capture/capturefrm.h"
#include "tests/support/desktop_sandbox.h"
#include "tests/support/fake_media_player.h"
#include "tests/support/media.h"
#include "ui/timer.h"

namespace vcd::test {
namespace {

using capture::Capturefrm;

const QString kAllDone = "All Done|The image has been saved as \\Desktop\\ScreenShot.bmp";
const QString kCaption = "This picture was captured using Voren VCD Player download at https://voren.example.org/vcdplayer";

class CaptureTest : public ::testing::Test {
 protected:
  DesktopSandbox sandbox;
  FakeMediaPlayer player;
  QWidget window;  // the main window: the working controls are its children
  // The step timers as start-up leaves them: off, with a period of 100 ms.
  ui::Timer* timers[3] = {new ui::Timer(false, 100, &window), new ui::Timer(false, 100, &window),
                          new ui::Timer(false, 100, &window)};
  QLabel* picMain = new QLabel(&window);
  QLineEdit* TxtCopyright = new QLineEdit(kCaption, &window);
  QLineEdit* txtcopyrname = new QLineEdit(&window);
  QStringList windowCalls;  // what the sequence asked of the window
  QStringList messages;     // message boxes as "title|text"; none of them blocks
  QList<int> steps;         // the timer steps in the order they ran
  std::function<QImage()> screen = [] { return filledImage(640, 480, qRgb(0, 0, 200)); };
  std::unique_ptr<capture::CaptureSequence> capture;

  void SetUp() override {
    capture::CaptureControls c;
    c.player = &player;
    c.window = &window;
    c.Timer1 = timers[0];
    c.Timer2 = timers[1];
    c.Timer3 = timers[2];
    c.picMain = picMain;
    c.TxtCopyright = TxtCopyright;
    c.txtcopyrname = txtcopyrname;
    c.switchOffOnTop = [this] { windowCalls << "On Top off"; };
    c.focusPlayer = [this] { windowCalls << "focus"; };
    c.messageBox = [this](ui::MessageIcon, const QString& title, const QString& text) { messages << title + "|" + text; };
    c.grabScreen = [this] { return screen(); };
    capture = std::make_unique<capture::CaptureSequence>(std::move(c));
    for (int i : {1, 2, 3})
      QObject::connect(timers[i - 1], &ui::Timer::Tick, [this, i] {
        steps << i;
        i == 1 ? capture->step1() : i == 2 ? capture->step2() : capture->step3();
      });
    player.setState(kPlaying);
  }
  void pausedAtFullScreen() {
    player.setState(kPaused);
    player.setDisplaySize(kDisplayFullScreen);
    player.calls.clear();
  }
  // Lets the timers run until the sequences are over and the messages are in.
  bool runToEnd(int messagesExpected = 1) {
    return QTest::qWaitFor([&] {
      return std::none_of(std::begin(timers), std::end(timers), [](ui::Timer* t) { return t->isTicking(); }) &&
             messages.size() >= messagesExpected;
    }, 20000);
  }
  // The video is back in its window and plays on.
  void expectVideoBack() {
    EXPECT_EQ(player.DisplaySize(), kDisplayFitToControl);
    EXPECT_GT(player.calls.lastIndexOf("Play"), player.calls.lastIndexOf("DisplaySize=4"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return capture->cover() == nullptr; }, 10000));
  }
};

// (A capture while the video plays is the end-to-end test's: tests/e2e/captures_screenshot.sh.)
TEST_F(CaptureTest, PausedAtFullScreenTheStampedScreenIsSavedAndTheVideoPlaysOn) {
  pausedAtFullScreen();
  QGuiApplication::clipboard()->setText("the user's own text");
  capture->start();
  EXPECT_EQ(windowCalls, QStringList({"On Top off", "focus"}));
  EXPECT_EQ(player.calls, QStringList({"Pause", "DisplaySize=3"}));
  Capturefrm* cover = capture->cover();  // a black cover over the whole screen while it waits
  ASSERT_NE(cover, nullptr);
  EXPECT_TRUE(cover->isFullScreen() && (cover->windowFlags() & Qt::FramelessWindowHint));
  EXPECT_EQ(cover->palette().color(QPalette::Window), QColor(Qt::black));
  // Step 1 holds the covered screen without holding the GUI thread: what is queued right after
  // its tick (a repaint, a key, a screen reader's question) runs while the cover is still up.
  bool answeredUnderCover = false;
  QObject::connect(timers[0], &ui::Timer::Tick, &window, [&] {
    QMetaObject::invokeMethod(&window, [&] {
      answeredUnderCover = capture->cover() && !capture->cover()->isUnloaded() && !timers[1]->isTicking();
    }, Qt::QueuedConnection);
  });
  ASSERT_TRUE(runToEnd());
  EXPECT_TRUE(answeredUnderCover);
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
  // The window's working controls hold the file, the caption and the picture as saved.
  EXPECT_EQ(txtcopyrname->text(), sandbox.shot());
  EXPECT_EQ(capture->loadedFile(), sandbox.shot());
  EXPECT_EQ(picMain->size(), QSize(640, 500));
  EXPECT_EQ(picMain->pixmap().toImage().pixel(320, 240), qRgb(0, 0, 200));
}

// The click that takes the cover away reaches the cover only, even with another window over it.
TEST_F(CaptureTest, TheCoverIsClickedAwayEvenUnderAnotherWindow) {
  struct Intruder : QWidget {
    int clicks = 0;
    void mousePressEvent(QMouseEvent*) override { ++clicks; }
    void mouseReleaseEvent(QMouseEvent*) override { ++clicks; }
  } intruder;
  intruder.setGeometry(QGuiApplication::primaryScreen()->geometry());
  capture->start();
  intruder.show();
  intruder.raise();
  emit timers[0]->Tick();
  EXPECT_TRUE(QTest::qWaitFor([&] { return capture->cover() == nullptr; }, 10000));
  EXPECT_EQ(intruder.clicks, 0);
}

// Apply prints the caption as the text box now holds it (blanks trimmed) and saves again; a new
// capture prints the window's own caption again.
TEST_F(CaptureTest, ASecondCaptureReplacesTheFirstApplyWritesItAgainAndAWaylandScreenTakesTheVideo) {
  capture->start();
  ASSERT_TRUE(runToEnd());
  screen = [] { return filledImage(800, 600, qRgb(0, 150, 0)); };
  capture->start();
  ASSERT_TRUE(runToEnd(2));
  EXPECT_EQ(QImage(sandbox.shot()).size(), QSize(800, 620));
  const QByteArray second = readFile(sandbox.shot());
  QFile::remove(sandbox.shot());
  capture->apply();
  EXPECT_EQ(readFile(sandbox.shot()), second);
  TxtCopyright->setText("  ");
  capture->apply();
  EXPECT_EQ(QImage(sandbox.shot()).pixel(300, 610), qRgb(0, 0, 0));  // a strip with no caption
  EXPECT_NE(readFile(sandbox.shot()), second);
  // The screen cannot be read (a null grab), or the grab is black all over (XWayland's): the
  // video's own picture fills the screen instead, never the black grab.
  const QSize size = QGuiApplication::primaryScreen()->size();
  const std::pair<const char*, std::function<QImage()>> unreadable[] = {
      {"null grab", [] { return QImage(); }},
      {"black grab", [] { return filledImage(1024, 768, qRgb(0, 0, 0)); }},
  };
  for (const auto& [kind, grab] : unreadable) {
    SCOPED_TRACE(kind);
    screen = grab;
    player.frame = filledImage(352, 288, qRgb(220, 30, 30));
    const int before = messages.size();
    capture->start();
    ASSERT_TRUE(runToEnd(before + 1));
    EXPECT_EQ(messages, QStringList(before + 1, kAllDone));
    EXPECT_EQ(TxtCopyright->text(), kCaption);
    const QImage saved(sandbox.shot());
    ASSERT_EQ(saved.size(), QSize(size.width(), size.height() + 20));
    EXPECT_EQ(saved.pixel(size.width() / 2, size.height() / 2), qRgb(220, 30, 30));
  }
  // A grab with anything at all on it is the screen: a single lit pixel keeps it.
  screen = [] {
    QImage dark = filledImage(800, 600, qRgb(0, 0, 0));
    dark.setPixel(799, 599, qRgb(1, 1, 1));
    return dark;
  };
  const int before = messages.size();
  capture->start();
  ASSERT_TRUE(runToEnd(before + 1));
  EXPECT_EQ(QImage(sandbox.shot()).size(), QSize(800, 620));
}

// A capture that fails: the video is back in the window and plays, a message says what failed,
// and an earlier screenshot stays as it was.
TEST_F(CaptureTest, FailuresPutTheVideoBackAndSaySo) {
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"there is no Desktop folder", [this] { QDir(sandbox.desktop).removeRecursively(); }},
      {"the screen cannot be read", [this] { screen = [] { return QImage(); }; }},
      {"the screen cannot be read", [this] { screen = [] { return filledImage(640, 480, qRgb(0, 0, 0)); }; }},
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
    screen = [] { return filledImage(640, 480, qRgb(0, 0, 200)); };
    pausedAtFullScreen();
    messages.clear();
    arrange();
    const QByteArray before = readFile(sandbox.shot());
    capture->start();
    ASSERT_TRUE(runToEnd());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Voren VCD Player Lite|The screenshot was not saved: ") && messages[0].contains(says))
        << messages[0].toStdString();
    expectVideoBack();
    EXPECT_EQ(readFile(sandbox.shot()), before);
    EXPECT_TRUE(!QFileInfo(sandbox.shot()).isFile() || sandbox.desktopFiles() == QStringList({"ScreenShot.bmp"}));  // no leftovers
  }
  EXPECT_EQ(QFile::exists("/ScreenShot.bmp"), rootFileBefore);
  EXPECT_TRUE(capture->loadedFile().isEmpty());
}

}  // namespace
}  // namespace vcd::test
