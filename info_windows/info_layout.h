#pragma once
#include <QRect>
#include <QString>

class QFont;
class QWidget;

namespace vcd {

// Places one control of an information window as its layout table gives it: name, position (in
// pixels, converted from the table's twips), font, and for labels plain text, top-left
// alignment, an optional text colour ("#RRGGBB" or "") and, when asked, a size that fits the text.
void placeInfoControl(QWidget* w, const QString& name, const QRect& geometry, const QFont& font,
                      const char* colour, bool autoSize);

}  // namespace vcd
