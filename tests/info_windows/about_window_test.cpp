// The About window: the blinking version line, the links' addresses and colours, the system
// information launcher, and the way it leaves the on-top band.
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include "info_windows/frmabout.h"
#include "tests/support/qt_printers.h"
#include "tests/support/stacking_recorder.h"

namespace vcd::test {
namespace {

class AboutTest : public ::testing::Test {
 protected:
  StackingRecorder stacking;
  QStringList searched, started, messages, opened;
  QMap<QString, QString> onPath;  // name -> full path of the programs "installed"
  bool startSucceeds = true;
  QPointer<info_windows::frmAbout> about;

  void SetUp() override {
    info_windows::AboutServices s;
    s.findProgram = [this](const QString& name) { return searched << name, onPath.value(name); };
    s.startDetached = [this](const QString& program, const QStringList&) { return started << program, startSucceeds; };
    s.showMessage = [this](QWidget*, const QString& text) { messages << text; };
    s.openUrl = [this](const QUrl& url) { return opened << url.toString(), true; };
    about = new info_windows::frmAbout(stacking.routine(), s);
    about->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(about.data()));
  }
  void TearDown() override { delete about.data(); }
};

TEST_F(AboutTest, VersionLineBlinksAndLinksOpenTheirAddressesAndStayNavyUntilTheBackground) {
  EXPECT_EQ(about->Label6->text(), "");
  QStringList seen;
  for (int i = 0; i < 2; ++i) {
    emit about->Timer1->Tick();
    seen << about->Label6->text();
  }
  seen.sort();
  EXPECT_EQ(seen, QStringList({"", "Version 2.2.0"}));

  auto colours = [&] {
    QString s;
    for (const QLabel* l : {about->Label1, about->Label5, about->Label9})
      s += l->palette().color(QPalette::WindowText) == QColor(0, 0, 0x80) ? 'N' : 'b';
    return s;
  };
  QTest::mouseMove(about->Label5, QPoint(5, 5));
  QTest::mouseMove(about->Label9, QPoint(5, 5));  // from one link straight onto the other
  QTest::mouseMove(about->Command2, QPoint(3, 3));  // other controls change nothing
  EXPECT_EQ(colours(), "bNN");
  QTest::mouseMove(about.data(), QPoint(about->Label7->x() - 4, about->Label7->y() + 2));  // the bare background
  EXPECT_EQ(colours(), "bbb");

  for (QLabel* link : {about->Label1, about->Label5, about->Label9}) QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(opened, QStringList({"mailto:" + about->Label1->text(), about->Label5->text(), about->Label9->text()}));
  QTest::mouseClick(about->Label5, Qt::RightButton, {}, QPoint(5, 5));  // a right click opens nothing
  EXPECT_EQ(opened.size(), 3);
}

TEST_F(AboutTest, SystemInformationStartsTheFirstProgramFoundOrSaysItIsUnavailable) {
  onPath = {{"kinfocenter", "/usr/bin/kinfocenter"}, {"xfce4-taskmanager", "/usr/bin/xfce4-taskmanager"}};
  QTest::mouseClick(about->Command2, Qt::LeftButton);
  EXPECT_EQ(searched, QStringList({"hardinfo2", "hardinfo", "kinfocenter"}));
  EXPECT_EQ(started, QStringList({"/usr/bin/kinfocenter"}));
  onPath.clear();
  about->Command2_Click();
  onPath = {{"hardinfo", "/opt/hardinfo/bin/hardinfo"}};
  startSucceeds = false;
  about->Command2_Click();
  EXPECT_EQ(messages, QStringList(2, "System Information Is Unavailable At This Time"));
  EXPECT_TRUE(about->isVisible());
}

TEST_F(AboutTest, ItsOkLeavesTheBandWhileStillOnScreenAndCloses) {
  EXPECT_EQ(about->minimumSize(), about->maximumSize());  // not resizable
  QTest::mouseClick(about->Command1, Qt::LeftButton);
  EXPECT_EQ(stacking.calls, QStringList({"frmAbout:on", "frmAbout:off"}));
  EXPECT_EQ(stacking.shown, QList<bool>({false, true}));  // told before shown, still there when leaving
  EXPECT_TRUE(QTest::qWaitFor([&] { return about.isNull(); }, 10000));
}

}  // namespace
}  // namespace vcd::test
