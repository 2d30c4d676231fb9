// The About window: the blinking version line, the links' colours and addresses, the system
// information launcher, its pictures and pointers, and the way it leaves the on-top band.
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include "info_windows/frmabout.h"
#include "tests/support/qt_printers.h"
#include "tests/support/stacking_recorder.h"

namespace vcd::test {
namespace {

const QColor kNavy(0x00, 0x00, 0x80), kBlack(0x00, 0x00, 0x00);

class AboutTest : public ::testing::Test {
 protected:
  StackingRecorder stacking;
  QStringList searched, started, messages, opened;
  QMap<QString, QString> onPath;  // name -> full path of the programs "installed"
  bool startSucceeds = true;
  QPointer<frmAbout> about;

  void TearDown() override { delete about.data(); }
  void open() {
    delete about.data();
    AboutServices s;
    s.findProgram = [this](const QString& name) { return searched << name, onPath.value(name); };
    s.startDetached = [this](const QString& program, const QStringList& args) {
      return started << (QStringList{program} + args).join(' '), startSucceeds;
    };
    s.showMessage = [this](QWidget*, const QString& text) { messages << text; };
    s.openUrl = [this](const QUrl& url) { return opened << url.toString(), true; };
    about = new frmAbout(stacking.routine(), s);
    about->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(about.data()));
  }
  static QColor colourOf(const QLabel* label) { return label->palette().color(QPalette::WindowText); }
  QString colours() const {
    QString s;
    for (const QLabel* l : {about->Label1, about->Label5, about->Label9}) s += colourOf(l) == kNavy ? 'N' : colourOf(l) == kBlack ? 'B' : '?';
    return s;
  }
};

TEST_F(AboutTest, VersionLineBlinksStartingEmptyAndRunsOnFromOneOpeningToTheNext) {
  open();
  EXPECT_EQ(about->Label6->text(), "");
  EXPECT_TRUE(about->Timer1->isTicking());
  const QString v = "Version 2.2.0";
  const int k = frmAbout::BlinkCounter();  // where it stands after earlier openings
  QStringList seen;
  for (int i = 0; i < 3; ++i) {
    emit about->Timer1->Tick();
    seen << about->Label6->text();
  }
  EXPECT_EQ(seen, k == 0 ? QStringList({v, "", v}) : QStringList({"", v, ""}));
  open();  // an odd number of ticks: the next opening starts empty and goes on from the other half
  EXPECT_EQ(about->Label6->text(), "");
  emit about->Timer1->Tick();
  EXPECT_EQ(about->Label6->text(), k == 0 ? "" : v);
}

TEST_F(AboutTest, LinksStayNavyUntilThePointerCrossesTheBareBackground) {
  open();
  EXPECT_EQ(colourOf(about->Label1), about->palette().color(QPalette::ButtonText));
  QTest::mouseMove(about->Label5, QPoint(5, 5));
  QTest::mouseMove(about->Label9, QPoint(5, 5));  // from one web link straight onto the other
  for (QWidget* other : std::initializer_list<QWidget*>{about->Label7, about->Command2, about->Picture1, about->lpAppImage})
    QTest::mouseMove(other, QPoint(3, 3));  // other controls change nothing
  EXPECT_EQ(colours().mid(1), "NN");
  const QPoint background(about->Label7->x() - 4, about->Label7->y() + 2);
  ASSERT_EQ(about->childAt(background), nullptr);
  QTest::mouseMove(about.data(), background);
  EXPECT_EQ(colours(), "BBB");
  QTest::mouseMove(about->Label1, QPoint(5, 5));
  EXPECT_EQ(colours(), "NBB");
}

TEST_F(AboutTest, LinkClicksHandTheAddressesToTheDesktop) {
  open();
  for (QLabel* link : {about->Label1, about->Label5, about->Label9}) QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(opened, QStringList({"mailto:" + about->Label1->text(), about->Label5->text(), about->Label9->text()}));
  // A right click, or a press that ends on another label, opens nothing.
  QTest::mouseClick(about->Label5, Qt::RightButton, {}, QPoint(5, 5));
  QTest::mousePress(about->Label5, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(about->Label9, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(opened.size(), 3);
}

TEST_F(AboutTest, SystemInformationStartsTheFirstProgramFoundOrSaysItIsUnavailable) {
  const QString unavailable = "System Information Is Unavailable At This Time";
  onPath = {{"kinfocenter", "/usr/bin/kinfocenter"}, {"xfce4-taskmanager", "/usr/bin/xfce4-taskmanager"}};
  open();
  QTest::mouseClick(about->Command2, Qt::LeftButton);
  EXPECT_EQ(searched, QStringList({"hardinfo2", "hardinfo", "kinfocenter"}));
  EXPECT_EQ(started, QStringList({"/usr/bin/kinfocenter"}));
  onPath.clear();
  about->Command2_Click();
  onPath = {{"hardinfo", "/opt/hardinfo/bin/hardinfo"}};
  startSucceeds = false;
  about->Command2_Click();
  EXPECT_EQ(messages, QStringList(2, unavailable));
  EXPECT_TRUE(about->isVisible());

}

TEST_F(AboutTest, PicturesPointersAndCaptionsAndItsOkLeavesTheBand) {
  open();
  EXPECT_EQ(about->size(), QSize(357, 400));
  EXPECT_EQ(about->minimumSize(), about->maximumSize());  // not resizable
  EXPECT_EQ(about->lpAppImage->pixmap().size(), QSize(77, 201));
  EXPECT_EQ(about->Image1->pixmap().size(), QSize(32, 32));
  EXPECT_FALSE(about->Label5->cursor().pixmap().isNull());  // drawn pointers, not stock shapes
  EXPECT_EQ(about->Label9->cursor().hotSpot(), QPoint(12, 1));
  for (QLabel* caption : {about->Label7, about->Label2, about->Label8})  // not cut short of their colon
    EXPECT_GE(caption->width(), caption->sizeHint().width()) << caption->text().toStdString();
  QTest::mouseClick(about->Command1, Qt::LeftButton);
  EXPECT_EQ(stacking.calls, QStringList({"frmAbout:on", "frmAbout:off"}));
  EXPECT_EQ(stacking.shown, QList<bool>({false, true}));  // told before shown, still there when leaving
  EXPECT_TRUE(QTest::qWaitFor([&] { return about.isNull(); }, 10000));
}

}  // namespace
}  // namespace vcd::test
