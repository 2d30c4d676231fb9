// Button captions on a scaled screen. ctest runs these again with QT_SCALE_FACTOR 2 and 1.5.
#include <QFontInfo>
#include <QApplication>

#include "tests/support/window_fixture.h"

namespace vcd::test {
namespace {

// The box around the caption's dark pixels in a picture of the button, in logical pixels.
QRectF inkOf(QWidget& button) {
  const QPixmap shot = button.grab();
  const QImage image = shot.toImage();
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 64) box |= QRect(x, y, 1, 1);
  const qreal dpr = shot.devicePixelRatio();
  return QRectF(box.x() / dpr, box.y() / dpr, box.width() / dpr, box.height() / dpr);
}

TEST_F(WindowTest, CaptionsKeepTheirSizeOnAScaledScreen) {
  make();
  const qreal dpr = qApp->devicePixelRatio();
  // The bitmap face where it is drawn one to one; its outline twin of the same metrics elsewhere.
  const QString face = dpr == 1.0 ? "MS Sans Serif" : "Tahoma";
  for (QWidget* b : std::initializer_list<QWidget*>{w->Mp3playcmd, w->Exitcmd, &w->Songcmd(9), w->Command24}) {
    SCOPED_TRACE(b->objectName().toStdString());
    EXPECT_EQ(b->font().family(), face);
    EXPECT_EQ(QFontInfo(b->font()).family(), face);
    EXPECT_DOUBLE_EQ(b->font().pointSizeF(), 8.25);
  }
  // The caption covers the same share of its button at any scale: "&Play VCD" from the tops of
  // its capitals to the foot of its "y" 10 to 12 pixels high and about 44 wide, in logical pixels
  // (the bitmap face drawn on a scaled screen comes out 7 or 8 high).
  const QRectF ink = inkOf(*w->Mp3playcmd);
  EXPECT_GE(ink.height(), 9.0) << "scale " << dpr;
  EXPECT_LE(ink.height(), 13.0) << "scale " << dpr;
  EXPECT_GE(ink.width(), 34.0) << "scale " << dpr;
  EXPECT_LE(ink.width(), 52.0) << "scale " << dpr;
}

}  // namespace
}  // namespace vcd::test
