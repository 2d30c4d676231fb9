// The windowed engine: the picture libmpv draws into its OpenGL window, the control bar, and the
// widget's own keys, clicks and menu. Each check of pixels waits for frames drawn first.
#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QPalette>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <gtest/gtest.h>

#include "engine/control_bar.h"
#include "engine/video_widget.h"
#include "tests/engine/recorder.h"

using vcd::engine::ControlBar;
using vcd::engine::MpvPlayer;
using vcd::engine::VideoWidget;
using namespace vcd::test;

namespace {

int distinctColours(const QImage& image) {
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); y += 4)
    for (int x = 0; x < image.width(); x += 4) colours.insert(image.pixel(x, y));
  return colours.size();
}

// The test pattern has many colours; an empty or black picture has one.
bool showsPicture(VideoWidget* video) {
  const int from = video->framesRendered();
  return QTest::qWaitFor([&] { return video->framesRendered() > from + 3; }, 30000) &&
         distinctColours(video->grabPicture()) > 20;
}

// What the screen shows where the picture is (the X server's own pixels: the frame as displayed,
// not drawn once more for the asking as grabPicture does). Elsewhere only the drawn frame can be
// looked at.
bool showsPictureOnScreen(QWidget* picture) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return true;
  return QTest::qWaitFor([&] {
    const QPoint at = picture->mapToGlobal(QPoint(0, 0));
    const QImage shown = picture->screen()->grabWindow(0, at.x(), at.y(), picture->width(), picture->height()).toImage();
    return distinctColours(shown) > 20;
  }, 30000);
}

// The engine with its face, a disc in its virtual drive; the face not yet on screen.
class EngineFace : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!VideoWidget::openGLAvailable()) GTEST_SKIP() << "no OpenGL here (run under xvfb-run with QT_QPA_PLATFORM=xcb)";
    player = std::make_unique<MpvPlayer>(drives.get(), MpvPlayer::Mode::Windowed);
    video = qobject_cast<VideoWidget*>(player->widget());
    ASSERT_NE(video, nullptr);
  }
  void TearDown() override { player.reset(); }

  std::unique_ptr<vcd::platform::LinuxDriveManager> drives = driveWithImage(mediaPath("demo.cue"));
  std::unique_ptr<MpvPlayer> player;
  VideoWidget* video = nullptr;
};

// The face in a window of its own, on screen and drawing.
class Windowed : public EngineFace {
 protected:
  void SetUp() override {
    EngineFace::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    (new QVBoxLayout(&host))->addWidget(video);
    host.resize(400, 330);
    host.show();
    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    ASSERT_TRUE(QTest::qWaitFor([&] { return video->hasRenderer(); }, 10000));
  }
  void playLong() {
    player->setFileName(localMedia("long.mpg"));
    ASSERT_TRUE(waitForState(*player, vcd::kPlaying));
  }

  QWidget host;
};

// The first frame comes while the picture window is still hidden (it shows once libmpv has a
// picture): it is rendered aside and drawn again once the window is on screen, and the player
// tells it once.
TEST_F(Windowed, PictureShowsWhileAVideoPlaysAndGoesWhenStopped) {
  QWidget* picture = video->findChild<QWidget*>(QStringLiteral("picture"));
  ASSERT_NE(picture, nullptr);
  QSignalSpy firstPicture(player.get(), &MpvPlayer::firstPictureShown);
  EXPECT_EQ(distinctColours(video->grabPicture()), 1);
  EXPECT_FALSE(picture->isVisible());  // a plain black face: what stacks over it shows
  playLong();
  EXPECT_TRUE(showsPicture(video));
  EXPECT_TRUE(picture->isVisible());
  EXPECT_EQ(firstPicture.count(), 1);
  // This libmpv took the player's list of audio outputs (none of them SDL's, which the start would
  // wait for where no sound server answers), and the sound plays on one of them or on none.
  const QByteArray outputs = player->engineProperty("ao");
  EXPECT_FALSE(outputs.isEmpty());
  EXPECT_FALSE(outputs.contains("sdl")) << outputs.constData();
  EXPECT_FALSE(player->engineProperty("current-ao").isEmpty());
  EXPECT_TRUE(showsPictureOnScreen(picture));
  player->Stop();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !picture->isVisible(); }, 30000));
  playLong();
  EXPECT_TRUE(showsPicture(video));
  EXPECT_EQ(firstPicture.count(), 1);
}

