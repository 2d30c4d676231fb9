// The make-up of the About window: every control with its kind, container, position in twips,
// caption, font and colour, in one table that reads like the window's layout sheet.
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

#include "info_windows/contact.h"
#include "info_windows/frmabout.h"
#include "info_windows/info_layout.h"
#include "ui/twips.h"
#include "ui/fonts.h"

namespace vcd {
namespace {

enum class Kind { Label, Image, PictureBox, Button };

struct Font {
  const char* family;
  double points;
  bool bold;
};
constexpr Font kDefault{"MS Sans Serif", 8.25, false};
constexpr Font kTahoma{"Tahoma", 8.25, false};
constexpr Font kTitle{"Tahoma", 9, true};

struct ControlRow {
  const char* name;
  Kind kind;
  const char* container;  // "" = the window's client area
  int left, top, width, height;
  Font font;
  const char* colour;     // text colour as #RRGGBB; "" = the control's own
  bool autoSize;          // the label takes the size of its text
};

// Client area: 5,355 x 6,000 twips. The captions that carry contact data are filled in below.
constexpr ControlRow kControls[] = {
    {"lpAppImage", Kind::Image, "", 120, 120, 1215, 3075, kDefault, "", false},
    {"lbAppVersion(1)", Kind::Label, "", 1440, 120, 1005, 195, kTahoma, "", true},
    {"lbAppTitle", Kind::Label, "", 1560, 360, 3120, 210, kTitle, "#000080", true},
    {"Label6", Kind::Label, "", 1560, 720, 1215, 255, kDefault, "", false},
    {"lbAppVersion(0)", Kind::Label, "", 2880, 720, 960, 195, kTahoma, "", false},
    {"Image1", Kind::Image, "", 3840, 360, 480, 480, kDefault, "", false},
    {"Label7", Kind::Label, "", 1440, 1080, 615, 255, kTahoma, "", false},
    {"Label1", Kind::Label, "", 2160, 1080, 1815, 255, kTahoma, "", false},
    {"Label2", Kind::Label, "", 1440, 1320, 615, 255, kTahoma, "", false},
    {"Label5", Kind::Label, "", 2160, 1320, 3015, 255, kTahoma, "#000000", false},
    {"Label8", Kind::Label, "", 1440, 1560, 735, 255, kTahoma, "", false},
    {"Label9", Kind::Label, "", 2160, 1560, 3135, 255, kTahoma, "#000000", false},
    {"Label3", Kind::Label, "", 1440, 1800, 1695, 255, kTahoma, "", false},
    {"Label4", Kind::Label, "", 1440, 2040, 2775, 255, kTahoma, "", false},
    {"Picture1", Kind::PictureBox, "", 1440, 2400, 3615, 735, kTahoma, "", false},
    {"lbAInfo", Kind::Label, "Picture1", 120, 360, 2640, 195, kTahoma, "", true},
    {"lbTemp(6)", Kind::Label, "", 240, 3360, 885, 195, kTahoma, "", false},
    {"lbTemp(1)", Kind::Label, "", 240, 3600, 4725, 1035, kTahoma, "", false},
    {"Command1", Kind::Button, "", 720, 5160, 1275, 375, kTahoma, "", false},
    {"Command2", Kind::Button, "", 3240, 5160, 1275, 375, kTahoma, "", false},
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

QString captionOf(const QString& name) {
  static const QHash<QString, QString> captions = {
      {QStringLiteral("lbAppTitle"), QStringLiteral("Voren VCD Player Lite")},
      {QStringLiteral("lbAppVersion(0)"), QStringLiteral("Version 2.2.0")},
      {QStringLiteral("Label7"), QStringLiteral("Email    :")},
      {QStringLiteral("Label1"), QString::fromLatin1(contact::kEmail)},
      {QStringLiteral("Label2"), QStringLiteral("URL1    :")},
      {QStringLiteral("Label5"), QString::fromLatin1(contact::kDownloadUrl)},
      {QStringLiteral("Label8"), QStringLiteral("URL2    :")},
      {QStringLiteral("Label9"), QString::fromLatin1(contact::kSupportUrl)},
      {QStringLiteral("Label3"), QStringLiteral("ICQ       : ") + QString::fromLatin1(contact::kMessenger)},
      {QStringLiteral("Label4"), QStringLiteral("Mobile   : ") + QString::fromLatin1(contact::kMobile)},
      {QStringLiteral("lbAInfo"), QString::fromLatin1(contact::kAuthorCredit)},
      {QStringLiteral("lbTemp(6)"), QStringLiteral("Warning:")},
      {QStringLiteral("lbTemp(1)"), QString::fromLatin1(contact::kTerms)},
      {QStringLiteral("Command1"), QStringLiteral("&Ok")},
      {QStringLiteral("Command2"), QStringLiteral("&System Info...")},
  };
  return captions.value(name);
}

QFont fontOf(const Font& f) { return layoutFont(QString::fromLatin1(f.family), f.points, f.bold); }

// A mouse pointer made from a picture; hotX/hotY -1 puts the hot spot in the middle (an icon).
QCursor pointerFrom(const char* resource, int hotX = -1, int hotY = -1) {
  const QPixmap picture(QString::fromLatin1(resource));
  if (picture.isNull()) return QCursor(Qt::PointingHandCursor);
  return QCursor(picture, hotX, hotY);
}

}  // namespace

void frmAbout::createControls() {
  using controls::twipsRect;
  using controls::twipsToPixels;
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About This Freeware ..."));
  // A fixed dialog: no resizing, no minimise or maximise button.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(twipsToPixels(5355), twipsToPixels(6000));
  setFont(fontOf({"Tahoma", 8.25, true}));

  QHash<QString, QWidget*> byName;
  for (const ControlRow& row : kControls) {
    const QString name = QString::fromLatin1(row.name);
    QWidget* parent = *row.container ? byName.value(QString::fromLatin1(row.container)) : this;
    QWidget* w = nullptr;
    switch (row.kind) {
      case Kind::Label:
      case Kind::Image: w = new QLabel(captionOf(name), parent); break;
      case Kind::PictureBox: {
        auto* box = new QFrame(parent);
        box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        box->setLineWidth(2);
        w = box;
        break;
      }
      case Kind::Button: w = new QPushButton(captionOf(name), parent); break;
    }
    placeInfoControl(w, name, twipsRect(row.left, row.top, row.width, row.height), fontOf(row.font), row.colour,
                     row.autoSize);
    byName.insert(name, w);
  }

  auto label = [&](const char* name) { return static_cast<QLabel*>(byName.value(QString::fromLatin1(name))); };
  lpAppImage = label("lpAppImage");
  lbAppTitle = label("lbAppTitle");
  Label6 = label("Label6");
  Image1 = label("Image1");
  Label7 = label("Label7");
  Label1 = label("Label1");
  Label2 = label("Label2");
  Label5 = label("Label5");
  Label8 = label("Label8");
  Label9 = label("Label9");
  Label3 = label("Label3");
  Label4 = label("Label4");
  lbAInfo = label("lbAInfo");
  Picture1 = static_cast<QFrame*>(byName.value(QStringLiteral("Picture1")));
  Command1 = static_cast<QPushButton*>(byName.value(QStringLiteral("Command1")));
  Command2 = static_cast<QPushButton*>(byName.value(QStringLiteral("Command2")));
  lbAppVersion_ = {{0, label("lbAppVersion(0)")}, {1, label("lbAppVersion(1)")}};
  lbTemp_ = {{6, label("lbTemp(6)")}, {1, label("lbTemp(1)")}};

  // Pictures and looks the table cannot hold.
  lpAppImage->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  lpAppImage->setLineWidth(2);
  lpAppImage->setAlignment(Qt::AlignCenter);
  lpAppImage->setPixmap(QPixmap(QStringLiteral(":/assets/about-banner.bmp")));
  Image1->setPixmap(QIcon(QStringLiteral(":/assets/vcdplayer.ico")).pixmap(32, 32));
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

  Timer1 = new controls::Timer(true, 500, this);
}

void frmAbout::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  for (const LineRow& line : kLines) {
    painter.setPen(QColor(QString::fromLatin1(line.colour)));
    painter.drawLine(controls::twipsToPixels(line.x1), controls::twipsToPixels(line.y1),
                     controls::twipsToPixels(line.x2), controls::twipsToPixels(line.y2));
  }
}

}  // namespace vcd
