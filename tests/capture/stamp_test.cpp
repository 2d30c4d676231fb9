// The caption strip: its geometry in twips, the pixels it makes, and the full-screen frame
// that stands in for an unreadable screen.
#include <QFontMetricsF>
#include <gtest/gtest.h>

#include "capture/stamp.h"
#include "tests/capture/picture_helpers.h"
#include "tests/support/qt_printers.h"

namespace vcd::test {
namespace {

using namespace capture;

const QString kCaption = "This picture was captured using Voren VCD Player download at https://voren.example.org/vcdplayer";

TEST(StampLayout, ScreenOf640By480AndFractions) {
  const QImage screen = testPicture(640, 480);
  EXPECT_FLOAT_EQ(HeightInTwips(screen), 7200.0f);
  EXPECT_EQ(WidthInTwips(screen), 9600);
  const StampLayout l = LayoutStamp(HeightInTwips(screen), WidthInTwips(screen));
  EXPECT_DOUBLE_EQ(l.widthTwips, 9600);
  EXPECT_DOUBLE_EQ(l.heightTwips, 7500);
  EXPECT_DOUBLE_EQ(l.captionLeftTwips, 3200);
  EXPECT_DOUBLE_EQ(l.captionTopTwips, 7210);

  // A third of the width keeps its fraction; the caption is always 10 twips below the picture.
  const StampLayout odd = LayoutStamp(1000.5f, 1000);
  EXPECT_NEAR(odd.captionLeftTwips, 333.3333, 1e-3);
  EXPECT_DOUBLE_EQ(odd.heightTwips, 1300.5);
  EXPECT_DOUBLE_EQ(odd.captionTopTwips, 1010.5);
}

TEST(StampPicture, AddsABlackStripWithTheYellowCaptionFromAThirdAcross) {
  const QImage screen = testPicture(640, 480);
  const QImage out = StampPicture(screen, kCaption, 0x0000FFFF);
  ASSERT_EQ(out.size(), QSize(640, 500));

  // The picture itself is untouched, at the top left, at its own size.
  EXPECT_EQ(out.copy(0, 0, 640, 480).convertToFormat(QImage::Format_RGB32), screen);

  // The strip holds black and the caption's yellow only, and the caption starts a third of the
  // way across (3,200 twips = 213.3 px) and 10 twips under the picture (480.7 px).
  const QRect strip(0, 480, 640, 20);
  EXPECT_EQ(otherPixels(out, qRgb(0, 0, 0), kYellow, strip), 0);
  const QRect text = boundsOf(out, kYellow, strip);
  ASSERT_FALSE(text.isEmpty()) << "no caption printed";
  EXPECT_GE(text.left(), 213);
  EXPECT_LE(text.left(), 216);
  EXPECT_GE(text.top(), 481);
  // One line only: the glyphs stay within a line's height of the caption's top.
  EXPECT_LE(text.bottom(), 481 + QFontMetricsF(CaptionFont()).height());
  EXPECT_TRUE(boundsOf(out, kYellow, QRect(0, 0, 213, 500)).isEmpty());
}

TEST(StampPicture, ACaptionWiderThanTwoThirdsIsCutAtTheEdgeNotWrapped) {
  const QImage small = testPicture(120, 90);  // two thirds are 80 px: far too narrow
  const QImage out = StampPicture(small, kCaption, 0x0000FFFF);
  ASSERT_EQ(out.size(), QSize(120, 110));
  const QRect text = boundsOf(out, kYellow, QRect(0, 90, 120, 20));
  ASSERT_FALSE(text.isEmpty());
  EXPECT_GE(text.left(), 40);
  EXPECT_GE(text.right(), 116);  // runs on to the right edge
  EXPECT_LE(text.bottom() - 91, QFontMetricsF(CaptionFont()).height());
  // A blank caption leaves the strip black.
  const QImage blank = StampPicture(small, "", 0x0000FFFF);
  EXPECT_TRUE(boundsOf(blank, kYellow, QRect(0, 90, 120, 20)).isEmpty());
}

TEST(FitFrameOnScreen, KeepsTheVideosProportionsOnABlackScreen) {
  QImage frame(320, 180, QImage::Format_RGB32);
  frame.fill(qRgb(200, 10, 10));
  const QImage out = FitFrameOnScreen(frame, QSize(800, 600));
  ASSERT_EQ(out.size(), QSize(800, 600));
  // 16:9 on 4:3: 800 x 450, bands of 75 px above and below.
  EXPECT_EQ(out.pixel(400, 300), qRgb(200, 10, 10));
  EXPECT_EQ(out.pixel(0, 76), qRgb(200, 10, 10));
  EXPECT_EQ(out.pixel(400, 70), qRgb(0, 0, 0));
  EXPECT_EQ(out.pixel(400, 530), qRgb(0, 0, 0));
  // Without a screen size the frame keeps its own; without a frame there is nothing.
  EXPECT_EQ(FitFrameOnScreen(frame, QSize()).size(), QSize(320, 180));
  EXPECT_TRUE(FitFrameOnScreen(QImage(), QSize(800, 600)).isNull());
}

}  // namespace
}  // namespace vcd::test
