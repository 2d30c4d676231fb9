#include "capture/stamp.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

#include "ui/twips.h"

namespace vcd::capture {
namespace {

constexpr double kTwips = ui::kTwipsPerPixel;

}  // namespace

StampLayout LayoutStamp(float picHeightTwips, qint32 picWidthTwips) {
  StampLayout l;
  l.widthTwips = picWidthTwips;
  l.heightTwips = static_cast<double>(picHeightTwips) + kStripTwips;
  l.captionTopTwips = l.heightTwips - kCaptionAboveBottomTwips;
  l.captionLeftTwips = l.widthTwips / 3.0;
  return l;
}

float HeightInTwips(const QImage& picture) { return static_cast<float>(picture.height() * kTwips); }

qint32 WidthInTwips(const QImage& picture) {
  return static_cast<qint32>(std::nearbyint(picture.width() * kTwips));  // rounds halves to even
}

QColor ColorFromBgr(quint32 bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

QFont CaptionFont() {
  QFont f(QStringLiteral("MS Sans Serif"));
  f.setPixelSize(11);
  f.setStyleStrategy(QFont::NoAntialias);
  return f;
}

QImage StampPicture(const QImage& picture, const QString& caption, quint32 foreColorBgr, const QFont& font) {
  const StampLayout l = LayoutStamp(HeightInTwips(picture), WidthInTwips(picture));
  QImage out(static_cast<int>(std::lround(l.widthTwips / kTwips)),
             static_cast<int>(std::lround(l.heightTwips / kTwips)), QImage::Format_RGB32);
  out.fill(Qt::black);
  QPainter p(&out);
  p.drawImage(0, 0, picture);
  p.setFont(font);
  p.setPen(ColorFromBgr(foreColorBgr));
  // The text position is the top of the caption's line; drawText wants its baseline. A point
  // (not a rectangle) keeps it on one line, and the picture's edge cuts it off.
  const QFontMetricsF metrics(font, &out);
  p.drawText(QPointF(l.captionLeftTwips / kTwips, l.captionTopTwips / kTwips + metrics.ascent()), caption);
  p.end();
  return out;
}

QImage FitFrameOnScreen(const QImage& frame, const QSize& screen) {
  if (frame.isNull()) return QImage();
  const QSize size = screen.isEmpty() ? frame.size() : screen;
  QImage out(size, QImage::Format_RGB32);
  out.fill(Qt::black);
  const QImage scaled = frame.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  QPainter p(&out);
  p.drawImage((size.width() - scaled.width()) / 2, (size.height() - scaled.height()) / 2, scaled);
  return out;
}

QString TrimBlanks(const QString& text) {
  qsizetype first = 0, last = text.size();
  while (first < last && text.at(first) == QLatin1Char(' ')) ++first;
  while (last > first && text.at(last - 1) == QLatin1Char(' ')) --last;
  return text.mid(first, last - first);
}

}  // namespace vcd::capture
