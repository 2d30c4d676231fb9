// The make-up of the main window: every control with its kind, container, position in twips,
// caption, tool tip and tab place, in one table that reads like the window's layout sheet.
#include <QHash>
#include <QPixmap>

#include "player/controls/twips.h"
#include "player/playerfrm.h"

namespace vcd {
namespace {

enum class Kind { Button, CheckBox, Option, Label, TextBox, ListBox, FileList, PictureBox, Image, Frame, Player };

struct ControlRow {
  const char* name;
  Kind kind;
  const char* container;  // "" = the window's client area
  int left, top, width, height;
  const char* caption;
  const char* toolTip;
  int tab;                // -1: takes no place in the tab order
};

// Client area: 7,515 x 5,745 twips. Rows below 5,745 are parked out of sight.
constexpr ControlRow kControls[] = {
    // Video area and status line
    {"player", Kind::Player, "", 120, 0, 7275, 4575, "", "", 0},
    {"DVD", Kind::PictureBox, "", 120, 0, 7185, 3855, "", "", 16},
    {"PicLogo", Kind::Image, "DVD", 960, 1320, 5715, 1710, "", "", -1},
    {"lblDisplay", Kind::Label, "", 1800, 4320, 3615, 195, "", "", 11},
    {"Frame1", Kind::Frame, "", 120, 4560, 7335, 1155, "Front Panel", "", 1},
    // Front panel
    {"Mp3playcmd", Kind::Button, "Frame1", 240, 240, 1575, 255, "&Play VCD", "Play", 8},
    {"Nexttrackcmd", Kind::Button, "Frame1", 1920, 240, 975, 255, ">>", "Next Track", 7},
    {"Fullscreencmd", Kind::Button, "Frame1", 3000, 240, 1000, 255, "&Full Scr", "Full Screen", 5},
    {"Capturecmd", Kind::Button, "Frame1", 4080, 240, 1000, 255, "Capture", "Capture screen shot", 15},
    {"chkOnTop", Kind::CheckBox, "Frame1", 5160, 240, 1000, 255, "&On Top", "Top Most", 12},
    {"Exitcmd", Kind::Button, "Frame1", 6240, 240, 1000, 255, "Exit", "Quit", 6},
    {"Command24", Kind::Button, "Frame1", 5640, 520, 735, 255, "&Help", "", 2},
    {"Command23", Kind::Button, "Frame1", 6480, 520, 735, 255, "About", "", 3},
    {"lblTrack_Display", Kind::Label, "Frame1", 5760, 840, 1485, 255, "00 of 0", "", 13},
    // Working controls below the visible client area
    {"opencdromcmd", Kind::Button, "", 4320, 6240, 855, 255, "&Eject", "Eject CD", 49},
    {"Text2", Kind::TextBox, "", 120, 7080, 3735, 285, "Text2", "", 9},
    {"txtCDdrive", Kind::TextBox, "", 5520, 7080, 1095, 285, "CD Drive", "", 22},
    {"List1", Kind::ListBox, "", 240, 7320, 855, 450, "", "", 30},
    {"Picture1", Kind::PictureBox, "", 2760, 7320, 1500, 705, "", "", 18},
    {"picMain", Kind::PictureBox, "Picture1", 360, 360, 1305, 465, "", "", 19},
    {"CmdApply", Kind::Button, "", 3360, 7320, 615, 270, "&Apply", "", 17},
    {"OsVersion", Kind::Label, "", 4560, 7440, 855, 255, "", "", 24},
    {"Command29", Kind::Button, "", 4800, 7800, 1095, 435, "Command29", "", 10},
    {"Command30", Kind::Button, "", 6120, 7800, 495, 435, "Cmd30", "", 48},
    {"TxtCopyright", Kind::TextBox, "", 480, 8280, 4425, 300,
     "This picture was captured using Voren VCD Player download at https://voren.example.org/vcdplayer", "", 21},
    {"File1", Kind::FileList, "", 600, 8760, 2550, 1065, "", "", 25},
    {"fmMenu", Kind::Frame, "", 3480, 8880, 3135, 615, "", "", 26},
    {"chkOrd", Kind::Option, "fmMenu", 120, 240, 975, 255, "Order", "", 29},
    {"optRnd", Kind::Option, "fmMenu", 960, 240, 975, 255, "Random", "", 28},
    {"optNone", Kind::Option, "fmMenu", 2160, 240, 855, 255, "&Repeat", "", 27},
};

// Track button i: caption i+1, nine to a row, 600 twips apart.
ControlRow songRow(int i) {
  return {"Songcmd", Kind::Button, "Frame1", 240 + 600 * (i % 9), i / 9 == 0 ? 520 : 840, 495, 255, "", "",
          i == 0 ? 4 : 30 + i};
}

}  // namespace

void Playerfrm::createControls() {
  using controls::twipsRect;
  setObjectName(QStringLiteral("Playerfrm"));
  setWindowTitle(QStringLiteral("Voren VCD Player Lite ver2.2.0"));
  setFixedSize(controls::twipsToPixels(7515), controls::twipsToPixels(5745));

  QHash<QString, QWidget*> byName;
  QMap<int, QWidget*> tabOrder;
  auto place = [&](const ControlRow& row, QWidget* w) {
    w->setGeometry(twipsRect(row.left, row.top, row.width, row.height));
    if (*row.toolTip) w->setToolTip(QString::fromUtf8(row.toolTip));
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
      case Kind::Label: w = new QLabel(caption, parent); break;
      case Kind::TextBox: w = new QLineEdit(caption, parent); break;
      case Kind::ListBox: w = new QListWidget(parent); break;
      case Kind::FileList:
        w = new controls::FileListBox([this](const QString& folder) { return listPlaylistFolder(folder); }, parent);
        break;
      case Kind::PictureBox:
      case Kind::Image: w = new QLabel(parent); break;
      case Kind::Frame: w = new QGroupBox(caption, parent); break;
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

  // Initial states.
  Capturecmd->setEnabled(false);
  chkOrd->setChecked(true);
  File1->setPattern(QStringLiteral("*.mp3;*.dat"));
  DVD->setAutoFillBackground(true);
  DVD->setStyleSheet(QStringLiteral("background-color: #100010;"));
  PicLogo->setPixmap(QPixmap(QStringLiteral(":/assets/logo.jpg")));
  PicLogo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QFont bold = lblDisplay->font();
  bold.setBold(true);
  lblDisplay->setFont(bold);
  lblTrack_Display->setFont(bold);
  lblTrack_Display->setAlignment(Qt::AlignCenter);
  Frame1->setFont(bold);

  // Stacking: the player lowest, the logo box over it, the status line and panel above both.
  playerFace->lower();
  lblDisplay->raise();
  Frame1->raise();

  // Tab order by tab place; the player (place 0) holds the focus when the window opens.
  QWidget* previous = nullptr;
  for (QWidget* w : tabOrder) {
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
