// The make-up of the About window: every control with its kind, container, position in twips,
// caption, font and colour, in one table that reads like the window's layout sheet.
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include "info_windows/contact.h"
#include "info_windows/frmabout.h"
#include "ui/layout.h"
#include "ui/pictures.h"
#include "ui/twips.h"

namespace vcd::info_windows {
namespace {

using ui::ControlRow;
using ui::Kind;
using ui::kAutoSize;
using ui::kNormal;
using ui::kSansSerif;
using ui::kTahoma;
using ui::kTopLeft;
using ui::kTransparent;

constexpr ui::Font kTitle{"Tahoma", 9, true};
// The labels' text starts in their top-left corner, over the window's background.
constexpr unsigned kText = kTopLeft | kTransparent;

// Client area: 5,355 x 6,000 twips. No row holds a tab place: the focus moves in the order the
// rows make the controls.
// name                kind              container  left   top  width height caption  tooltip  font  fore  back  tab  look
constexpr ControlRow kControls[] = {
    {"lpAppImage",      Kind::Image,      "",          120,  120, 1215, 3075, "", "", kSansSerif, "", "", -1, kTopLeft},
    {"lbAppVersion(1)", Kind::Label,      "",         1440,  120, 1005,  195, "", "", kTahoma, "", "", -1, kText | kAutoSize},
    {"lbAppTitle",      Kind::Label,      "",         1560,  360, 3120,  210, "Voren VCD Player Lite", "", kTitle, "#000080", "", -1, kText | kAutoSize},
    {"Label6",          Kind::Label,      "",         1560,  720, 1215,  255, "", "", kSansSerif, "", "", -1, kText},
    {"lbAppVersion(0)", Kind::Label,      "",         2880,  720,  960,  195, "Version 2.2.0", "", kTahoma, "", "", -1, kText},
    {"Image1",          Kind::Image,      "",         3840,  360,  480,  480, "", "", kSansSerif, "", "", -1, kTopLeft},
    {"Label7",          Kind::Label,      "",         1440, 1080,  615,  255, "Email    :", "", kTahoma, "", "", -1, kText},
    {"Label1",          Kind::Label,      "",         2160, 1080, 1815,  255, contact::kEmail, "", kTahoma, "", "", -1, kText},
    {"Label2",          Kind::Label,      "",         1440, 1320,  615,  255, "URL1    :", "", kTahoma, "", "", -1, kText},
    {"Label5",          Kind::Label,      "",         2160, 1320, 3015,  255, contact::kDownloadUrl, "", kTahoma, "#000000", "", -1, kText},
    {"Label8",          Kind::Label,      "",         1440, 1560,  735,  255, "URL2    :", "", kTahoma, "", "", -1, kText},
    {"Label9",          Kind::Label,      "",         2160, 1560, 3135,  255, contact::kSupportUrl, "", kTahoma, "#000000", "", -1, kText},
    {"Label3",          Kind::Label,      "",         1440, 1800, 1695,  255, "ICQ       : ", "", kTahoma, "", "", -1, kText},
    {"Label4",          Kind::Label,      "",         1440, 2040, 2775,  255, "Mobile   : ", "", kTahoma, "", "", -1, kText},
    {"Picture1",        Kind::Panel,      "",         1440, 2400, 3615,  735, "", "", kTahoma, "", "", -1, kNormal},
    {"lbAInfo",         Kind::Label,      "Picture1",  120,  360, 2640,  195, contact::kAuthorCredit, "", kTahoma, "", "", -1, kText | kAutoSize},
    {"lbTemp(6)",       Kind::Label,      "",          240, 3360,  885,  195, "Warning:", "", kTahoma, "", "", -1, kText},
    {"lbTemp(1)",       Kind::Label,      "",          240, 3600, 4725, 1035, contact::kTerms, "", kTahoma, "", "", -1, kText},
    {"Command1",        Kind::Button,     "",          720, 5160, 1275,  375, "&Ok", "", kTahoma, "", "", -1, kNormal},
    {"Command2",        Kind::Button,     "",         3240, 5160, 1275,  375, "&System Info...", "", kTahoma, "", "", -1, kNormal},
};

// The lines drawn on the window's background, in the order they are drawn (later over earlier).
struct LineRow {
  int x1, y1, x2, y2;
  const char* colour;
};
constexpr LineRow kLines[] = {
    {240, 3240, 5385, 3240, "#808080"},   // Line1(0)
    {-120, 3240, 5280, 3240, "#FFFFFF"},  // Line1(1)
    {-360, 5880, 5400, 5880, "#FFFFFF"},  // Line2
};

// A mouse pointer made from a picture; hotX/hotY -1 puts the hot spot in the middle (an icon).
QCursor pointerFrom(const char* resource, int hotX = -1, int hotY = -1) {
  const QPixmap picture = ui::resourcePicture(QString::fromLatin1(resource));
  if (picture.isNull()) return QCursor(Qt::PointingHandCursor);
  return QCursor(picture, hotX, hotY);
}

}  // namespace

void frmAbout::createControls() {
  using ui::twipsToPixels;
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About This Freeware ..."));
  // A fixed dialog: no resizing, no minimise or maximise button.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(twipsToPixels(5355), twipsToPixels(6000));
  setFont(ui::fontOf(ui::kTahomaBold));

  ui::ControlSheet sheet(this);
  for (const ControlRow& row : kControls) sheet.add(row);

  lpAppImage = sheet.get<QLabel>("lpAppImage");
  lbAppTitle = sheet.get<QLabel>("lbAppTitle");
  Label6 = sheet.get<QLabel>("Label6");
  Image1 = sheet.get<QLabel>("Image1");
  Label7 = sheet.get<QLabel>("Label7");
  Label1 = sheet.get<QLabel>("Label1");
  Label2 = sheet.get<QLabel>("Label2");
  Label5 = sheet.get<QLabel>("Label5");
  Label8 = sheet.get<QLabel>("Label8");
  Label9 = sheet.get<QLabel>("Label9");
  Label3 = sheet.get<QLabel>("Label3");
  Label4 = sheet.get<QLabel>("Label4");
  lbAInfo = sheet.get<QLabel>("lbAInfo");
  Picture1 = sheet.get<QFrame>("Picture1");
  Command1 = sheet.get<QPushButton>("Command1");
  Command2 = sheet.get<QPushButton>("Command2");
  lbAppVersion_ = {{0, sheet.get<QLabel>("lbAppVersion(0)")}, {1, sheet.get<QLabel>("lbAppVersion(1)")}};
  lbTemp_ = {{6, sheet.get<QLabel>("lbTemp(6)")}, {1, sheet.get<QLabel>("lbTemp(1)")}};

  // The two contact lines end in the numbers kept with the other contact data.
  Label3->setText(Label3->text() + QString::fromLatin1(contact::kMessenger));
  Label4->setText(Label4->text() + QString::fromLatin1(contact::kMobile));

  // Pictures and looks the table cannot hold.
  lpAppImage->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  lpAppImage->setLineWidth(2);
  lpAppImage->setAlignment(Qt::AlignCenter);
  lpAppImage->setPixmap(ui::resourcePicture(QStringLiteral(":/assets/about-banner.bmp")));
  Image1->setPixmap(ui::resourceIcon(QStringLiteral(":/assets/vcdplayer.ico")).pixmap(32, 32));
  lbAppVersion(0).setVisible(false);  // only holds the text that the version line shows
  lbTemp(1).setWordWrap(true);
  // The captions of the contact lines end in a colon that must not be cut off where the font
  // runs a little wider than the sheet allowed for; there is room up to the values beside them.
  for (QLabel* caption : {Label7, Label2, Label8})
    if (caption->sizeHint().width() > caption->width()) caption->resize(caption->sizeHint().width(), caption->height());
  // The e-mail link starts in the button-text colour; the two web links are black.
  QPalette mail = Label1->palette();
  mail.setColor(QPalette::WindowText, mail.color(QPalette::ButtonText));
  Label1->setPalette(mail);
  Label1->setCursor(pointerFrom(":/assets/link-mail.ico"));
  const QCursor webPointer = pointerFrom(":/assets/link-web.cur", 12, 1);
  Label5->setCursor(webPointer);
  Label9->setCursor(webPointer);

  // The window sees the pointer over its bare background, the links see it over themselves.
  setMouseTracking(true);
  for (QLabel* link : {Label1, Label5, Label9}) {
    link->setMouseTracking(true);
    link->installEventFilter(this);
  }

  Timer1 = new ui::Timer(true, 500, this);
}

void frmAbout::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  for (const LineRow& line : kLines) {
    painter.setPen(QColor(QString::fromLatin1(line.colour)));
    painter.drawLine(ui::twipsToPixels(line.x1), ui::twipsToPixels(line.y1),
                     ui::twipsToPixels(line.x2), ui::twipsToPixels(line.y2));
  }
}

}  // namespace vcd::info_windows
