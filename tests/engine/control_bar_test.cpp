// The control bar's pictures stand out on light and dark desktops alike: they are drawn in the
// palette's button-text colour and follow a change of the desktop's colours.
#include <QApplication>
#include <QPalette>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "engine/control_bar.h"
#include "engine/mpv_player.h"
#include "engine/video_widget.h"
#include "tests/support/media.h"

#include <QSlider>
#include <cmath>

using vcd::engine::ControlBar;
using vcd::engine::MpvPlayer;

namespace {

QPalette desktopPalette(QColor face, QColor text) {
  QPalette pal = QApplication::palette();
  for (auto group : {QPalette::Active, QPalette::Inactive}) {
    pal.setColor(group, QPalette::Window, face);
    pal.setColor(group, QPalette::Button, face);
    pal.setColor(group, QPalette::ButtonText, text);
    pal.setColor(group, QPalette::WindowText, text);
  }
  pal.setColor(QPalette::Disabled, QPalette::Window, face);
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
  vcd::test::saveScreenshot(bar.grab().scaled(bar.size() * 3), "control-bar-light.png");

  // The desktop turns dark: the bar and its pictures follow.
  QApplication::setPalette(desktopPalette(QColor("#242424"), QColor("#ffffff")));
  QCoreApplication::processEvents();
  expectInk(QColor("#242424"), QColor("#ffffff"));
  vcd::test::saveScreenshot(bar.grab().scaled(bar.size() * 3), "control-bar-dark.png");

  // Each state has its own picture: muted crosses the speaker out; play, stop and pause differ.
  const QImage speaker = bar.muteButton()->icon().pixmap(16).toImage();
  bar.muteButton()->click();
  EXPECT_NE(bar.muteButton()->icon().pixmap(16).toImage(), speaker);
  EXPECT_NE(bar.playPauseButton()->icon().pixmap(16).toImage(), bar.stopButton()->icon().pixmap(16).toImage());
  EXPECT_NE(bar.glyph(ControlBar::Glyph::Pause).pixmap(16).toImage(), bar.stopButton()->icon().pixmap(16).toImage());
  QApplication::setPalette(original);
}

}  // namespace

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
