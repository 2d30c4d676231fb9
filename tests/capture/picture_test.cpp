// The screenshot as a picture viewer sees it: the screen, a black strip with the yellow caption
// from a third of the way across, a 24-bit BMP with "p" over its last byte, replaced whole.
#include <QFontMetricsF>
#include <QtEndian>
#include <gtest/gtest.h>

#include "capture/bmp_file.h"
#include "capture/stamp.h"
#include "tests/support/qt_printers.h"

namespace vcd::test {
namespace {

using namespace capture;

const QRgb kYellow = qRgb(0xFF, 0xFF, 0x00);
const QString kCaption = "This picture was captured using Voren VCD Player download at https://voren.example.org/vcdplayer";

// Something different in every corner, so a shifted or flipped copy shows.
QImage testPicture(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(x * 255 / qMax(1, w - 1), y * 255 / qMax(1, h - 1), 0x40));
  return img;
}

// The box around the pixels of the colour within the area, and how many pixels are neither it nor black.
QRect boundsOf(const QImage& img, QRgb colour, const QRect& area, int* others = nullptr) {
  QRect r;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QRgb p = img.pixel(x, y) & 0xFFFFFF;
      if (p == (colour & 0xFFFFFF)) r |= QRect(x, y, 1, 1);
      else if (others && p != 0) ++*others;
    }
  return r;
}

TEST(Screenshot, StampedAndSavedAs24BitBmpWithItsMarker) {
  const QImage screen = testPicture(640, 480);
  const QImage stamped = StampPicture(screen, kCaption, 0x0000FFFF);
  ASSERT_EQ(stamped.size(), QSize(640, 500));
  EXPECT_EQ(stamped.copy(0, 0, 640, 480).convertToFormat(QImage::Format_RGB32), screen);  // untouched
  // The strip holds black and yellow only; the caption starts a third across (3,200 twips =
  // 213.3 px) and 10 twips under the picture, in one line.
  int others = 0;
  const QRect text = boundsOf(stamped, kYellow, QRect(0, 480, 640, 20), &others);
  EXPECT_EQ(others, 0);
  ASSERT_FALSE(text.isEmpty());
  EXPECT_TRUE(text.left() >= 213 && text.left() <= 216 && text.top() >= 481) << text.left() << "," << text.top();
  EXPECT_LE(text.bottom(), 481 + QFontMetricsF(CaptionFont()).height());

  QByteArray file = EncodeBmp24(stamped);
  ASSERT_EQ(file.size(), 54 + 640 * 3 * 500);
  EXPECT_EQ(file.left(2), QByteArray("BM"));
  EXPECT_EQ(qFromLittleEndian<quint16>(file.constData() + 28), 24);
  PutMarker(file);
  EXPECT_EQ(file.size(), 54 + 640 * 3 * 500);
  EXPECT_EQ(file.back(), 'p');
  QImage read;
  ASSERT_TRUE(read.loadFromData(file, "BMP"));
  EXPECT_EQ(read.pixel(10, 10), stamped.pixel(10, 10));  // not flipped
  EXPECT_EQ(read.pixel(600, 400), stamped.pixel(600, 400));
  EXPECT_EQ(qRed(read.pixel(639, 0)), 0x70);  // only the top right pixel's red carries the marker
  EXPECT_EQ(qGreen(read.pixel(639, 0)), qGreen(stamped.pixel(639, 0)));
}

TEST(Screenshot, RowsArePaddedSoTheMarkerMayFallOnPadding) {
  QImage img(3, 2, QImage::Format_RGB32);
  for (int i = 0; i < 6; ++i) img.setPixel(i % 3, i / 3, qRgb(3 * i + 1, 3 * i + 2, 3 * i + 3));
  QByteArray file = EncodeBmp24(img);
  ASSERT_EQ(file.size(), 54 + 12 * 2);  // 9 bytes of pixels padded to 12
  EXPECT_EQ(file.mid(54, 3), QByteArray("\x0c\x0b\x0a", 3));  // bottom row first, blue-green-red
  PutMarker(file);
  QImage read;
  ASSERT_TRUE(read.loadFromData(file, "BMP"));
  EXPECT_EQ(read.convertToFormat(QImage::Format_RGB32), img);
}

TEST(Screenshot, ACaptionWiderThanTwoThirdsIsCutAtTheEdgeNotWrapped) {
  const QImage out = StampPicture(testPicture(120, 90), kCaption, 0x0000FFFF);  // two thirds are 80 px
  ASSERT_EQ(out.size(), QSize(120, 110));
  const QRect text = boundsOf(out, kYellow, QRect(0, 90, 120, 20));
  EXPECT_TRUE(text.left() >= 40 && text.right() >= 116);
  EXPECT_LE(text.bottom() - 91, QFontMetricsF(CaptionFont()).height());
  EXPECT_TRUE(boundsOf(StampPicture(testPicture(120, 90), "", 0x0000FFFF), kYellow, QRect(0, 90, 120, 20)).isEmpty());
}

TEST(Screenshot, AVideoFrameStandsInForTheScreenWithItsProportions) {
  const QImage out = FitFrameOnScreen(testPicture(320, 180).convertToFormat(QImage::Format_RGB32), QSize(800, 600));
  ASSERT_EQ(out.size(), QSize(800, 600));
  EXPECT_EQ(out.pixel(400, 70), qRgb(0, 0, 0));  // 16:9 on 4:3: bands of 75 px above and below
  EXPECT_EQ(out.pixel(400, 530), qRgb(0, 0, 0));
  EXPECT_NE(out.pixel(400, 300), qRgb(0, 0, 0));
  EXPECT_TRUE(FitFrameOnScreen(QImage(), QSize(800, 600)).isNull());
}

}  // namespace
}  // namespace vcd::test
