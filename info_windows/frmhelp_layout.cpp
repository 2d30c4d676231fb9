// The make-up of the Quick Help window: every control with its kind, container, position in
// twips, caption, font and colour, in one table that reads like the window's layout sheet.
#include <QIcon>
#include <QScrollBar>

#include "info_windows/frmhelp.h"
#include "info_windows/help_text.h"
#include "ui/layout.h"
#include "ui/pictures.h"
#include "ui/twips.h"

namespace vcd::info_windows {
namespace {

using ui::ControlRow;
using ui::Kind;
using ui::kAutoSize;
using ui::kMultiLine;
using ui::kNormal;
using ui::kSansSerif;
using ui::kSansSerifBold;
using ui::kTopLeft;
using ui::kTransparent;

constexpr ui::Font kCapital{"Times New Roman", 26.25, false};
constexpr ui::Font kSmall{"Times New Roman", 14.25, false};
// The labels' text starts in their top-left corner, over what lies under them.
constexpr unsigned kText = kTopLeft | kTransparent;

// Client area: 5,145 x 6,045 twips. The blue capitals overlap the red small parts by 60 twips.
// OK is first in the tab order.
// name          kind           container left   top  width height caption  tooltip  font  fore  back  tab  look
constexpr ControlRow kControls[] = {
    {"Image1",    Kind::Image,   "",        0,    0,  480,  480, "", "", kSansSerif, "", "", -1, kTopLeft},
    {"Label1(1)", Kind::Label,   "",      600,    0,  420,  555, "V", "", kCapital, "#0000FF", "", -1, kText},
    {"Label2(1)", Kind::Label,   "",      960,  240,  285,  315, "cd", "", kSmall, "#FF0000", "", -1, kText | kAutoSize},
    {"Label3(1)", Kind::Label,   "",     1440,  120,  420,  555, "P", "", kCapital, "#0000FF", "", -1, kText},
    {"Label4(1)", Kind::Label,   "",     1800,  360,  525,  315, "layer", "", kSmall, "#FF0000", "", -1, kText | kAutoSize},
    {"Label14",   Kind::Label,   "",     3480,  240, 1695,  255, "Version 2.2.0", "", kSansSerifBold, "", "", -1, kText},
    {"Label16",   Kind::Label,   "",     3480,  480, 1575,  255, "10th September 2003", "", kSansSerif, "", "", -1, kText},
    {"Frame1",    Kind::Frame,   "",      120,  720, 4935, 4575, "", "", kSansSerif, "", "", -1, kNormal},
    {"Text1",     Kind::TextBox, "Frame1", 240, 240, 4575, 4215, "", "", kSansSerif, "", "#FFFFFF", 1, kMultiLine},
    {"Command1",  Kind::Button,  "",     2040, 5520,  855,  375, "OK", "", kSansSerif, "", "", 0, kNormal},
};

}  // namespace

void frmHelp::createControls() {
  using ui::twipsToPixels;
  setObjectName(QStringLiteral("frmHelp"));
  setWindowTitle(QStringLiteral("Quick Help"));
  // Sizable, with a close box but no minimise or maximise button.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  resize(twipsToPixels(5145), twipsToPixels(6045));
  setFont(ui::fontOf(kSansSerif));
  const QIcon icon = ui::resourceIcon(QStringLiteral(":/assets/help.ico"));
  setWindowIcon(icon);

  ui::ControlSheet sheet(this);
  for (const ControlRow& row : kControls) sheet.add(row);

  Image1 = sheet.get<QLabel>("Image1");
  Label14 = sheet.get<QLabel>("Label14");
  Label16 = sheet.get<QLabel>("Label16");
  Frame1 = sheet.get<QGroupBox>("Frame1");
  Text1 = sheet.get<QPlainTextEdit>("Text1");
  Command1 = sheet.get<QPushButton>("Command1");
  wordMark_ = {{1, sheet.get<QLabel>("Label1(1)")},
               {2, sheet.get<QLabel>("Label2(1)")},
               {3, sheet.get<QLabel>("Label3(1)")},
               {4, sheet.get<QLabel>("Label4(1)")}};

  Image1->setPixmap(icon.pixmap(32, 32));
  // The capitals have no background of their own and lie over the small parts they overlap.
  Label1(1).raise();
  Label3(1).raise();

  // The help page: several lines, wrapped at the box's width, with a vertical scroll bar.
  // Edits are allowed and forgotten with the window.
  Text1->setBackgroundVisible(false);
  Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Text1->setPlainText(help_text::Text());
  Text1->moveCursor(QTextCursor::Start);
  Text1->verticalScrollBar()->setValue(0);

  // OK is first in the tab order and has the focus when the window opens.
  sheet.applyTabOrder();
  Command1->setFocus(Qt::OtherFocusReason);
}

}  // namespace vcd::info_windows
