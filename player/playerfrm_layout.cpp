// The make-up of the main window: every control with its kind, container, position in twips,
// caption, tool tip and tab place, in one table that reads like the window's layout sheet.
#include <QIcon>
#include <QPixmap>

#include "ui/layout.h"
#include "ui/pictures.h"
#include "ui/twips.h"
#include "window_services/rgr_resizer.h"
#include "player/playerfrm.h"

namespace vcd::player {
namespace {

using ui::ControlRow;
using ui::Kind;
using ui::kCentred;
using ui::kChecked;
using ui::kDisabled;
using ui::kNormal;
using ui::kSansSerif;
using ui::kSansSerifBold;
using ui::kTahoma;
using ui::kTahomaBold;
using ui::kTopLeft;

constexpr const char* kDownloadAddress = "https://voren.example.org/vcdplayer";

// Client area: 7,515 x 5,745 twips. Rows below 5,745 are parked out of sight.
// name              kind              container  left   top  width height caption  tooltip  font  fore back  tab  look
constexpr ControlRow kControls[] = {
    // Video area and status line
    {"player",           Kind::Player,     "",        120,    0, 7275, 4575, "", "", kSansSerif, "", "", 0, kNormal},
    {"DVD",              Kind::PictureBox, "",        120,    0, 7185, 3855, "", "", kSansSerif, "", "#100010", 16, kNormal},
    {"PicLogo",          Kind::Image,      "DVD",     960, 1320, 5715, 1710, "", "", kSansSerif, "", "", -1, kTopLeft},
    {"lblDisplay",       Kind::Label,      "",       1800, 4320, 3615,  195, "", "", kSansSerifBold, "", "", 11, kNormal},
    {"Frame1",           Kind::Frame,      "",        120, 4560, 7335, 1155, "Front Panel", "", kTahomaBold, "", "", 1, kNormal},
    // Front panel (in Frame1); the eighteen track buttons follow from songRow()
    {"Mp3playcmd",       Kind::Button,     "Frame1",  240,  240, 1575,  255, "&Play VCD", "Play", kSansSerif, "", "", 8, kNormal},
    {"Nexttrackcmd",     Kind::Button,     "Frame1", 1920,  240,  975,  255, ">>", "Next Track", kSansSerif, "", "", 7, kNormal},
    {"Fullscreencmd",    Kind::Button,     "Frame1", 3000,  240, 1000,  255, "&Full Scr", "Full Screen", kSansSerif, "", "", 5, kNormal},
    {"Capturecmd",       Kind::Button,     "Frame1", 4080,  240, 1000,  255, "Capture", "Capture screen shot", kSansSerif, "", "", 15, kDisabled},
    {"chkOnTop",         Kind::CheckBox,   "Frame1", 5160,  240, 1000,  255, "&On Top", "Top Most", kTahoma, "", "", 12, kNormal},
    {"Exitcmd",          Kind::Button,     "Frame1", 6240,  240, 1000,  255, "Exit", "Quit", kSansSerif, "", "", 6, kNormal},
    {"Command24",        Kind::Button,     "Frame1", 5640,  520,  735,  255, "&Help", "", kSansSerif, "", "", 2, kNormal},
    {"Command23",        Kind::Button,     "Frame1", 6480,  520,  735,  255, "About", "", kSansSerif, "", "", 3, kNormal},
    {"lblTrack_Display", Kind::Label,      "Frame1", 5760,  840, 1485,  255, "00 of 0", "", kSansSerifBold, "WindowText", "", 13, kCentred},
    // Working controls below the visible client area
    {"opencdromcmd",     Kind::Button,     "",       4320, 6240,  855,  255, "&Eject", "Eject CD", kSansSerif, "", "", 49, kNormal},
    {"Text2",            Kind::TextBox,    "",        120, 7080, 3735,  285, "Text2", "", kSansSerif, "", "", 9, kNormal},
    {"txtCDdrive",       Kind::TextBox,    "",       5520, 7080, 1095,  285, "CD Drive", "", kSansSerif, "", "", 22, kNormal},
    {"List1",            Kind::ListBox,    "",        240, 7320,  855,  450, "", "", kSansSerif, "#000000", "", 30, kNormal},
    {"Picture1",         Kind::PictureBox, "",       2760, 7320, 1500,  705, "", "", kSansSerif, "", "Window", 18, kNormal},
    {"picMain",          Kind::PictureBox, "Picture1", 360, 360, 1305,  465, "", "", kSansSerif, "", "#FFFFFF", 19, kNormal},
    {"CmdApply",         Kind::Button,     "",       3360, 7320,  615,  270, "&Apply", "", kSansSerif, "", "", 17, kNormal},
    {"OsVersion",        Kind::Label,      "",       4560, 7440,  855,  255, "", "", kSansSerif, "", "", 24, kNormal},
    {"rgrResizer1",      Kind::Resizer,    "",       6720, 7320, 1005,  735, "", "", kSansSerif, "", "", -1, kNormal},
    {"Command29",        Kind::Button,     "",       4800, 7800, 1095,  435, "Command29", "", kSansSerif, "", "", 10, kNormal},
    {"Command30",        Kind::Button,     "",       6120, 7800,  495,  435, "Cmd30", "", kSansSerif, "", "", 48, kNormal},
    {"TxtCopyright",     Kind::TextBox,    "",        480, 8280, 4425,  300, "", "", kSansSerifBold, "#FFFF00", "#000000", 21, kNormal},
    {"File1",            Kind::FileList,   "",        600, 8760, 2550, 1065, "", "", kSansSerif, "", "#E0E0E0", 25, kNormal},
    {"fmMenu",           Kind::Frame,      "",       3480, 8880, 3135,  615, "", "", kSansSerif, "", "", 26, kNormal},
    {"chkOrd",           Kind::Option,     "fmMenu",  120,  240,  975,  255, "Order", "", kSansSerif, "", "", 29, kChecked},
    {"optRnd",           Kind::Option,     "fmMenu",  960,  240,  975,  255, "Random", "", kSansSerif, "", "", 28, kNormal},
    {"optNone",          Kind::Option,     "fmMenu", 2160,  240,  855,  255, "&Repeat", "", kSansSerif, "", "", 27, kNormal},
};

// Track button i: caption i+1, nine to a row, 600 twips apart; tab places 4, then 31 to 47.
ControlRow songRow(int i) {
  return {"Songcmd", Kind::Button, "Frame1", 240 + 600 * (i % 9), i / 9 == 0 ? 520 : 840, 495, 255, "", "",
          kSansSerif, "", "", i == 0 ? 4 : 30 + i, kNormal};
}

}  // namespace

void Playerfrm::createControls() {
  setObjectName(QStringLiteral("Playerfrm"));
  setWindowTitle(QStringLiteral("Voren VCD Player Lite ver2.2.0"));
  setMinimumSize(ui::twipsToPixels(7515), ui::twipsToPixels(5745));
  resize(minimumSize());

  ui::ControlSheet sheet(this);
  for (const ControlRow& row : kControls) {
    sheet.add(row, [&](QWidget* container) -> QWidget* {
      switch (row.kind) {
        case Kind::Player:
          playerFace = player->widget();
          if (playerFace) {
            playerFace->setParent(container);
          } else {  // a headless engine: an empty, focusable stand-in keeps the layout and focus rules
            playerFace = new QWidget(container);
            playerFace->setFocusPolicy(Qt::StrongFocus);
          }
          return playerFace;
        case Kind::FileList:
          return new ui::FileListBox([this](const QString& folder) { return listPlaylistFolder(folder); },
                                           container);
        case Kind::Resizer: return new window_services::rgrResizer(container);
        default: return nullptr;
      }
    });
  }
  for (int i = 0; i < 18; ++i) {
    const ControlRow row = songRow(i);
    auto* b = new QPushButton(QString::number(i + 1), sheet.container(row));
    sheet.place(row, b);
    b->setObjectName(QStringLiteral("Songcmd_%1").arg(i));
    SongcmdArray[i] = b;
  }

  DVD = sheet.get<QLabel>("DVD");
  PicLogo = sheet.get<QLabel>("PicLogo");
  lblDisplay = sheet.get<QLabel>("lblDisplay");
  Frame1 = sheet.get<QGroupBox>("Frame1");
  Mp3playcmd = sheet.get<QPushButton>("Mp3playcmd");
  Nexttrackcmd = sheet.get<QPushButton>("Nexttrackcmd");
  Fullscreencmd = sheet.get<QPushButton>("Fullscreencmd");
  Capturecmd = sheet.get<QPushButton>("Capturecmd");
  chkOnTop = sheet.get<QCheckBox>("chkOnTop");
  Exitcmd = sheet.get<QPushButton>("Exitcmd");
  Command24 = sheet.get<QPushButton>("Command24");
  Command23 = sheet.get<QPushButton>("Command23");
  lblTrack_Display = sheet.get<QLabel>("lblTrack_Display");
  opencdromcmd = sheet.get<QPushButton>("opencdromcmd");
  Text2 = sheet.get<QLineEdit>("Text2");
  txtCDdrive = sheet.get<QLineEdit>("txtCDdrive");
  List1 = sheet.get<QListWidget>("List1");
  Picture1 = sheet.get<QLabel>("Picture1");
  picMain = sheet.get<QLabel>("picMain");
  CmdApply = sheet.get<QPushButton>("CmdApply");
  OsVersion = sheet.get<QLabel>("OsVersion");
  Command29 = sheet.get<QPushButton>("Command29");
  Command30 = sheet.get<QPushButton>("Command30");
  TxtCopyright = sheet.get<QLineEdit>("TxtCopyright");
  File1 = sheet.get<ui::FileListBox>("File1");
  fmMenu = sheet.get<QGroupBox>("fmMenu");
  chkOrd = sheet.get<QRadioButton>("chkOrd");
  optRnd = sheet.get<QRadioButton>("optRnd");
  optNone = sheet.get<QRadioButton>("optNone");
  rgrResizer1 = sheet.get<window_services::rgrResizer>("rgrResizer1");

  // The boxes whose controls the resizer scales along with the window's own.
  for (QWidget* container : {static_cast<QWidget*>(Frame1), static_cast<QWidget*>(fmMenu),
                             static_cast<QWidget*>(DVD), static_cast<QWidget*>(Picture1)})
    container->setProperty("resizerContainer", true);

  // Contents that the table's columns do not carry.
  File1->setPattern(QStringLiteral("*.mp3;*.dat"));
  TxtCopyright->setText(QStringLiteral("This picture was captured using Voren VCD Player download at ") +
                        QString::fromLatin1(kDownloadAddress));
  // The logo at its natural size.
  PicLogo->setPixmap(ui::resourcePicture(QStringLiteral(":/assets/logo.png")));
  setWindowIcon(ui::resourceIcon(QStringLiteral(":/assets/vcdplayer.ico")));

  // Stacking: the player lowest, the logo box over it, the status line and panel above both.
  playerFace->lower();
  lblDisplay->raise();
  Frame1->raise();

  // Tab order by tab place; the player (place 0) holds the focus when the window opens.
  sheet.applyTabOrder();
  playerFace->setFocus(Qt::OtherFocusReason);

  // Non-visual controls: the capture timers wait for start-up to give them a period; the format
  // watchdog runs from the moment the window exists.
  Timer1 = new ui::Timer(true, 0, this);
  Timer2 = new ui::Timer(true, 0, this);
  Timer3 = new ui::Timer(true, 0, this);
  tmrWrong_Format = new ui::Timer(true, 20000, this);
}

}  // namespace vcd::player
