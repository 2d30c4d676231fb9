#pragma once
#include <QRect>

// Window layouts are written in twips, the classic toolkit's unit: 1,440 per inch, so 15 twips
// make one logical pixel at 96 dpi. This is the one place that converts.
namespace vcd::ui {

inline constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips) {
  return (twips >= 0 ? twips + kTwipsPerPixel / 2 : twips - kTwipsPerPixel / 2) / kTwipsPerPixel;
}

inline QRect twipsRect(int left, int top, int width, int height) {
  return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

}  // namespace vcd::ui