// (Esc back from full screen, with the real program: tests/e2e/window_stays_right.sh.)
TEST_F(Windowed, FullScreenAndBackByDoubleClick) {
  playLong();
  player->setDisplaySize(vcd::kDisplayFullScreen);
  EXPECT_TRUE(video->isWindow());
  EXPECT_EQ(video->geometry(), host.screen()->geometry());
  EXPECT_FALSE(player->controlBar()->isVisible());  // the picture alone
  EXPECT_TRUE(showsPicture(video));
  QTest::mouseDClick(video, Qt::LeftButton, {}, video->rect().center());
  EXPECT_EQ(player->DisplaySize(), vcd::kDisplayFitToControl);
  EXPECT_EQ(host.layout()->indexOf(video), 0);  // back in its place
  EXPECT_TRUE(player->controlBar()->isVisible());
  EXPECT_EQ(player->PlayState(), vcd::kPlaying);  // the double click neither paused nor restarted
}

// The control's own keys, clicks and bar: space and a click pause and resume without starting
// over, the seek bar follows and moves playback, its gaps take no clicks, a right click opens the
// control's menu without pausing.
TEST_F(Windowed, KeysClicksControlBarAndMenu) {
  playLong();
  player->SetFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return video->hasFocus() && player->CurrentPosition() > 1.0; }, 30000));
  QTest::keyClick(video, Qt::Key_Space);
  EXPECT_EQ(player->PlayState(), vcd::kPaused);
  const double held = player->CurrentPosition();
  QTest::keyClick(video, Qt::Key_Space);
  EXPECT_EQ(player->PlayState(), vcd::kPlaying);
  QTest::mouseClick(video, Qt::LeftButton, {}, video->rect().center());  // counts once no second click came
  ASSERT_TRUE(waitForState(*player, vcd::kPaused));
  QTest::mouseClick(video, Qt::LeftButton, {}, video->rect().center());
  ASSERT_TRUE(waitForState(*player, vcd::kPlaying));
  EXPECT_GE(player->CurrentPosition(), held - 0.1);

  vcd::engine::ControlBar* bar = player->controlBar();
  EXPECT_EQ(bar->geometry().bottom(), video->height() - 1);  // at the bottom, the picture above it
  EXPECT_EQ(video->findChild<QWidget*>(QStringLiteral("picture"))->geometry(), QRect(0, 0, video->width(), bar->y()));
  QSlider* seek = bar->seekSlider();
  ASSERT_TRUE(QTest::qWaitFor([&] { return seek->isEnabled() && seek->value() > 1000; }, 30000));
  EXPECT_NEAR(seek->maximum(), 20000, 500);
  EXPECT_TRUE(showsPicture(video));
  EXPECT_EQ(player->currentFrame().size(), QSize(352, 288));
  // From the screen: the picture is a window of its own, which a widget grab leaves out.
  saveScreenshot(host.screen()->grabWindow(host.winId()), "engine_face.png");
  QTest::mouseClick(seek, Qt::LeftButton, {}, QPoint(seek->width() * 3 / 4, seek->height() / 2));
  ASSERT_TRUE(QTest::qWaitFor([&] { return player->CurrentPosition() > 12.0; }, 30000));
  QPoint gap;
  for (int x = 0; x < bar->width() && gap.isNull(); ++x)
    if (!bar->childAt(x, bar->height() / 2)) gap = QPoint(x, bar->height() / 2);
  QTest::mouseClick(bar, Qt::LeftButton, {}, gap);
  QTest::mouseClick(bar->muteButton(), Qt::LeftButton);
  EXPECT_TRUE(player->isMuted());

  QTest::mouseClick(host.windowHandle(), Qt::RightButton, {}, video->mapTo(&host, QPoint(video->width() / 2, video->height() / 3)));
  QMenu* menu = nullptr;
  ASSERT_TRUE(QTest::qWaitFor([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); }, 10000));
  EXPECT_EQ(menu->findChild<QAction*>("playPause")->text(), "&Pause");
  menu->close();
  EXPECT_EQ(player->PlayState(), vcd::kPlaying);  // neither the gap nor the right click paused
  QTest::mouseClick(bar->stopButton(), Qt::LeftButton);
  EXPECT_EQ(player->PlayState(), vcd::kStopped);
}

