// The Quick Help window: its page, how it opens and scrolls, and that it forgets edits.
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>

#include "info_windows/frmhelp.h"
#include "info_windows/help_text.h"
#include "tests/support/qt_printers.h"

namespace vcd::test {
namespace {

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

}  // namespace
}  // namespace vcd::test
