// The windowed engine: the picture drawn by libmpv into the OpenGL widget, and the widget's
// own keys and clicks.
#include "player/mpv/video_widget.h"
#include "tests/engine/engine_support.h"

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QImage>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using vcd::mpv::MpvPlayer;
using vcd::mpv::VideoWidget;
using namespace vcd::test;

namespace {

int distinctColours(const QImage& image) {
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); y += 4)
    for (int x = 0; x < image.width(); x += 4) colours.insert(image.pixel(x, y));
  return colours.size();
}

class Windowed : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!VideoWidget::openGLAvailable()) GTEST_SKIP() << "no OpenGL on this display (run under xvfb-run with QT_QPA_PLATFORM=xcb)";
    player = std::make_unique<MpvPlayer>(nullptr, MpvPlayer::Mode::Windowed);
    video = qobject_cast<VideoWidget*>(player->widget());
    ASSERT_NE(video, nullptr);
    auto* layout = new QVBoxLayout(&host);
    layout->addWidget(video);
    host.resize(400, 330);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    ASSERT_TRUE(QTest::qWaitFor([&] { return video->hasRenderer(); }, 5000));
  }
  void TearDown() override {
    player.reset();  // the widget stays in the host window with a dead picture
  }

  // Waits for a few fresh frames and tells whether they show a picture (the test pattern has
  // many colours; an empty or black widget has one).
  bool showsPicture() {
    const int from = video->framesRendered();
    if (!QTest::qWaitFor([&] { return video->framesRendered() > from + 3; }, 20000)) return false;
    return distinctColours(video->grabPicture()) > 20;
  }

  QWidget host;
  std::unique_ptr<MpvPlayer> player;
  VideoWidget* video = nullptr;
};

TEST_F(Windowed, DrawsThePictureIntoTheWidget) {
  EXPECT_EQ(distinctColours(video->grabPicture()), 1);  // nothing yet
  player->setFileName(localMedia("long.mpg"));
  ASSERT_TRUE(waitForState(*player, vcd::kPlaying));
  EXPECT_TRUE(showsPicture());
}

TEST_F(Windowed, FileNamedBeforeThePictureIsShownGetsItsPictureAndEnds) {
  MpvPlayer early(nullptr, MpvPlayer::Mode::Windowed);
  Recorder rec(early);
  early.setFileName(localMedia("pal2.mpg"));
  ASSERT_TRUE(waitForState(early, vcd::kPlaying));  // the sound runs already
  auto* picture = qobject_cast<VideoWidget*>(early.widget());
  host.layout()->addWidget(picture);
  ASSERT_TRUE(QTest::qWaitFor([&] { return picture->hasRenderer(); }, 5000));
  const int from = picture->framesRendered();
  ASSERT_TRUE(QTest::qWaitFor([&] { return picture->framesRendered() > from + 3; }, 20000));
  EXPECT_GT(distinctColours(picture->grabPicture()), 20);
  ASSERT_TRUE(waitForEnds(rec, 1));  // a natural end, not a failed file
  EXPECT_EQ(rec.lastEnd()->position, rec.lastEnd()->duration);
  delete picture;
}

TEST_F(Windowed, SpaceBarAndClickTogglePauseWithoutStartingOver) {
  player->setFileName(localMedia("long.mpg"));
  ASSERT_TRUE(waitForState(*player, vcd::kPlaying));
  player->SetFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return video->hasFocus(); }, 5000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return player->CurrentPosition() > 1.0; }, 20000));

  QTest::keyClick(video, Qt::Key_Space);
  EXPECT_EQ(player->PlayState(), vcd::kPaused);
  const double held = player->CurrentPosition();
  QTest::keyClick(video, Qt::Key_Space);
  EXPECT_EQ(player->PlayState(), vcd::kPlaying);
  EXPECT_GE(player->CurrentPosition(), held - 0.1);  // resumed, not started over

  // A click counts once the double-click interval has passed without a second click.
  QTest::mouseClick(video, Qt::LeftButton, {}, video->rect().center());
  ASSERT_TRUE(waitForState(*player, vcd::kPaused));
  QTest::mouseClick(video, Qt::LeftButton, {}, video->rect().center());
  ASSERT_TRUE(waitForState(*player, vcd::kPlaying));
  EXPECT_GE(player->CurrentPosition(), held - 0.1);
}