// The face is put on screen only after a file is named: the program names its first track while
// it makes its window, and the OpenGL driver loads beside both.
class WindowedStart : public EngineFace {};

// Opened before there is anywhere to draw, the file waits for the picture's render context before
// its tracks are chosen: it starts once the face is shown, picture and sound together, from its
// start and without a jump. Started without its video, it would play sound only before the face
// shows, and the picture would join the running sound later.
TEST_F(WindowedStart, AFileNamedBeforeTheFaceShowsStartsWithItsPicture) {
  QSignalSpy jumps(player.get(), &vcd::MediaPlayer::PositionJump);
  QSignalSpy firstPicture(player.get(), &MpvPlayer::firstPictureShown);
  // Named twice in a row, as the start routine does.
  player->setFileName("cdrom://D/MPEGAV/AVSEQ01.DAT");
  player->setFileName("cdrom://D/MPEGAV/AVSEQ01.DAT");
  ASSERT_TRUE(QTest::qWaitFor([&] { return player->sectorsRead() > 0; }, 30000));  // open
  // Held well past the moment it would have started (but not past the gate's bound).
  EXPECT_FALSE(QTest::qWaitFor([&] { return player->PlayState() != vcd::kWaiting; }, 600));
  QWidget host;
  (new QVBoxLayout(&host))->addWidget(video);
  host.resize(400, 330);
  host.show();
  ASSERT_TRUE(waitForState(*player, vcd::kPlaying));
  EXPECT_TRUE(player->playsVideo());
  EXPECT_TRUE(showsPicture(video));
  EXPECT_EQ(firstPicture.count(), 1);
  EXPECT_EQ(jumps.count(), 0);
  // The stream counted is the one libmpv reads.
  const int64_t read = player->sectorsRead();
  EXPECT_TRUE(QTest::qWaitFor([&] { return player->sectorsRead() > read; }, 30000));
  player.reset();  // before the face's host goes
}

// A face that is never shown holds no file for good: after a while it plays, sound only. The
// player can go while a file is held.
TEST_F(WindowedStart, AFaceNeverShownHoldsTheFileOnlyForAWhile) {
  player->setFileName("cdrom://D/MPEGAV/AVSEQ02.DAT");
  ASSERT_TRUE(waitForState(*player, vcd::kPlaying));
  EXPECT_TRUE(player->playsAudio());
  EXPECT_FALSE(player->playsVideo());
  player->setFileName("cdrom://D/MPEGAV/AVSEQ03.DAT");
  ASSERT_TRUE(QTest::qWaitFor([&] { return player->sectorsRead() > 0; }, 30000));
  player.reset();
}

// The control bar's pictures stand out on light and dark desktops alike: they are drawn in the
// palette's button-text colour and follow a change of the desktop's colours.
QPalette desktopPalette(QColor face, QColor text) {
  QPalette pal = QApplication::palette();
  for (auto role : {QPalette::Window, QPalette::Button}) pal.setColor(role, face);
  for (auto role : {QPalette::ButtonText, QPalette::WindowText}) pal.setColor(role, text);
  pal.setColor(QPalette::Disabled, QPalette::ButtonText, QColor::fromRgbF(
      (face.redF() + text.redF()) / 2, (face.greenF() + text.greenF()) / 2, (face.blueF() + text.blueF()) / 2));
  return pal;
}

// The drawn pixels of a button's picture: how many, and their mean colour.
struct Ink {
  int pixels = 0;
  QColor colour;
};
Ink inkOf(const QIcon& icon) {
  const QImage image = icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
  double r = 0, g = 0, b = 0;
  Ink ink;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (const QColor c = image.pixelColor(x, y); c.alpha() > 200) {
        ++ink.pixels;
        r += c.redF(), g += c.greenF(), b += c.blueF();
      }
  if (ink.pixels) ink.colour = QColor::fromRgbF(r / ink.pixels, g / ink.pixels, b / ink.pixels);
  return ink;
}

