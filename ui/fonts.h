#pragma once
#include <QFont>
#include <QString>

namespace vcd::ui {

// The fonts the windows are laid out in: "MS Sans Serif" and "Tahoma" from Wine's
// metric-compatible set, and Liberation Serif standing in for "Times New Roman". They are
// registered with the application at start-up; without them, the nearest system fonts serve.
void registerWindowFonts();
// Only the main window's fonts ("MS Sans Serif", Tahoma), with the application's font and every
// family's fallbacks: what the first picture needs. registerWindowFonts() adds the rest later.
void registerMainWindowFonts();

// A font of the layout by family and size in points (8.25 pt is 11 pixels at 96 dpi). Where the
// bitmap "MS Sans Serif" cannot be drawn as asked (bold, or a screen scaled by a device pixel
// ratio other than 1), its outline twin Tahoma of the same metrics stands in.
QFont layoutFont(const QString& family, double points, bool bold = false);

// True while one logical pixel is one device pixel: bitmap faces are drawn at their own size.
bool bitmapFacesFit();

}  // namespace vcd::ui
