#include "ui/layout.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <stdexcept>

#include "ui/fonts.h"
#include "ui/twips.h"

namespace vcd::ui {

namespace {

QColor colourOf(const char* value, const QPalette& palette) {
  const QString s = QString::fromLatin1(value);
  if (s == QLatin1String("WindowText")) return palette.color(QPalette::WindowText);
  if (s == QLatin1String("Window")) return palette.color(QPalette::Window);
  return QColor(s);
}

bool isLabel(Kind kind) { return kind == Kind::Label || kind == Kind::Image || kind == Kind::PictureBox; }

// Colours go into the palette roles the kind of control paints with.
void applyColours(QWidget* w, const ControlRow& row) {
  if (!*row.back && !*row.fore) return;
  QPalette p = w->palette();
  const bool editable = row.kind == Kind::TextBox || row.kind == Kind::ListBox || row.kind == Kind::FileList;
  if (*row.back) {
    p.setColor(editable ? QPalette::Base : QPalette::Window, colourOf(row.back, p));
    if (!editable) w->setAutoFillBackground(true);
  }
  if (*row.fore) p.setColor(editable ? QPalette::Text : QPalette::WindowText, colourOf(row.fore, p));
  w->setPalette(p);
}

}  // namespace

QFont fontOf(const Font& font) { return layoutFont(QString::fromLatin1(font.family), font.points, font.bold); }

QWidget* ControlSheet::container(const ControlRow& row) const {
  return *row.container ? byName_.value(QString::fromUtf8(row.container)) : window_;
}

QWidget* ControlSheet::add(const ControlRow& row, const std::function<QWidget*(QWidget* container)>& make) {
  QWidget* parent = container(row);
  const QString caption = QString::fromUtf8(row.caption);
  QWidget* w = nullptr;
  switch (row.kind) {
    case Kind::Button: w = new QPushButton(caption, parent); break;
    case Kind::CheckBox: w = new QCheckBox(caption, parent); break;
    case Kind::Option: w = new QRadioButton(caption, parent); break;
    case Kind::Label:
    case Kind::Image:
    case Kind::PictureBox: w = new QLabel(caption, parent); break;
    case Kind::Panel: {
      auto* box = new QFrame(parent);
      box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      box->setLineWidth(2);
      w = box;
      break;
    }
    case Kind::Frame: w = new QGroupBox(caption, parent); break;
    case Kind::TextBox:
      if (row.look & kMultiLine) w = new QPlainTextEdit(caption, parent);
      else w = new QLineEdit(caption, parent);
      break;
    case Kind::ListBox: w = new QListWidget(parent); break;
    case Kind::FileList:
    case Kind::Player:
    case Kind::Resizer:
      if (make) w = make(parent);
      break;
  }
  if (!w) throw std::logic_error(std::string("no control made for ") + row.name);
  place(row, w);
  byName_.insert(w->objectName(), w);
  return w;
}

void ControlSheet::place(const ControlRow& row, QWidget* w) {
  w->setObjectName(QString::fromUtf8(row.name));
  w->setGeometry(twipsRect(row.left, row.top, row.width, row.height));
  if (*row.toolTip) w->setToolTip(QString::fromUtf8(row.toolTip));
  w->setFont(fontOf(row.font));
  applyColours(w, row);
  if (row.look & kDisabled) w->setEnabled(false);
  if (row.look & kChecked) static_cast<QAbstractButton*>(w)->setChecked(true);
  if (auto* label = qobject_cast<QLabel*>(w); label && isLabel(row.kind)) {
    // Captions, file names from a disc and system texts are shown as they are, never as markup.
    label->setTextFormat(Qt::PlainText);
    if (row.look & kCentred) label->setAlignment(Qt::AlignCenter);
    if (row.look & kTopLeft) label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Labels are opaque, in the window's face colour, unless the sheet says otherwise.
    if (row.kind == Kind::Label && !(row.look & kTransparent)) label->setAutoFillBackground(true);
    if (row.look & kAutoSize) label->adjustSize();
  }
  if (row.tab >= 0) tabOrder_.insert(row.tab, w);
}

void ControlSheet::applyTabOrder() const {
  // Labels, frames and picture boxes may hold a place but never take the focus.
  QWidget* previous = nullptr;
  for (QWidget* w : tabOrder_) {
    if (!(w->focusPolicy() & Qt::TabFocus)) continue;
    if (previous) QWidget::setTabOrder(previous, w);
    previous = w;
  }
}

}  // namespace vcd::ui
