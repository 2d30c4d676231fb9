// The About window on its own: load and unload stacking, the blinking version line, the link
// labels' colours and addresses, and the system-information launcher.
#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "info_windows/frmabout.h"
#include "tests/support/qt_printers.h"
#include "tests/support/stacking_recorder.h"

namespace vcd::test {
namespace {

const QColor kNavy(0x00, 0x00, 0x80);
const QColor kBlack(0x00, 0x00, 0x00);

class AboutTest : public ::testing::Test {
 protected:
  StackingRecorder stacking;
  QStringList searched;        // programs looked up on PATH, in order
  QStringList started;         // "program args..." of every start
  QStringList messages;        // texts of message boxes
  QStringList opened;          // addresses handed to the desktop
  QMap<QString, QString> onPath;  // name -> full path of the programs "installed"
  bool startSucceeds = true;
  QPointer<frmAbout> about;

  void TearDown() override { delete about.data(); }

  frmAbout& open() {
    AboutServices s;
    s.findProgram = [this](const QString& name) {
      searched << name;
      return onPath.value(name);
    };
    s.startDetached = [this](const QString& program, const QStringList& args) {
      started << (QStringList{program} + args).join(' ');
      return startSucceeds;
    };
    s.showMessage = [this](QWidget*, const QString& text) { messages << text; };
    s.openUrl = [this](const QUrl& url) {
      opened << url.toString();
      return true;
    };
    about = new frmAbout(stacking.routine(), s);
    about->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(about.data()));
    return *about;
  }