TEST(ControlBarGlyphs, DrawnInTheButtonTextColourOnLightAndDarkDesktops) {
  const QPalette original = QApplication::palette();
  MpvPlayer player(nullptr, MpvPlayer::Mode::Headless);
  QApplication::setPalette(desktopPalette(QColor("#f6f5f4"), QColor("#2e3436")));  // Adwaita's light colours
  ControlBar bar(player);
  bar.resize(360, 40);
  bar.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
  QToolButton* buttons[] = {bar.playPauseButton(), bar.stopButton(), bar.muteButton()};
  auto expectInk = [&](QColor face, QColor text) {
    EXPECT_EQ(bar.palette().color(QPalette::Window), face);
    QList<std::pair<QString, QIcon>> pictures;
    for (QToolButton* b : buttons) pictures.append({b->objectName(), b->icon()});
    pictures.append({"pause", bar.glyph(ControlBar::Glyph::Pause)});
    pictures.append({"muted", bar.glyph(ControlBar::Glyph::Muted)});
    for (const auto& [name, icon] : pictures) {
      SCOPED_TRACE(name.toStdString());
      const Ink ink = inkOf(icon);
      EXPECT_GE(ink.pixels, 20);  // a real picture, not a dot
      EXPECT_NEAR(ink.colour.redF(), text.redF(), 0.05);
      EXPECT_NEAR(ink.colour.greenF(), text.greenF(), 0.05);
      EXPECT_NEAR(ink.colour.blueF(), text.blueF(), 0.05);
      EXPECT_GT(std::abs(ink.colour.lightnessF() - face.lightnessF()), 0.5);  // stands out from the bar
    }
  };
  expectInk(QColor("#f6f5f4"), QColor("#2e3436"));

  // The desktop turns dark: the bar and its pictures follow.
  QApplication::setPalette(desktopPalette(QColor("#242424"), QColor("#ffffff")));
  QCoreApplication::processEvents();
  expectInk(QColor("#242424"), QColor("#ffffff"));

  // Each state has its own picture: muted crosses the speaker out; play, stop and pause differ.
  const QImage speaker = bar.muteButton()->icon().pixmap(16).toImage();
  bar.muteButton()->click();
  EXPECT_NE(bar.muteButton()->icon().pixmap(16).toImage(), speaker);
  EXPECT_NE(bar.playPauseButton()->icon().pixmap(16).toImage(), bar.stopButton()->icon().pixmap(16).toImage());
  EXPECT_NE(bar.glyph(ControlBar::Glyph::Pause).pixmap(16).toImage(), bar.stopButton()->icon().pixmap(16).toImage());
  QApplication::setPalette(original);
}


// The window scales the face with itself and lays its status line over the middle of the bar's
// lower row: a face three times as tall has a bar three times as tall, its seek slider at the top
// and its buttons at the bottom, so the status line stays clear of the slider at every size.
TEST(ControlBarOnTheFace, KeepsItsShareOfTheFaceWhenTheFaceGrows) {
  MpvPlayer player(nullptr, MpvPlayer::Mode::Headless);
  QWidget window;
  auto* face = new vcd::engine::VideoWidget(nullptr, &window);
  auto* bar = new ControlBar(player);
  face->setControlBar(bar);
  face->setGeometry(0, 0, 470, 305);
  window.resize(1300, 1000);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const int natural = bar->height();
  ASSERT_GT(natural, 0);
  EXPECT_EQ(bar->geometry().bottom(), face->height() - 1);

  face->setGeometry(0, 0, 1240, 915);
  QTRY_COMPARE(bar->height(), static_cast<int>(std::lround(natural * 3.0)));
  EXPECT_EQ(bar->geometry().bottom(), face->height() - 1);
  EXPECT_LE(bar->seekSlider()->geometry().bottom(), natural) << "the seek slider stays at the bar's top";
  EXPECT_GE(bar->playPauseButton()->geometry().bottom(), bar->height() - natural / 2)
      << "the buttons stay at the bar's bottom";

  face->setGeometry(0, 0, 470, 305);  // restored
  QTRY_COMPARE(bar->height(), natural);
}

}  // namespace
