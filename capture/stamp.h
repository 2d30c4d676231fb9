#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>
#include <QtGlobal>

// The caption strip under a screenshot: pure picture work, no windows and no files.
namespace vcd::capture {

// The strip added under the picture, and where the caption starts in it: 10 twips below the
// picture's lower edge (290 above the new bottom), a third of the way across.
inline constexpr int kStripTwips = 300;
inline constexpr int kCaptionAboveBottomTwips = 290;

// The stamped picture's size and the caption's top-left corner, in twips (fractions kept).
struct StampLayout {
  double widthTwips = 0;
  double heightTwips = 0;
  double captionLeftTwips = 0;
  double captionTopTwips = 0;
};

// The layout for a loaded picture of the given height and width in twips.
StampLayout LayoutStamp(float picHeightTwips, qint32 picWidthTwips);

// A picture's size in twips as the window keeps it: the height as a float, the width rounded
// to a whole number, halves to the even neighbour.
float HeightInTwips(const QImage& picture);
qint32 WidthInTwips(const QImage& picture);

// A colour held as 0x00BBGGRR.
QColor ColorFromBgr(quint32 bgr);

// The picture box's font, MS Sans Serif 8.25 pt (11 pixels), drawn without smoothing like the
// bitmap font it stands for.
QFont CaptionFont();

// The picture with a black strip 300 twips high added below it and the caption printed in the
// strip in one line, cut off at the right edge, never wrapped.
QImage StampPicture(const QImage& picture, const QString& caption, quint32 foreColorBgr,
                    const QFont& font = CaptionFont());

// A video frame as the full-screen video shows it: scaled to fit the screen with its proportions
// kept, centred on a black canvas of the screen's size.
QImage FitFrameOnScreen(const QImage& frame, const QSize& screen);

// Text with its leading and trailing blanks (spaces) removed; other white space stays.
QString TrimBlanks(const QString& text);

}  // namespace vcd::capture
