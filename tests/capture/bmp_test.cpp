// The screenshot file: a 24-bit Windows BMP with "p" over its last byte, replaced whole.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include "capture/bmp_file.h"
#include "capture/stamp.h"
#include "tests/capture/picture_helpers.h"
#include "tests/support/qt_printers.h"

namespace vcd::test {
namespace {

using namespace capture;

quint32 le32(const QByteArray& b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
quint16 le16(const QByteArray& b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }

TEST(BmpFile, StampedScreenshotOf640By480) {
  const QImage stamped =
      StampPicture(testPicture(640, 480), "This picture was captured using Voren VCD Player", 0x0000FFFF);
  QByteArray file = EncodeBmp24(stamped);

  // Headers: 24 bits, no compression, 640 x 500 bottom-up, no palette.
  ASSERT_EQ(file.size(), 54 + 640 * 3 * 500);
  EXPECT_EQ(file.left(2), QByteArray("BM"));
  EXPECT_EQ(le32(file, 2), static_cast<quint32>(file.size()));
  EXPECT_EQ(le32(file, 10), 54u);
  EXPECT_EQ(le32(file, 14), 40u);
  EXPECT_EQ(static_cast<qint32>(le32(file, 18)), 640);
  EXPECT_EQ(static_cast<qint32>(le32(file, 22)), 500);
  EXPECT_EQ(le16(file, 28), 24);
  EXPECT_EQ(le32(file, 30), 0u);

  const qsizetype length = file.size();
  PutMarker(file);
  EXPECT_EQ(file.size(), length);
  EXPECT_EQ(static_cast<unsigned char>(file.back()), 0x70);

  // What a picture viewer sees: the screen, the black strip, yellow caption pixels; only the top
  // right pixel's red carries the marker.
  QImage read;
  ASSERT_TRUE(read.loadFromData(file, "BMP"));
  ASSERT_EQ(read.size(), QSize(640, 500));
  EXPECT_EQ(read.pixel(0, 499), qRgb(0, 0, 0));
  EXPECT_EQ(read.pixel(639, 481), qRgb(0, 0, 0));
  EXPECT_EQ(read.pixel(10, 10), stamped.pixel(10, 10));
  EXPECT_EQ(read.pixel(600, 400), stamped.pixel(600, 400));
  const QRect text = boundsOf(read, kYellow, QRect(0, 480, 640, 20));
  EXPECT_FALSE(text.isEmpty());
  EXPECT_GE(text.left(), 213);
  EXPECT_EQ(qRed(read.pixel(639, 0)), 0x70);
  EXPECT_EQ(qGreen(read.pixel(639, 0)), qGreen(stamped.pixel(639, 0)));
}

TEST(BmpFile, RowsArePaddedAndTheMarkerMayFallOnPadding) {
  QImage img(3, 2, QImage::Format_RGB32);
  img.setPixel(0, 0, qRgb(1, 2, 3));
  img.setPixel(1, 0, qRgb(4, 5, 6));
  img.setPixel(2, 0, qRgb(7, 8, 9));
  img.setPixel(0, 1, qRgb(10, 11, 12));
  img.setPixel(1, 1, qRgb(13, 14, 15));
  img.setPixel(2, 1, qRgb(16, 17, 18));
  QByteArray file = EncodeBmp24(img);
  ASSERT_EQ(file.size(), 54 + 12 * 2);  // 9 bytes of pixels padded to 12
  // Bottom row first, blue-green-red.
  EXPECT_EQ(file.mid(54, 3), QByteArray("\x0c\x0b\x0a", 3));
  EXPECT_EQ(file.mid(66, 3), QByteArray("\x03\x02\x01", 3));
  PutMarker(file);
  EXPECT_EQ(file.back(), 'p');
  QImage read;
  ASSERT_TRUE(read.loadFromData(file, "BMP"));
  EXPECT_EQ(read.convertToFormat(QImage::Format_RGB32), img);  // the padding took the "p"
}

TEST(BmpFile, ReplaceFileSwapsWholeFilesOrNothing) {
  QTemporaryDir dir;
  const QString path = dir.filePath("ScreenShot.bmp");
  ReplaceFile(path, "first");
  ReplaceFile(path, "second, longer");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("second, longer"));
  f.close();

  // A folder that is not there, or a folder where the file should be: refused, nothing left.
  EXPECT_THROW(ReplaceFile(dir.filePath("gone/ScreenShot.bmp"), "x"), CaptureError);
  const QString blocked = dir.filePath("Blocked.bmp");
  QDir().mkdir(blocked);
  try {
    ReplaceFile(blocked, "x");
    ADD_FAILURE() << "a folder was overwritten";
  } catch (const CaptureError& e) {
    EXPECT_TRUE(e.reason().contains("Blocked.bmp")) << e.reason().toStdString();
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList({"Blocked.bmp", "ScreenShot.bmp"}));
}

}  // namespace
}  // namespace vcd::test
