#pragma once
#include <QImage>
#include <QRect>

namespace vcd::test {

inline const QRgb kYellow = qRgb(0xFF, 0xFF, 0x00);

// A picture with something in every corner, so a shifted or flipped copy shows.
inline QImage testPicture(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb((x * 255) / qMax(1, w - 1), (y * 255) / qMax(1, h - 1), 0x40));
  return img;
}

// The smallest rectangle holding every pixel of the colour within the area; empty when none.
inline QRect boundsOf(const QImage& img, QRgb colour, const QRect& area) {
  QRect r;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) r = r.united(QRect(x, y, 1, 1));
  return r;
}

// Counts the pixels within the area that are neither of the two colours.
inline int otherPixels(const QImage& img, QRgb a, QRgb b, const QRect& area) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QRgb p = img.pixel(x, y) & 0xFFFFFF;
      if (p != (a & 0xFFFFFF) && p != (b & 0xFFFFFF)) ++n;
    }
  return n;
}

}  // namespace vcd::test
