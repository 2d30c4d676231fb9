// The main window as laid out: every control checked against the layout sheet, and the
// resizer's proportions when the window is maximised, minimised and restored.
#include <QAbstractButton>
#include <QFontInfo>
#include <QTest>
#include <set>

#include "ui/twips.h"
#include "tests/player/window_fixture.h"

namespace vcd::test {
namespace {

struct Expected {
  const char* name;
  const char* container;
  int left, top, width, height;  // twips
  const char* caption;           // nullptr: not checked
  const char* toolTip;
  const char* font;              // "MS Sans Serif", "Tahoma"
  bool bold;
  int tab;                       // -1: not in the tab chain
  bool enabled;
};

// The layout sheet, written out independently of the window's own table.
const Expected kSheet[] = {
    {"player", "Playerfrm", 120, 0, 7275, 4575, nullptr, "", "MS Sans Serif", false, 0, true},
    {"DVD", "Playerfrm", 120, 0, 7185, 3855, nullptr, "", "MS Sans Serif", false, 16, true},
    {"PicLogo", "DVD", 960, 1320, 5715, 1710, nullptr, "", "MS Sans Serif", false, -1, true},
    {"lblDisplay", "Playerfrm", 1800, 4320, 3615, 195, "", "", "MS Sans Serif", true, 11, true},
    {"Frame1", "Playerfrm", 120, 4560, 7335, 1155, "Front Panel", "", "Tahoma", true, 1, true},
    {"Mp3playcmd", "Frame1", 240, 240, 1575, 255, "&Play VCD", "Play", "MS Sans Serif", false, 8, true},
    {"Nexttrackcmd", "Frame1", 1920, 240, 975, 255, ">>", "Next Track", "MS Sans Serif", false, 7, true},
    {"Fullscreencmd", "Frame1", 3000, 240, 1000, 255, "&Full Scr", "Full Screen", "MS Sans Serif", false, 5, true},
    {"Capturecmd", "Frame1", 4080, 240, 1000, 255, "Capture", "Capture screen shot", "MS Sans Serif", false, 15, false},
    {"chkOnTop", "Frame1", 5160, 240, 1000, 255, "&On Top", "Top Most", "Tahoma", false, 12, true},
    {"Exitcmd", "Frame1", 6240, 240, 1000, 255, "Exit", "Quit", "MS Sans Serif", false, 6, true},
    {"Command24", "Frame1", 5640, 520, 735, 255, "&Help", "", "MS Sans Serif", false, 2, true},
    {"Command23", "Frame1", 6480, 520, 735, 255, "About", "", "MS Sans Serif", false, 3, true},
    {"lblTrack_Display", "Frame1", 5760, 840, 1485, 255, "00 of 0", "", "MS Sans Serif", true, 13, true},
    {"opencdromcmd", "Playerfrm", 4320, 6240, 855, 255, "&Eject", "Eject CD", "MS Sans Serif", false, 49, true},
    {"Text2", "Playerfrm", 120, 7080, 3735, 285, "Text2", "", "MS Sans Serif", false, 9, true},
    {"txtCDdrive", "Playerfrm", 5520, 7080, 1095, 285, "CD Drive", "", "MS Sans Serif", false, 22, true},
    {"List1", "Playerfrm", 240, 7320, 855, 450, nullptr, "", "MS Sans Serif", false, 30, true},
    {"Picture1", "Playerfrm", 2760, 7320, 1500, 705, nullptr, "", "MS Sans Serif", false, 18, true},
    {"picMain", "Picture1", 360, 360, 1305, 465, nullptr, "", "MS Sans Serif", false, 19, true},
    {"CmdApply", "Playerfrm", 3360, 7320, 615, 270, "&Apply", "", "MS Sans Serif", false, 17, true},
    {"OsVersion", "Playerfrm", 4560, 7440, 855, 255, "", "", "MS Sans Serif", false, 24, true},
    {"Command29", "Playerfrm", 4800, 7800, 1095, 435, "Command29", "", "MS Sans Serif", false, 10, true},
    {"Command30", "Playerfrm", 6120, 7800, 495, 435, "Cmd30", "", "MS Sans Serif", false, 48, true},
    {"TxtCopyright", "Playerfrm", 480, 8280, 4425, 300, nullptr, "", "MS Sans Serif", true, 21, true},
    {"File1", "Playerfrm", 600, 8760, 2550, 1065, nullptr, "", "MS Sans Serif", false, 25, true},
    {"fmMenu", "Playerfrm", 3480, 8880, 3135, 615, "", "", "MS Sans Serif", false, 26, true},
    {"chkOrd", "fmMenu", 120, 240, 975, 255, "Order", "", "MS Sans Serif", false, 29, true},
    {"optRnd", "fmMenu", 960, 240, 975, 255, "Random", "", "MS Sans Serif", false, 28, true},
    {"optNone", "fmMenu", 2160, 240, 855, 255, "&Repeat", "", "MS Sans Serif", false, 27, true},
    {"rgrResizer1", "Playerfrm", 6720, 7320, 1005, 735, nullptr, "", "MS Sans Serif", false, -1, true},
};

QString captionOf(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  return QString();
}

TEST_F(WindowTest, EveryControlMatchesTheLayoutSheet) {
  make();
  EXPECT_EQ(w->windowTitle(), "Voren VCD Player Lite ver2.2.0");
  EXPECT_EQ(w->size(), QSize(501, 383));
  EXPECT_FALSE(w->windowIcon().isNull());

  std::vector<std::pair<int, QWidget*>> chain;
  for (const Expected& e : kSheet) {
    SCOPED_TRACE(e.name);
    auto* c = w->findChild<QWidget*>(e.name);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->parentWidget()->objectName(), e.container);
    EXPECT_EQ(c->geometry(), controls::twipsRect(e.left, e.top, e.width, e.height));
    if (e.caption) {
      EXPECT_EQ(captionOf(c), e.caption);
    }
    EXPECT_EQ(c->toolTip(), e.toolTip);
    // Bold MS Sans Serif is drawn in Tahoma (the bitmap font has no bold face); bold must show.
    EXPECT_EQ(c->font().family(), e.bold && QString(e.font) == "MS Sans Serif" ? "Tahoma" : e.font);
    EXPECT_EQ(QFontInfo(c->font()).bold(), e.bold);
    EXPECT_DOUBLE_EQ(c->font().pointSizeF(), 8.25);
    EXPECT_EQ(c->font().bold(), e.bold);
    EXPECT_EQ(c->isEnabled(), e.enabled);
    EXPECT_FALSE(c->isHidden());
    if (e.tab >= 0) chain.emplace_back(e.tab, c);
  }
  for (int i = 0; i < 18; ++i) {
    SCOPED_TRACE(i);
    QPushButton& b = w->Songcmd(i);
    EXPECT_EQ(b.parentWidget(), w->Frame1);
    EXPECT_EQ(b.text(), QString::number(i + 1));
    EXPECT_EQ(b.geometry(), controls::twipsRect(240 + 600 * (i % 9), i < 9 ? 520 : 840, 495, 255));
    EXPECT_TRUE(b.toolTip().isEmpty());
    chain.emplace_back(i == 0 ? 4 : 30 + i, &b);
  }

