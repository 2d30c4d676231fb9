// The windowed engine: the picture drawn by libmpv into its OpenGL window, and the widget's
// own keys and clicks.
#include "engine/control_bar.h"
#include "engine/properties_dialog.h"
#include "engine/video_widget.h"
#include "tests/engine/engine_support.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QSlider>
#include <QToolButton>
#include <QProcess>
#include <QStandardPaths>
#include <QImage>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using vcd::mpv::ControlBar;
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

TEST_F(Windowed, DrawsThePictureIntoTheWidgetWhileAVideoPlays) {
  QWidget* window = video->findChild<QWidget*>(QStringLiteral("picture"));
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(distinctColours(video->grabPicture()), 1);  // nothing yet
  EXPECT_FALSE(window->isVisible());  // the face is plain black: what stacks over it shows
  player->setFileName(localMedia("long.mpg"));
  ASSERT_TRUE(waitForState(*player, vcd::kPlaying));
  EXPECT_TRUE(showsPicture());
  EXPECT_TRUE(window->isVisible());
  // Stopped, the last frame does not linger on screen.
  player->Stop();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 20000));
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

TEST_F(Windowed, ControlBarBelowThePictureSeeksFollowsAndSetsTheSound) {
  ControlBar* bar = player->controlBar();
  ASSERT_NE(bar, nullptr);
  auto* picture = video->findChild<QWidget*>(QStringLiteral("picture"));
  ASSERT_NE(picture, nullptr);
  // Inside the control's rectangle, at its bottom, the picture taking the rest above it.
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->parentWidget(), video);
  EXPECT_EQ(bar->geometry().bottom(), video->height() - 1);
  EXPECT_EQ(bar->width(), video->width());
  EXPECT_EQ(picture->geometry(), QRect(0, 0, video->width(), bar->y()));

  player->setFileName(localMedia("long.mpg"));
  ASSERT_TRUE(waitForState(*player, vcd::kPlaying));
  QSlider* seek = bar->seekSlider();
  // The slider follows the position.
  ASSERT_TRUE(QTest::qWaitFor([&] { return seek->isEnabled() && seek->value() > 1000; }, 20000));
  EXPECT_NEAR(seek->maximum(), 20000, 500);
  EXPECT_TRUE(showsPicture());
  // The decoded picture is handed out by the windowed engine too.
  EXPECT_EQ(player->currentFrame().size(), QSize(352, 288));
  if (const QByteArray dir = qgetenv("VCD_SCREENSHOT_DIR"); !dir.isEmpty()) {
    QDir().mkpath(QString::fromLocal8Bit(dir));
    // From the screen: the picture is a window of its own, which a widget grab leaves out.
    host.screen()->grabWindow(host.winId()).save(QString::fromLocal8Bit(dir) + "/engine_face.png");
  }

  // Setting it moves playback there.
  seek->setValue(15000);
  ASSERT_TRUE(QTest::qWaitFor([&] { return player->CurrentPosition() > 14.5; }, 20000));
  EXPECT_EQ(player->PlayState(), vcd::kPlaying);
  // So does a click on its groove, where the click is.
  const QPoint early(seek->width() / 10, seek->height() / 2);
  QTest::mouseClick(seek, Qt::LeftButton, {}, early);
  ASSERT_TRUE(QTest::qWaitFor([&] { return player->CurrentPosition() < 6.0; }, 20000));
  EXPECT_GT(player->CurrentPosition(), 0.5);

  // The sound: volume on libmpv's scale, starting at -2.9 dB; mute.
  QSlider* volume = bar->volumeSlider();
  EXPECT_EQ(volume->value(), 89);
  volume->setValue(50);
  EXPECT_EQ(player->volume(), 50.0);
  QTest::mouseClick(bar->muteButton(), Qt::LeftButton);
  EXPECT_TRUE(player->isMuted());
  QTest::mouseClick(bar->muteButton(), Qt::LeftButton);
  EXPECT_FALSE(player->isMuted());

  // A click on the bar between its controls does not pause the picture above it.
  QPoint gap;
  for (int x = 0; x < bar->width() && gap.isNull(); ++x)
    if (!bar->childAt(x, bar->height() / 2)) gap = QPoint(x, bar->height() / 2);
  ASSERT_FALSE(gap.isNull());
  QTest::mouseClick(bar, Qt::LeftButton, {}, gap);
  const double from = player->CurrentPosition();
  ASSERT_TRUE(QTest::qWaitFor([&] { return player->CurrentPosition() > from + 1.0; }, 20000));
  EXPECT_EQ(player->PlayState(), vcd::kPlaying);

  // Play/pause resumes where it stood; stop stops.
  QTest::mouseClick(bar->playPauseButton(), Qt::LeftButton);
  EXPECT_EQ(player->PlayState(), vcd::kPaused);
  const double held = player->CurrentPosition();
  QTest::mouseClick(bar->playPauseButton(), Qt::LeftButton);
  EXPECT_EQ(player->PlayState(), vcd::kPlaying);
  EXPECT_GE(player->CurrentPosition(), held - 0.1);
  QTest::mouseClick(bar->stopButton(), Qt::LeftButton);
  EXPECT_EQ(player->PlayState(), vcd::kStopped);
  bar->refresh();
  EXPECT_FALSE(seek->isEnabled());
}

