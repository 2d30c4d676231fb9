// The information windows. About: the blinking version line, the links' addresses and colours,
// the system information launcher, and the way it leaves the on-top band. Quick Help: its page,
// how it opens and scrolls, and that it forgets edits. Both with the real stacking routine on a
// real window manager (Xvfb with openbox): in the "above" layer from the moment they appear, out
// of it when unloaded; pictures of both go to $VCD_SCREENSHOT_DIR for a person to look at.
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>

#include "info_windows/frmabout.h"
#include "info_windows/frmhelp.h"
#include "info_windows/help_text.h"
#include "tests/support/media.h"
#include "tests/support/stacking_recorder.h"
#include "tests/support/x11_window_state.h"
#include "ui/fonts.h"
#include "window_services/topmost.h"

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
  // Its pictures: the banner, the program's icon, the links' own pointers.
  EXPECT_EQ(about->lpAppImage->pixmap().size(), QSize(77, 201));
  EXPECT_EQ(about->Image1->pixmap().size(), QSize(32, 32));
  for (QLabel* link : {about->Label1, about->Label5}) EXPECT_EQ(link->cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(about->Label5->cursor().hotSpot(), QPoint(12, 1));
  QTest::mouseClick(about->Command1, Qt::LeftButton);
  EXPECT_EQ(stacking.calls, QStringList({"frmAbout:on", "frmAbout:off"}));
  EXPECT_EQ(stacking.shown, QList<bool>({false, true}));  // told before shown, still there when leaving
  EXPECT_TRUE(QTest::qWaitFor([&] { return about.isNull(); }, 10000));
}

TEST(HelpText, ThirtySevenLinesEndedByCrLfWithTheKaraokeStepsAndTheAlignedPlayOrders) {
  const QStringList lines = info_windows::help_text::Lines();
  ASSERT_EQ(lines.size(), 37);
  EXPECT_EQ(lines[0], "This a VCD player which can automatic find your cdrom ");
  EXPECT_EQ(lines.mid(10, 6), QStringList({"---right click screen while VCD is playing.", "---click properties.",
                                           "---select Advanced.", "---choose MPEG Audio Decoder.",
                                           "---choose Channel ---Checked First or Second.", "---Click OK."}));
  EXPECT_EQ(lines[19].indexOf(':'), 8 + 13);  // the colons of the play orders sit behind 13 and 18 blanks
  EXPECT_EQ(lines[20].indexOf(':'), 4 + 18);
  EXPECT_EQ(lines[35], "please send a bug report to: vcdplayer@example.com");
  EXPECT_EQ(info_windows::help_text::Text(), lines.join("\r\n"));  // CR LF between the lines; the last one is empty
}

TEST(HelpWindow, OpensOnTheFirstLineScrollsToTheLastAndForgetsEdits) {
  QPointer<info_windows::frmHelp> help = new info_windows::frmHelp([](QWidget*, bool) { return true; });
  auto shownLines = [&] {
    QStringList out;
    for (QTextBlock b = help->Text1->document()->begin(); b.isValid(); b = b.next()) out << b.text();
    return out;
  };
  help->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(help.data()));
  EXPECT_EQ(shownLines(), info_windows::help_text::Lines());
  QScrollBar* bar = help->Text1->verticalScrollBar();
  EXPECT_EQ(help->Text1->cursorForPosition(QPoint(4, 4)).blockNumber(), 0);
  EXPECT_TRUE(help->Command1->hasFocus());  // OK is first in the tab order
  bar->setValue(bar->maximum());
  EXPECT_EQ(help->Text1->cursorForPosition(QPoint(4, help->Text1->viewport()->height() - 3)).blockNumber(), 36);

  QTest::keyClicks(help->Text1, "scribble");  // an edit is forgotten with the window
  QTest::mouseClick(help->Command1, Qt::LeftButton);
  EXPECT_TRUE(QTest::qWaitFor([&] { return help.isNull(); }, 10000));
  help = new info_windows::frmHelp([](QWidget*, bool) { return true; });
  EXPECT_EQ(shownLines(), info_windows::help_text::Lines());
  delete help.data();
}

TEST(X11InfoWindows, AboveFromTheirFirstAppearanceUntilUnloaded) {
  VCD_REQUIRE_X11_WINDOW_MANAGER();
  ui::registerWindowFonts();
  info_windows::AboutServices quiet;
  quiet.openUrl = [](const QUrl&) { return true; };
  auto* about = new info_windows::frmAbout(&window_services::SetTopMost, quiet);
  emit about->Timer1->Tick();  // the version line in whichever half it is
  if (about->Label6->text().isEmpty()) emit about->Timer1->Tick();
  auto* help = new info_windows::frmHelp(&window_services::SetTopMost);
  const std::tuple<QWidget*, const char*, std::function<void()>> windows[] = {
      {about, "about", [about] { about->Form_Unload(); }}, {help, "quick-help", [help] { help->Form_Unload(); }}};
  for (const auto& [window, name, unload] : windows) {
    SCOPED_TRACE(name);
    QPointer<QWidget> guard(window);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return x11::isAbove(window); }, 20000));
    saveScreenshot(window->grab(), QString(name) + ".png");
    saveScreenshot(window->screen()->grabWindow(0), QString(name) + "-screen.png");
    const WId id = window->winId();
    unload();  // takes it out of the band while it is still on screen
    EXPECT_TRUE(QTest::qWaitFor([&] { return !x11::netWmState(id).contains("_NET_WM_STATE_ABOVE"); }, 20000));
    delete guard.data();
  }
}

}  // namespace
}  // namespace vcd::test
