// The main window as a user sees it: a few controls' places, captions, tips and faces, the tab
// order through the front panel, the working controls parked out of sight; and the captions on a
// scaled screen (ctest runs those again with QT_SCALE_FACTOR 2 and 1.5). Maximised and restored:
// full_screen_test.cpp.
#include <QAbstractButton>
#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>

#include "tests/support/window_fixture.h"

namespace vcd::test {
namespace {

QString captionOf(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  return QString();
}

TEST_F(WindowTest, WhatTheWindowShows) {
  make();
  EXPECT_EQ(w->windowTitle(), "Voren VCD Player Lite ver2.2.0");
  EXPECT_EQ(w->size(), QSize(501, 383));
  EXPECT_FALSE(w->windowIcon().isNull());
  EXPECT_EQ(w->PicLogo->pixmap().size(), QSize(381, 114));
  struct Row {
    const char* name;
    QRect place;  // logical pixels in its container
    const char* caption;
    const char* tip;
    const char* face;  // bold MS Sans Serif is drawn in Tahoma: the bitmap face has no bold
    bool bold;
  };
  const Row rows[] = {
      {"Frame1", {8, 304, 489, 77}, "Front Panel", "", "Tahoma", true},
      {"Mp3playcmd", {16, 16, 105, 17}, "&Play VCD", "Play", "MS Sans Serif", false},
      {"Nexttrackcmd", {128, 16, 65, 17}, ">>", "Next Track", "MS Sans Serif", false},
      {"chkOnTop", {344, 16, 67, 17}, "&On Top", "Top Most", "Tahoma", false},
      {"Exitcmd", {416, 16, 67, 17}, "Exit", "Quit", "MS Sans Serif", false},
      {"Command24", {376, 35, 49, 17}, "&Help", "", "MS Sans Serif", false},
      {"Songcmd_9", {16, 56, 33, 17}, "10", "", "MS Sans Serif", false},
      {"lblTrack_Display", {384, 56, 99, 17}, "00 of 0", "", "Tahoma", true},
      {"lblDisplay", {120, 288, 241, 13}, "", "", "Tahoma", true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    auto* c = w->findChild<QWidget*>(r.name);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->geometry(), r.place);
    EXPECT_EQ(captionOf(c), r.caption);
    EXPECT_EQ(c->toolTip(), r.tip);
    EXPECT_EQ(c->font().family(), r.face);
    EXPECT_EQ(QFontInfo(c->font()).bold(), r.bold);
    EXPECT_DOUBLE_EQ(c->font().pointSizeF(), 8.25);
  }
  // Every caption of the front panel fits its button, inside the panel.
  for (auto* b : w->Frame1->findChildren<QAbstractButton*>()) {
    EXPECT_LE(QFontMetrics(b->font()).horizontalAdvance(b->text().remove('&')), b->width()) << b->objectName().toStdString();
    EXPECT_TRUE(w->Frame1->rect().contains(b->geometry())) << b->objectName().toStdString();
  }
  EXPECT_FALSE(w->Capturecmd->isEnabled());
  EXPECT_TRUE(w->chkOrd->isChecked());
  // The working controls are parked below the client area.
  for (QWidget* parked : std::initializer_list<QWidget*>{w->opencdromcmd, w->Text2, w->List1, w->File1, w->fmMenu, w->TxtCopyright})
    EXPECT_GE(parked->y(), w->height()) << parked->objectName().toStdString();

  // Tab goes through the front panel in this order (the parked controls between are skipped here).
  QStringList order;
  QWidget* c = w->Command24;
  for (int guard = 0; guard < 200 && order.size() < 26; ++guard, c = c->nextInFocusChain())
    if ((c->focusPolicy() & Qt::TabFocus) && w->rect().contains(c->mapTo(w.get(), QPoint()))) order << c->objectName();
  QStringList expected{"Command24", "Command23", "Songcmd_0", "Fullscreencmd", "Exitcmd", "Nexttrackcmd", "Mp3playcmd",
                       "chkOnTop", "Capturecmd"};
  for (int i = 1; i < 18; ++i) expected << QStringLiteral("Songcmd_%1").arg(i);
  EXPECT_EQ(order, expected);
}

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