TEST_F(Windowed, FullScreenAndBackByEscAndByDoubleClick) {
  player->setFileName(localMedia("long.mpg"));
  ASSERT_TRUE(waitForState(*player, vcd::kPlaying));

  player->setDisplaySize(vcd::kDisplayFullScreen);
  EXPECT_EQ(player->DisplaySize(), vcd::kDisplayFullScreen);
  EXPECT_TRUE(video->isWindow());
  EXPECT_EQ(video->geometry(), host.screen()->geometry());
  ASSERT_TRUE(QTest::qWaitFor([&] { return video->hasRenderer(); }, 5000));
  EXPECT_TRUE(showsPicture());

  QTest::keyClick(video, Qt::Key_Escape);
  EXPECT_EQ(player->DisplaySize(), vcd::kDisplayFitToControl);
  EXPECT_FALSE(video->isWindow());
  EXPECT_EQ(video->parentWidget(), &host);
  EXPECT_EQ(host.layout()->indexOf(video), 0);  // back in its place
  EXPECT_TRUE(showsPicture());

  player->setDisplaySize(vcd::kDisplayFullScreen);
  ASSERT_TRUE(video->isWindow());
  QTest::mouseDClick(video, Qt::LeftButton, {}, video->rect().center());
  EXPECT_EQ(player->DisplaySize(), vcd::kDisplayFitToControl);
  EXPECT_EQ(video->parentWidget(), &host);
  EXPECT_TRUE(showsPicture());
  // The double click neither paused nor restarted anything.
  EXPECT_EQ(player->PlayState(), vcd::kPlaying);

  // In a window that places its controls itself (no layout) the picture returns to its rectangle.
  QWidget bare;
  bare.resize(500, 400);
  video->setParent(&bare);
  video->setGeometry(20, 30, 200, 150);
  bare.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&bare));
  player->setDisplaySize(vcd::kDisplayFullScreen);
  ASSERT_TRUE(video->isWindow());
  player->setDisplaySize(vcd::kDisplayFitToControl);
  EXPECT_EQ(video->parentWidget(), &bare);
  EXPECT_EQ(video->geometry(), QRect(20, 30, 200, 150));
  EXPECT_TRUE(showsPicture());
  video->setParent(&host);
  host.layout()->addWidget(video);

  // Esc when not full screen changes nothing.
  QTest::keyClick(video, Qt::Key_Escape);
  EXPECT_EQ(player->DisplaySize(), vcd::kDisplayFitToControl);
  EXPECT_THROW(player->setDisplaySize(7), vcd::MediaError);
}

// The suite runs on the offscreen platform, which has no OpenGL: run the tests above again in
// a virtual X display of their own, where they draw for real.
TEST(WindowedOnX, PictureKeysAndFullScreenUnderXvfb) {
  if (VideoWidget::openGLAvailable()) GTEST_SKIP() << "the windowed tests run directly on this display";
  const QString xvfb = QStandardPaths::findExecutable("xvfb-run");
  if (xvfb.isEmpty()) GTEST_SKIP() << "xvfb-run is not installed";
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "xcb");
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(xvfb, {"-a", "-s", "-screen 0 1024x768x24", QCoreApplication::applicationFilePath(),
                     "--gtest_filter=Windowed.*"});
  ASSERT_TRUE(child.waitForFinished(240000));
  const QString out = QString::fromLocal8Bit(child.readAll());
  EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
  EXPECT_TRUE(out.contains("[  PASSED  ] 4 tests.")) << out.toStdString();
}

}  // namespace