TEST_F(Windowed, RightClickOpensTheContextMenuAndFullScreenShowsNoBar) {
  player->setFileName(localMedia("long.mpg"));
  ASSERT_TRUE(waitForState(*player, vcd::kPlaying));
  QSignalSpy asked(video, &VideoWidget::contextMenuRequested);
  // Through the window, as the display server delivers it (the window makes the menu event).
  QTest::mouseClick(host.windowHandle(), Qt::RightButton, {}, video->mapTo(&host, QPoint(video->width() / 2, video->height() / 3)));
  EXPECT_EQ(asked.count(), 1);
  QMenu* menu = nullptr;
  ASSERT_TRUE(QTest::qWaitFor([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); }, 5000));
  EXPECT_EQ(menu->objectName(), "playerMenu");
  QAction* pause = menu->findChild<QAction*>("playPause");
  ASSERT_NE(pause, nullptr);
  EXPECT_EQ(pause->text(), "&Pause");
  QAction* full = menu->findChild<QAction*>("fullScreen");
  ASSERT_NE(full, nullptr);
  EXPECT_FALSE(full->isChecked());
  menu->close();
  EXPECT_EQ(player->PlayState(), vcd::kPlaying);  // a right click does not pause

  std::unique_ptr<QMenu> built(player->buildContextMenu(video));
  built->findChild<QAction*>("fullScreen")->trigger();
  EXPECT_EQ(player->DisplaySize(), vcd::kDisplayFullScreen);
  EXPECT_TRUE(video->isWindow());
  EXPECT_FALSE(player->controlBar()->isVisible());
  ASSERT_TRUE(QTest::qWaitFor([&] { return video->hasRenderer(); }, 5000));
  QTest::keyClick(video, Qt::Key_Escape);
  EXPECT_EQ(player->DisplaySize(), vcd::kDisplayFitToControl);
  EXPECT_TRUE(player->controlBar()->isVisible());
  EXPECT_EQ(player->controlBar()->geometry().bottom(), video->height() - 1);

  // Properties opens over the window without holding the picture up.
  built->findChild<QAction*>("properties")->trigger();
  vcd::mpv::PropertiesDialog* dialog = player->propertiesDialog();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
  EXPECT_EQ(dialog->parentWidget(), &host);
  dialog->pages()->setCurrentIndex(1);
  dialog->decoders()->setCurrentRow(0);
  if (const QByteArray dir = qgetenv("VCD_SCREENSHOT_DIR"); !dir.isEmpty())
    dialog->grab().save(QString::fromLocal8Bit(dir) + "/engine_properties.png");
  EXPECT_EQ(player->PlayState(), vcd::kPlaying);
  dialog->reject();
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
  // Display numbers from 150 on: the end-to-end tests take turns on theirs from 99 on, and two
  // xvfb-run started at the same moment could otherwise pick the same free number.
  child.start(xvfb, {"-a", "-n", "150", "-s", "-screen 0 1024x768x24", QCoreApplication::applicationFilePath(),
                     "--gtest_filter=Windowed.*"});
  ASSERT_TRUE(child.waitForFinished(240000));
  const QString out = QString::fromLocal8Bit(child.readAll());
  EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
  EXPECT_TRUE(out.contains("[  PASSED  ] 6 tests.")) << out.toStdString();
}

}  // namespace
