// The make-up of the Quick Help window: every control with its kind, container, position in
// twips, caption, font and colour, in one table that reads like the window's layout sheet.
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QScrollBar>

#include "info_windows/frmhelp.h"
#include "info_windows/help_text.h"
#include "info_windows/info_layout.h"
#include "ui/twips.h"
#include "ui/fonts.h"

namespace vcd {
namespace {

enum class Kind { Label, Image, Frame, TextBox, Button };

struct Font {
  const char* family;
  double points;
  bool bold;
};
constexpr Font kDefault{"MS Sans Serif", 8.25, false};
constexpr Font kDefaultBold{"MS Sans Serif", 8.25, true};
constexpr Font kCapital{"Times New Roman", 26.25, false};
constexpr Font kSmall{"Times New Roman", 14.25, false};

struct ControlRow {
  const char* name;
  Kind kind;
  const char* container;  // "" = the window's client area
  int left, top, width, height;
  const char* caption;
  Font font;
  const char* colour;     // text colour as #RRGGBB; "" = the control's own
  bool autoSize;          // the label takes the size of its text
};

// Client area: 5,145 x 6,045 twips. The blue capitals overlap the red small parts by 60 twips.
constexpr ControlRow kControls[] = {
    {"Image1", Kind::Image, "", 0, 0, 480, 480, "", kDefault, "", false},
    {"Label1(1)", Kind::Label, "", 600, 0, 420, 555, "V", kCapital, "#0000FF", false},
    {"Label2(1)", Kind::Label, "", 960, 240, 285, 315, "cd", kSmall, "#FF0000", true},
    {"Label3(1)", Kind::Label, "", 1440, 120, 420, 555, "P", kCapital, "#0000FF", false},
    {"Label4(1)", Kind::Label, "", 1800, 360, 525, 315, "layer", kSmall, "#FF0000", true},
    {"Label14", Kind::Label, "", 3480, 240, 1695, 255, "Version 2.2.0", kDefaultBold, "", false},
    {"Label16", Kind::Label, "", 3480, 480, 1575, 255, "10th September 2003", kDefault, "", false},
    {"Frame1", Kind::Frame, "", 120, 720, 4935, 4575, "", kDefault, "", false},
    {"Text1", Kind::TextBox, "Frame1", 240, 240, 4575, 4215, "", kDefault, "", false},
    {"Command1", Kind::Button, "", 2040, 5520, 855, 375, "OK", kDefault, "", false},
};

QFont fontOf(const Font& f) { return layoutFont(QString::fromLatin1(f.family), f.points, f.bold); }

}  // namespace

void frmHelp::createControls() {
  using controls::twipsRect;
  using controls::twipsToPixels;
  setObjectName(QStringLiteral("frmHelp"));
  setWindowTitle(QStringLiteral("Quick Help"));
  // Sizable, with a close box but no minimise or maximise button.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  resize(twipsToPixels(5145), twipsToPixels(6045));
  setFont(fontOf(kDefault));
  const QIcon icon(QStringLiteral(":/assets/help.ico"));
  setWindowIcon(icon);

  QHash<QString, QWidget*> byName;
  for (const ControlRow& row : kControls) {
    const QString name = QString::fromLatin1(row.name);
    const QString caption = QString::fromLatin1(row.caption);
    QWidget* parent = *row.container ? byName.value(QString::fromLatin1(row.container)) : this;
    QWidget* w = nullptr;
    switch (row.kind) {
      case Kind::Label:
      case Kind::Image: w = new QLabel(caption, parent); break;
      case Kind::Frame: w = new QGroupBox(caption, parent); break;
      case Kind::TextBox: w = new QPlainTextEdit(parent); break;
      case Kind::Button: w = new QPushButton(caption, parent); break;
    }
    placeInfoControl(w, name, twipsRect(row.left, row.top, row.width, row.height), fontOf(row.font), row.colour,
                     row.autoSize);
    byName.insert(name, w);
  }

  auto label = [&](const char* name) { return static_cast<QLabel*>(byName.value(QString::fromLatin1(name))); };
  Image1 = label("Image1");
  Label14 = label("Label14");
  Label16 = label("Label16");
  Frame1 = static_cast<QGroupBox*>(byName.value(QStringLiteral("Frame1")));
  Text1 = static_cast<QPlainTextEdit*>(byName.value(QStringLiteral("Text1")));
  Command1 = static_cast<QPushButton*>(byName.value(QStringLiteral("Command1")));
  wordMark_ = {{1, label("Label1(1)")}, {2, label("Label2(1)")}, {3, label("Label3(1)")}, {4, label("Label4(1)")}};

  Image1->setPixmap(icon.pixmap(32, 32));
  // The capitals have no background of their own and lie over the small parts they overlap.
  Label1(1).raise();
  Label3(1).raise();

  // The help page: several lines, wrapped at the box's width, with a vertical scroll bar.
  // Edits are allowed and forgotten with the window.
  Text1->setBackgroundVisible(false);
  QPalette p = Text1->palette();
  p.setColor(QPalette::Base, QColor(0xFF, 0xFF, 0xFF));
  Text1->setPalette(p);
  Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Text1->setPlainText(help_text::Text());
  Text1->moveCursor(QTextCursor::Start);
  Text1->verticalScrollBar()->setValue(0);

  // OK is first in the tab order and has the focus when the window opens.
  QWidget::setTabOrder(Command1, Text1);
  Command1->setFocus(Qt::OtherFocusReason);
}

}  // namespace vcd