  static QColor colourOf(const QLabel* label) { return label->palette().color(QPalette::WindowText); }
};

TEST_F(AboutTest, EntersTheBandAsItLoadsAndLeavesItWhenClosed) {
  open();
  EXPECT_EQ(stacking.calls, QStringList({"frmAbout:on"}));
  EXPECT_EQ(stacking.shown, QList<bool>({false}));  // told while loading, before it is shown
  QTest::mouseClick(about->Command1, Qt::LeftButton);
  EXPECT_EQ(stacking.calls, QStringList({"frmAbout:on", "frmAbout:off"}));
  EXPECT_EQ(stacking.shown.last(), true);  // still there when it leaves the band
  EXPECT_TRUE(QTest::qWaitFor([&] { return about.isNull(); }, 5000));
}

TEST_F(AboutTest, VersionLineBlinksEveryTickStartingEmpty) {
  open();
  EXPECT_EQ(about->Label6->text(), "");
  EXPECT_TRUE(about->Timer1->isTicking());
  EXPECT_EQ(about->Timer1->Interval(), 500);
  EXPECT_FALSE(about->lbAppVersion(0).isVisibleTo(about.data()));
  EXPECT_EQ(about->lbAppVersion(0).text(), "Version 2.2.0");
  EXPECT_EQ(about->lbAppVersion(1).text(), "");

  // The counter runs on from earlier openings: read where it stands, then follow it.
  const int k = frmAbout::BlinkCounter();
  ASSERT_TRUE(k == 0 || k == 1);
  QStringList seen;
  for (int i = 0; i < 4; ++i) {
    emit about->Timer1->Tick();
    seen << about->Label6->text();
  }
  const QStringList fromZero{"Version 2.2.0", "", "Version 2.2.0", ""};
  const QStringList fromOne{"", "Version 2.2.0", "", "Version 2.2.0"};
  EXPECT_EQ(seen, k == 0 ? fromZero : fromOne);
  EXPECT_EQ(frmAbout::BlinkCounter(), k);

  // An odd number of ticks leaves the counter on the other element for the next opening, which
  // starts empty again and goes on from there.
  emit about->Timer1->Tick();
  delete about.data();
  open();
  EXPECT_EQ(about->Label6->text(), "");
  emit about->Timer1->Tick();
  EXPECT_EQ(about->Label6->text(), k == 0 ? "" : "Version 2.2.0");
}

TEST_F(AboutTest, LinksStayNavyUntilThePointerCrossesTheBareBackground) {
  open();
  const QColor buttonText = about->palette().color(QPalette::ButtonText);
  EXPECT_EQ(colourOf(about->Label1), buttonText);
  EXPECT_EQ(colourOf(about->Label5), kBlack);
  EXPECT_EQ(colourOf(about->Label9), kBlack);

  // From the first web link straight onto the second: both stay navy.
  QTest::mouseMove(about->Label5, QPoint(5, 5));
  EXPECT_EQ(colourOf(about->Label5), kNavy);
  QTest::mouseMove(about->Label9, QPoint(5, 5));
  EXPECT_EQ(colourOf(about->Label5), kNavy);
  EXPECT_EQ(colourOf(about->Label9), kNavy);
  EXPECT_EQ(colourOf(about->Label1), buttonText);

  // Over other controls nothing changes: not the labels, the buttons, the picture box.
  for (QWidget* other : std::initializer_list<QWidget*>{about->Label7, about->Command2, about->Picture1,
                                                        about->lbAInfo, about->lpAppImage})
    QTest::mouseMove(other, QPoint(3, 3));
  EXPECT_EQ(colourOf(about->Label5), kNavy);
  EXPECT_EQ(colourOf(about->Label9), kNavy);

  // The window's bare background (left of the contact labels, between banner and text) resets
  // all three links to black, the e-mail link included.
  const QPoint background(about->Label7->x() - 4, about->Label7->y() + 2);
  ASSERT_EQ(about->childAt(background), nullptr);
  QTest::mouseMove(about.data(), background);
  EXPECT_EQ(colourOf(about->Label1), kBlack);
  EXPECT_EQ(colourOf(about->Label5), kBlack);
  EXPECT_EQ(colourOf(about->Label9), kBlack);

  QTest::mouseMove(about->Label1, QPoint(5, 5));
  EXPECT_EQ(colourOf(about->Label1), kNavy);
  EXPECT_EQ(colourOf(about->Label5), kBlack);
}

TEST_F(AboutTest, LinkClicksHandTheAddressesToTheDesktop) {
  open();
  QTest::mouseClick(about->Label1, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseClick(about->Label5, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseClick(about->Label9, Qt::LeftButton, {}, QPoint(5, 5));
  ASSERT_EQ(opened.size(), 3);
  EXPECT_EQ(opened[0], "mailto:" + about->Label1->text());
  EXPECT_EQ(opened[1], about->Label5->text());
  EXPECT_EQ(opened[2], about->Label9->text());
  for (const QString& address : opened)
    EXPECT_TRUE(address.contains(QRegularExpression("[@.]example\\.(com|org)/?"))) << address.toStdString();
  // A right click, or a press that ends on another label, opens nothing.
  QTest::mouseClick(about->Label5, Qt::RightButton, {}, QPoint(5, 5));
  QTest::mousePress(about->Label5, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(about->Label9, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(opened.size(), 3);
}

TEST_F(AboutTest, SystemInformationStartsTheFirstProgramFoundOnPath) {
  onPath = {{"kinfocenter", "/usr/bin/kinfocenter"}, {"xfce4-taskmanager", "/usr/bin/xfce4-taskmanager"}};
  open();
  QTest::mouseClick(about->Command2, Qt::LeftButton);
  EXPECT_EQ(searched, QStringList({"hardinfo2", "hardinfo", "kinfocenter"}));
  EXPECT_EQ(started, QStringList({"/usr/bin/kinfocenter"}));
  EXPECT_TRUE(messages.isEmpty());
}

TEST_F(AboutTest, SystemInformationUnavailableWhenNothingIsFoundOrItWillNotStart) {
  open();
  about->Command2_Click();
  EXPECT_EQ(searched, frmAbout::kSysInfoPrograms);
  EXPECT_TRUE(started.isEmpty());
  EXPECT_EQ(messages, QStringList({"System Information Is Unavailable At This Time"}));
  EXPECT_TRUE(about->isVisible());  // the window stays open

  onPath = {{"hardinfo", "/opt/hardinfo/bin/hardinfo"}};
  startSucceeds = false;
  messages.clear();
  about->Command2_Click();
  EXPECT_EQ(started, QStringList({"/opt/hardinfo/bin/hardinfo"}));
  EXPECT_EQ(messages, QStringList({"System Information Is Unavailable At This Time"}));
}

TEST_F(AboutTest, ThePathLookupFindsOnlyExecutablePrograms) {
  // The real lookup: an executable file on PATH is found by its name, a plain file is not.
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile tool(dir.filePath("hardinfo2")), notes(dir.filePath("kinfocenter"));
  ASSERT_TRUE(tool.open(QIODevice::WriteOnly) && notes.open(QIODevice::WriteOnly));
  tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  tool.close();
  notes.close();
  const QByteArray oldPath = qgetenv("PATH");
  qputenv("PATH", dir.path().toLocal8Bit());
  const QString found = AboutServices::findProgramOnPath("hardinfo2");
  const QString notFound = AboutServices::findProgramOnPath("kinfocenter");
  qputenv("PATH", oldPath);
  EXPECT_EQ(found, dir.filePath("hardinfo2"));
  EXPECT_EQ(notFound, "");
}

TEST_F(AboutTest, PicturesAndPointersComeFromTheProgramsOwnAssets) {
  open();
  EXPECT_EQ(about->size(), QSize(357, 400));
  EXPECT_EQ(about->minimumSize(), about->maximumSize());  // not resizable
  EXPECT_EQ(about->lpAppImage->pixmap().size(), QSize(77, 201));
  EXPECT_EQ(about->Image1->pixmap().size(), QSize(32, 32));
  EXPECT_FALSE(about->Label5->cursor().pixmap().isNull());  // drawn pointers, not stock shapes
  EXPECT_EQ(about->Label5->cursor().hotSpot(), QPoint(12, 1));
  EXPECT_EQ(about->Label9->cursor().hotSpot(), QPoint(12, 1));
  EXPECT_FALSE(about->Label1->cursor().pixmap().isNull());
  // The contact captions are not cut short of their colon.
  for (QLabel* caption : {about->Label7, about->Label2, about->Label8})
    EXPECT_GE(caption->width(), caption->sizeHint().width()) << caption->text().toStdString();
}

}  // namespace
}  // namespace vcd::test
