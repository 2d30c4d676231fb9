// The make-up of the main window: every control with its kind, container, position in twips,
// caption, tool tip and tab place, in one table that reads like the window's layout sheet.
#include <QHash>
#include <QPixmap>

#include <QIcon>

#include "ui/twips.h"
#include "ui/fonts.h"
#include "window_services/rgr_resizer.h"
#include "player/playerfrm.h"

namespace vcd {
namespace {

enum class Kind { Button, CheckBox, Option, Label, TextBox, ListBox, FileList, PictureBox, Image, Frame, Player, Resizer };

enum class Font { Default, Bold, Tahoma, TahomaBold };

// Initial state beyond "visible and enabled".
enum Initial : unsigned { kNormal = 0, kDisabled = 1, kChecked = 2, kCentred = 4 };

struct ControlRow {
  const char* name;
  Kind kind;
  const char* container;  // "" = the window's client area
  int left, top, width, height;
  const char* caption;
  const char* toolTip;
  Font font;
  const char* fore;       // "#RRGGBB", "WindowText", or "" for the default
  const char* back;       // "#RRGGBB", "Window", or "" for the default
  int tab;                // -1: takes no place in the tab order
  unsigned initial;
};

constexpr const char* kDownloadAddress = "https://voren.example.org/vcdplayer";

// Client area: 7,515 x 5,745 twips. Rows below 5,745 are parked out of sight.
// name              kind              container  left   top  width height caption  tooltip  font  fore back  tab  initial
constexpr ControlRow kControls[] = {
    // Video area and status line
    {"player",           Kind::Player,     "",        120,    0, 7275, 4575, "", "", Font::Default, "", "", 0, kNormal},
    {"DVD",              Kind::PictureBox, "",        120,    0, 7185, 3855, "", "", Font::Default, "", "#100010", 16, kNormal},
    {"PicLogo",          Kind::Image,      "DVD",     960, 1320, 5715, 1710, "", "", Font::Default, "", "", -1, kNormal},
    {"lblDisplay",       Kind::Label,      "",       1800, 4320, 3615,  195, "", "", Font::Bold, "", "", 11, kNormal},
    {"Frame1",           Kind::Frame,      "",        120, 4560, 7335, 1155, "Front Panel", "", Font::TahomaBold, "", "", 1, kNormal},
    // Front panel (in Frame1); the eighteen track buttons follow from songRow()
    {"Mp3playcmd",       Kind::Button,     "Frame1",  240,  240, 1575,  255, "&Play VCD", "Play", Font::Default, "", "", 8, kNormal},
    {"Nexttrackcmd",     Kind::Button,     "Frame1", 1920,  240,  975,  255, ">>", "Next Track", Font::Default, "", "", 7, kNormal},
    {"Fullscreencmd",    Kind::Button,     "Frame1", 3000,  240, 1000,  255, "&Full Scr", "Full Screen", Font::Default, "", "", 5, kNormal},
    {"Capturecmd",       Kind::Button,     "Frame1", 4080,  240, 1000,  255, "Capture", "Capture screen shot", Font::Default, "", "", 15, kDisabled},
    {"chkOnTop",         Kind::CheckBox,   "Frame1", 5160,  240, 1000,  255, "&On Top", "Top Most", Font::Tahoma, "", "", 12, kNormal},
    {"Exitcmd",          Kind::Button,     "Frame1", 6240,  240, 1000,  255, "Exit", "Quit", Font::Default, "", "", 6, kNormal},
    {"Command24",        Kind::Button,     "Frame1", 5640,  520,  735,  255, "&Help", "", Font::Default, "", "", 2, kNormal},
    {"Command23",        Kind::Button,     "Frame1", 6480,  520,  735,  255, "About", "", Font::Default, "", "", 3, kNormal},
    {"lblTrack_Display", Kind::Label,      "Frame1", 5760,  840, 1485,  255, "00 of 0", "", Font::Bold, "WindowText", "", 13, kCentred},
    // Working controls below the visible client area
    {"opencdromcmd",     Kind::Button,     "",       4320, 6240,  855,  255, "&Eject", "Eject CD", Font::Default, "", "", 49, kNormal},
    {"Text2",            Kind::TextBox,    "",        120, 7080, 3735,  285, "Text2", "", Font::Default, "", "", 9, kNormal},
    {"txtCDdrive",       Kind::TextBox,    "",       5520, 7080, 1095,  285, "CD Drive", "", Font::Default, "", "", 22, kNormal},
    {"List1",            Kind::ListBox,    "",        240, 7320,  855,  450, "", "", Font::Default, "#000000", "", 30, kNormal},
    {"Picture1",         Kind::PictureBox, "",       2760, 7320, 1500,  705, "", "", Font::Default, "", "Window", 18, kNormal},
    {"picMain",          Kind::PictureBox, "Picture1", 360, 360, 1305,  465, "", "", Font::Default, "", "#FFFFFF", 19, kNormal},
    {"CmdApply",         Kind::Button,     "",       3360, 7320,  615,  270, "&Apply", "", Font::Default, "", "", 17, kNormal},
    {"OsVersion",        Kind::Label,      "",       4560, 7440,  855,  255, "", "", Font::Default, "", "", 24, kNormal},
    {"rgrResizer1",      Kind::Resizer,    "",       6720, 7320, 1005,  735, "", "", Font::Default, "", "", -1, kNormal},
    {"Command29",        Kind::Button,     "",       4800, 7800, 1095,  435, "Command29", "", Font::Default, "", "", 10, kNormal},
    {"Command30",        Kind::Button,     "",       6120, 7800,  495,  435, "Cmd30", "", Font::Default, "", "", 48, kNormal},
    {"TxtCopyright",     Kind::TextBox,    "",        480, 8280, 4425,  300, "", "", Font::Bold, "#FFFF00", "#000000", 21, kNormal},
    {"File1",            Kind::FileList,   "",        600, 8760, 2550, 1065, "", "", Font::Default, "", "#E0E0E0", 25, kNormal},
    {"fmMenu",           Kind::Frame,      "",       3480, 8880, 3135,  615, "", "", Font::Default, "", "", 26, kNormal},
    {"chkOrd",           Kind::Option,     "fmMenu",  120,  240,  975,  255, "Order", "", Font::Default, "", "", 29, kChecked},
    {"optRnd",           Kind::Option,     "fmMenu",  960,  240,  975,  255, "Random", "", Font::Default, "", "", 28, kNormal},
    {"optNone",          Kind::Option,     "fmMenu", 2160,  240,  855,  255, "&Repeat", "", Font::Default, "", "", 27, kNormal},
};

// Track button i: caption i+1, nine to a row, 600 twips apart; tab places 4, then 31 to 47.
ControlRow songRow(int i) {
  return {"Songcmd", Kind::Button, "Frame1", 240 + 600 * (i % 9), i / 9 == 0 ? 520 : 840, 495, 255, "", "",
          Font::Default, "", "", i == 0 ? 4 : 30 + i, kNormal};
}

QFont fontOf(Font f) {
  switch (f) {
    case Font::Bold: return layoutFont(QStringLiteral("MS Sans Serif"), 8.25, true);
    case Font::Tahoma: return layoutFont(QStringLiteral("Tahoma"), 8.25);
    case Font::TahomaBold: return layoutFont(QStringLiteral("Tahoma"), 8.25, true);
    case Font::Default: break;
  }
  return layoutFont(QStringLiteral("MS Sans Serif"), 8.25);
}

QColor colourOf(const char* value, const QPalette& palette) {
  const QString s = QString::fromLatin1(value);
  if (s == QLatin1String("WindowText")) return palette.color(QPalette::WindowText);
  if (s == QLatin1String("Window")) return palette.color(QPalette::Window);
  return QColor(s);
}

// Colours go into the palette roles the kind of control paints with.
void applyColours(QWidget* w, Kind kind, const ControlRow& row) {
  QPalette p = w->palette();
  const bool editable = kind == Kind::TextBox || kind == Kind::ListBox || kind == Kind::FileList;
  if (*row.back) {
    const QColor c = colourOf(row.back, p);
    p.setColor(editable ? QPalette::Base : QPalette::Window, c);
    if (!editable) w->setAutoFillBackground(true);
  }
  if (*row.fore) p.setColor(editable ? QPalette::Text : QPalette::WindowText, colourOf(row.fore, p));
  w->setPalette(p);
}

}  // namespace

void Playerfrm::createControls() {
  using controls::twipsRect;
  setObjectName(QStringLiteral("Playerfrm"));
  setWindowTitle(QStringLiteral("Voren VCD Player Lite ver2.2.0"));
  setMinimumSize(controls::twipsToPixels(7515), controls::twipsToPixels(5745));
  resize(minimumSize());

  QHash<QString, QWidget*> byName;
  QMap<int, QWidget*> tabOrder;
  auto place = [&](const ControlRow& row, QWidget* w) {
    w->setGeometry(twipsRect(row.left, row.top, row.width, row.height));
    if (*row.toolTip) w->setToolTip(QString::fromUtf8(row.toolTip));
    w->setFont(fontOf(row.font));
    applyColours(w, row.kind, row);
    if (row.initial & kDisabled) w->setEnabled(false);
    if (row.initial & kChecked) static_cast<QAbstractButton*>(w)->setChecked(true);
    if (row.initial & kCentred) static_cast<QLabel*>(w)->setAlignment(Qt::AlignCenter);
    if (row.tab >= 0) tabOrder.insert(row.tab, w);
  };

  for (const ControlRow& row : kControls) {
    QWidget* parent = *row.container ? byName.value(QString::fromUtf8(row.container)) : this;
    const QString caption = QString::fromUtf8(row.caption);
    QWidget* w = nullptr;
    switch (row.kind) {
      case Kind::Player:
        w = player->widget();
        if (w) {
          w->setParent(parent);
        } else {  // a headless engine: an empty, focusable stand-in keeps the layout and focus rules
          w = new QWidget(parent);
          w->setFocusPolicy(Qt::StrongFocus);
        }
        playerFace = w;
        break;
      case Kind::Button: w = new QPushButton(caption, parent); break;
      case Kind::CheckBox: w = new QCheckBox(caption, parent); break;
      case Kind::Option: w = new QRadioButton(caption, parent); break;
      case Kind::Label:
        w = new QLabel(caption, parent);
        w->setAutoFillBackground(true);  // labels are opaque, in the window's face colour
        // File names from a disc are shown as they are, never read as markup.
        static_cast<QLabel*>(w)->setTextFormat(Qt::PlainText);
        break;
      case Kind::TextBox: w = new QLineEdit(caption, parent); break;
      case Kind::ListBox: w = new QListWidget(parent); break;
      case Kind::FileList:
        w = new controls::FileListBox([this](const QString& folder) { return listPlaylistFolder(folder); }, parent);
        break;
      case Kind::PictureBox:
      case Kind::Image: w = new QLabel(parent); break;
      case Kind::Frame: w = new QGroupBox(caption, parent); break;
      case Kind::Resizer: w = new window_services::rgrResizer(parent); break;
    }
    w->setObjectName(QString::fromUtf8(row.name));
    place(row, w);
    byName.insert(w->objectName(), w);
  }
  for (int i = 0; i < 18; ++i) {
    const ControlRow row = songRow(i);
    auto* b = new QPushButton(QString::number(i + 1), byName.value(QStringLiteral("Frame1")));
    b->setObjectName(QStringLiteral("Songcmd_%1").arg(i));
    place(row, b);
    SongcmdArray[i] = b;
  }

  auto get = [&](const char* name) { return byName.value(QString::fromUtf8(name)); };
  DVD = static_cast<QLabel*>(get("DVD"));
  PicLogo = static_cast<QLabel*>(get("PicLogo"));
  lblDisplay = static_cast<QLabel*>(get("lblDisplay"));
  Frame1 = static_cast<QGroupBox*>(get("Frame1"));
  Mp3playcmd = static_cast<QPushButton*>(get("Mp3playcmd"));
  Nexttrackcmd = static_cast<QPushButton*>(get("Nexttrackcmd"));
  Fullscreencmd = static_cast<QPushButton*>(get("Fullscreencmd"));
  Capturecmd = static_cast<QPushButton*>(get("Capturecmd"));
  chkOnTop = static_cast<QCheckBox*>(get("chkOnTop"));
  Exitcmd = static_cast<QPushButton*>(get("Exitcmd"));
  Command24 = static_cast<QPushButton*>(get("Command24"));
  Command23 = static_cast<QPushButton*>(get("Command23"));
  lblTrack_Display = static_cast<QLabel*>(get("lblTrack_Display"));
  opencdromcmd = static_cast<QPushButton*>(get("opencdromcmd"));
  Text2 = static_cast<QLineEdit*>(get("Text2"));
  txtCDdrive = static_cast<QLineEdit*>(get("txtCDdrive"));
  List1 = static_cast<QListWidget*>(get("List1"));
  Picture1 = static_cast<QLabel*>(get("Picture1"));
  picMain = static_cast<QLabel*>(get("picMain"));
  CmdApply = static_cast<QPushButton*>(get("CmdApply"));
  OsVersion = static_cast<QLabel*>(get("OsVersion"));
  Command29 = static_cast<QPushButton*>(get("Command29"));
  Command30 = static_cast<QPushButton*>(get("Command30"));
  TxtCopyright = static_cast<QLineEdit*>(get("TxtCopyright"));
  File1 = static_cast<controls::FileListBox*>(get("File1"));
  fmMenu = static_cast<QGroupBox*>(get("fmMenu"));
  chkOrd = static_cast<QRadioButton*>(get("chkOrd"));
  optRnd = static_cast<QRadioButton*>(get("optRnd"));
  optNone = static_cast<QRadioButton*>(get("optNone"));
  rgrResizer1 = static_cast<window_services::rgrResizer*>(get("rgrResizer1"));

  // The boxes whose controls the resizer scales along with the window's own.
  for (QWidget* container : {static_cast<QWidget*>(Frame1), static_cast<QWidget*>(fmMenu),
                             static_cast<QWidget*>(DVD), static_cast<QWidget*>(Picture1)})
    container->setProperty("resizerContainer", true);

  // Contents that the table's columns do not carry.
  File1->setPattern(QStringLiteral("*.mp3;*.dat"));
  TxtCopyright->setText(QStringLiteral("This picture was captured using Voren VCD Player download at ") +
                        QString::fromLatin1(kDownloadAddress));
  // The logo at its natural size.
  const QPixmap logo(QStringLiteral(":/assets/logo.jpg"));
  PicLogo->setPixmap(logo);
  PicLogo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setWindowIcon(QIcon(QStringLiteral(":/assets/vcdplayer.ico")));

  // Stacking: the player lowest, the logo box over it, the status line and panel above both.
  playerFace->lower();
  lblDisplay->raise();
  Frame1->raise();

  // Tab order by tab place; the player (place 0) holds the focus when the window opens.
  // Labels, frames and picture boxes hold a place but never take the focus.
  QWidget* previous = nullptr;
  for (QWidget* w : tabOrder) {
    if (!(w->focusPolicy() & Qt::TabFocus)) continue;
    if (previous) QWidget::setTabOrder(previous, w);
    previous = w;
  }
  playerFace->setFocus(Qt::OtherFocusReason);

  // Non-visual controls: the capture timers wait for start-up to give them a period; the format
  // watchdog runs from the moment the window exists.
  Timer1 = new controls::Timer(true, 0, this);
  Timer2 = new controls::Timer(true, 0, this);
  Timer3 = new controls::Timer(true, 0, this);
  tmrWrong_Format = new controls::Timer(true, 20000, this);
}

}  // namespace vcd