  // Colours.
  EXPECT_EQ(w->DVD->palette().color(QPalette::Window), QColor("#100010"));
  EXPECT_EQ(w->picMain->palette().color(QPalette::Window), QColor("#FFFFFF"));
  EXPECT_EQ(w->File1->palette().color(QPalette::Base), QColor("#E0E0E0"));
  EXPECT_EQ(w->TxtCopyright->palette().color(QPalette::Base), QColor("#000000"));
  EXPECT_EQ(w->TxtCopyright->palette().color(QPalette::Text), QColor("#FFFF00"));
  EXPECT_EQ(w->List1->palette().color(QPalette::Text), QColor("#000000"));
  EXPECT_EQ(w->lblTrack_Display->alignment(), Qt::AlignCenter);
  EXPECT_TRUE(w->TxtCopyright->text().startsWith("This picture was captured using Voren VCD Player download at http"));

  // Initial states and the tab chain in the order of the tab places.
  EXPECT_TRUE(w->chkOrd->isChecked());
  EXPECT_FALSE(w->optRnd->isChecked());
  EXPECT_FALSE(w->chkOnTop->isChecked());
  EXPECT_EQ(w->PicLogo->pixmap().size(), QSize(381, 114));
  std::sort(chain.begin(), chain.end(), [](auto& a, auto& b) { return a.first < b.first; });
  std::erase_if(chain, [](auto& entry) { return !(entry.second->focusPolicy() & Qt::TabFocus); });
  std::set<QWidget*> inChain;
  for (auto& [tab, c] : chain) inChain.insert(c);
  for (size_t i = 0; i + 1 < chain.size(); ++i) {
    QWidget* next = chain[i].second->nextInFocusChain();
    while (!inChain.count(next)) next = next->nextInFocusChain();
    EXPECT_EQ(next, chain[i + 1].second)
        << chain[i].second->objectName().toStdString() << " -> " << next->objectName().toStdString();
  }
}

TEST_F(WindowTest, ResizerScalesEveryControlAndRestoresFromTheRecordedProportions) {
  make();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  std::map<QString, QRect> before;
  for (QWidget* c : w->rgrResizer1->controls()) before[c->objectName()] = c->geometry();
  ASSERT_GE(before.size(), 49u);  // every control of the sheet and the eighteen track buttons

  // A control moved by code after load goes back to its proportions at the next resize.
  w->picMain->setGeometry(0, 0, 200, 100);

  w->showMaximized();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w->width() > 501; }, 5000));
  const double fx = w->width() / 501.0, fy = w->height() / 383.0;
  for (const QString name : {"Songcmd_0", "Songcmd_1", "Songcmd_10", "chkOrd", "PicLogo", "picMain", "Frame1"}) {
    SCOPED_TRACE(name.toStdString());
    const QRect was = before[name], now = w->findChild<QWidget*>(name)->geometry();
    EXPECT_NEAR(now.x(), was.x() * fx, 1.0);
    EXPECT_NEAR(now.y(), was.y() * fy, 1.0);
    EXPECT_NEAR(now.width(), was.width() * fx, 1.0);
    EXPECT_NEAR(now.height(), was.height() * fy, 1.0);
  }
  // The gap between two track buttons grows in proportion.
  EXPECT_NEAR(w->Songcmd(1).x() - w->Songcmd(0).x(), 40 * fx, 1.0);
  // The working controls stay below the visible area.
  EXPECT_GE(w->Text2->y(), w->height());
  EXPECT_GE(w->File1->y(), w->height());
  // The resizer moves with the rest but keeps its own size.
  EXPECT_EQ(w->rgrResizer1->size(), QSize(67, 49));

  w->showMinimized();
  w->showNormal();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w->width() == 501; }, 5000));
  for (QWidget* c : w->rgrResizer1->controls())
    EXPECT_EQ(c->geometry(), before[c->objectName()]) << c->objectName().toStdString();
}

TEST(Resizer, DoesNothingOffAWindowAndSkipsControlsAddedAfterLoad) {
  QWidget window;
  window.resize(300, 200);
  QWidget inner(&window);
  window_services::rgrResizer notOnAWindow(&inner);
  EXPECT_EQ(notOnAWindow.Target(), nullptr);

  auto* resizer = new window_services::rgrResizer(&window);
  resizer->setObjectName("rgr");
  auto* a = new QWidget(&window);
  a->setObjectName("a");
  a->setGeometry(30, 20, 60, 40);
  resizer->recordProportions();
  auto* late = new QWidget(&window);
  late->setObjectName("late");
  late->setGeometry(5, 5, 10, 10);
  window.resize(600, 400);
  resizer->applyProportions();
  EXPECT_EQ(a->geometry(), QRect(60, 40, 120, 80));
  EXPECT_EQ(late->geometry(), QRect(5, 5, 10, 10));
  // Shrunk to nothing: positions follow, sizes that cannot be taken are kept.
  window.resize(1, 1);
  resizer->applyProportions();
  EXPECT_EQ(a->size(), QSize(120, 80));
}

}  // namespace
}  // namespace vcd::test
