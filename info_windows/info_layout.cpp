#include "info_windows/info_layout.h"

#include <QLabel>

namespace vcd {

void placeInfoControl(QWidget* w, const QString& name, const QRect& geometry, const QFont& font,
                      const char* colour, bool autoSize) {
  w->setObjectName(name);
  w->setGeometry(geometry);
  w->setFont(font);
  auto* label = qobject_cast<QLabel*>(w);
  if (!label) return;
  label->setTextFormat(Qt::PlainText);  // captions and system texts are never markup
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  if (*colour) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, QColor(QString::fromLatin1(colour)));
    label->setPalette(p);
  }
  if (autoSize) label->adjustSize();
}

}  // namespace vcd
