// The Quick Help window: its page of text, byte for byte, how it opens, and that it forgets edits.
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>

#include "info_windows/frmhelp.h"
#include "info_windows/help_text.h"
#include "tests/support/qt_printers.h"
#include "tests/support/stacking_recorder.h"

namespace vcd::test {
namespace {

// Lines 1-26 and 32-37 as the page must have them (27-31 are our disclaimer, checked apart).
const std::map<int, QString> kFixedLines = {
    {1, "This a VCD player which can automatic find your cdrom "},
    {2, "and play. It was specially designed to play MTV , Just "},
    {3, "select the number button of which song you want play in "},
    {4, "the front panel .You will never find this kind of function if "},
    {5, "using other's VCD player software."},
    {6, ""},
    {7, "1.To play it ,Insert VCD on cdrom, then click \"Play VCD\""},
    {8, "2.To view full screen , click \"Full screen\" button. To "},
    {9, "change back to normal, press \"Esc\" button in keyboard."},
    {10, "3.If you play Karaoke VCD :"},
    {11, "---right click screen while VCD is playing."},
    {12, "---click properties."},
    {13, "---select Advanced."},
    {14, "---choose MPEG Audio Decoder."},
    {15, "---choose Channel ---Checked First or Second."},
    {16, "---Click OK."},
    {17, ""},
    {18, "Playing Sequence"},
    {19, "================="},
    {20, "Autoplay             :->1->2->3->4->5->6->7...."},
    {21, "Next                  :->1->2->3->4......"},
    {22, "Autoplay if toggle :->1->2->3->4->If 8 Click->8->9->10...."},
    {23, "Autoplay if toggle :->1->2->3->4->If next click->5->6...."},
    {24, ""},
    {25, ""},
    {26, ""},
    {32, ""},
    {33, "If you encounter problems, please visit "},
    {34, "https://voren.example.org/vcdplayer and download the "},
    {35, "latest version to see if the issue has been resolved. If not, "},
    {36, "please send a bug report to: vcdplayer@example.com"},
    {37, ""},
};

TEST(HelpText, HasTheThirtySevenLinesOfThePageByteForByte) {
  const QStringList lines = help_text::Lines();
  ASSERT_EQ(lines.size(), 37);
  for (const auto& [number, text] : kFixedLines)
    EXPECT_EQ(lines[number - 1].toUtf8(), text.toUtf8()) << "line " << number;
  // The colons of the play-order lines sit behind 13 and 18 blanks.
  EXPECT_EQ(lines[19].indexOf(':'), 8 + 13);
  EXPECT_EQ(lines[20].indexOf(':'), 4 + 18);
  EXPECT_EQ(lines[18], QString(17, '='));
}

TEST(HelpText, DisclaimerFillsLinesTwentySevenToThirtyOne) {
  const QStringList lines = help_text::Lines();
  ASSERT_EQ(lines.size(), 37);
  EXPECT_TRUE(lines[27].endsWith("suitability  ")) << lines[27].toStdString();
  EXPECT_FALSE(lines[27].endsWith("suitability   "));
  for (int i = 26; i <= 30; ++i) {
    EXPECT_FALSE(lines[i].trimmed().isEmpty()) << "line " << i + 1;
    EXPECT_LE(lines[i].size(), 70) << "line " << i + 1;  // as short as the page's own lines
  }
  EXPECT_TRUE(lines.mid(26, 5).join(' ').contains("warranty"));
}

TEST(HelpText, LinesAreSeparatedByCarriageReturnLineFeedAndEndWithOne) {
  const QString text = help_text::Text();
  EXPECT_EQ(text.count("\r\n"), 36);
  EXPECT_EQ(text.count('\n'), 36);  // no bare line feeds
  EXPECT_EQ(text.count('\r'), 36);
  EXPECT_TRUE(text.endsWith("\r\n"));
  EXPECT_TRUE(text.startsWith("This a VCD player"));
}

class HelpTest : public ::testing::Test {
 protected:
  StackingRecorder stacking;
  QPointer<frmHelp> help;

  void TearDown() override { delete help.data(); }

  frmHelp& open() {
    help = new frmHelp(stacking.routine());
    help->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(help.data()));
    return *help;
  }
  QStringList shownLines() const {
    QStringList out;
    for (QTextBlock b = help->Text1->document()->begin(); b.isValid(); b = b.next()) out << b.text();
    return out;
  }
};

TEST_F(HelpTest, EntersTheBandAsItLoadsAndLeavesItWhenItsOkIsClicked) {
  open();
  EXPECT_EQ(stacking.calls, QStringList({"frmHelp:on"}));
  EXPECT_EQ(stacking.shown, QList<bool>({false}));
  QTest::mouseClick(help->Command1, Qt::LeftButton);
  EXPECT_EQ(stacking.calls, QStringList({"frmHelp:on", "frmHelp:off"}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return help.isNull(); }, 5000));
}

TEST_F(HelpTest, OpensOnTheFirstLineAndScrollsToTheLast) {
  open();
  EXPECT_EQ(shownLines(), help_text::Lines());
  QScrollBar* bar = help->Text1->verticalScrollBar();
  EXPECT_TRUE(bar->isVisible());
  EXPECT_GT(bar->maximum(), 0);  // the page is longer than the box
  EXPECT_EQ(bar->value(), 0);
  EXPECT_EQ(help->Text1->textCursor().position(), 0);
  EXPECT_EQ(help->Text1->cursorForPosition(QPoint(4, 4)).blockNumber(), 0);
  EXPECT_TRUE(help->Command1->hasFocus());  // OK is first in the tab order

  bar->setValue(bar->maximum());
  const QRect view = help->Text1->viewport()->rect();
  EXPECT_EQ(help->Text1->cursorForPosition(QPoint(4, view.bottom() - 2)).blockNumber(), 36);
}

TEST_F(HelpTest, EditsAreForgottenWithTheWindow) {
  open();
  help->Text1->setFocus();
  QTest::keyClicks(help->Text1, "scribble");
  EXPECT_TRUE(help->Text1->toPlainText().startsWith("scribble"));
  delete help.data();
  open();
  EXPECT_EQ(shownLines(), help_text::Lines());
}

}  // namespace
}  // namespace vcd::test
