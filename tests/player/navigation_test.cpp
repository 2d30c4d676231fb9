// Next, the track buttons and the end of a track, by play order and position in the playlist.
#include "player/fdnum.h"
#include "tests/player/window_fixture.h"

namespace vcd::test {
namespace {

QString track(int n) { return QStringLiteral("cdrom://D/Mpegav/AVSEQ%1.DAT").arg(n, 2, 10, QChar('0')); }

class NavigationTest : public WindowTest {
 protected:
  // A loaded playlist of n tracks with entry `at` (0-based) current, calls cleared.
  void playlist(int n, int at, QRadioButton* Playerfrm::*order = &Playerfrm::chkOrd) {
    drives.drives.clear();
    addDrive('D', FakeDriveManager::tracks(n));
    load();
    (w.get()->*order)->setChecked(true);
    w->File1->setListIndex(at);
    player.calls.clear();
  }
  int index() const { return w->File1->ListIndex(); }
};

TEST_F(NavigationTest, NextInOrderMovesOnAndRestartsTheLastEntry) {
  playlist(5, 2);
  w->Nexttrackcmd_Click();
  EXPECT_EQ(player.fileNames(), QStringList({track(3), track(3), track(4)}));
  EXPECT_EQ(index(), 3);
  EXPECT_EQ(player.calls.last(), "SetFocus");  // the space bar goes to the player afterwards
  EXPECT_EQ(enabledButtons(), "111110000000000000");
  EXPECT_TRUE(w->Nexttrackcmd->isEnabled());
  EXPECT_EQ(w->lblDisplay->text(), "Loading... Please be patient...");

  w->File1->setListIndex(4);
  player.calls.clear();
  w->Nexttrackcmd_Click();
  EXPECT_EQ(player.fileNames(), QStringList(3, track(5)));  // no wrap to the first entry
  EXPECT_EQ(index(), 4);
}

TEST_F(NavigationTest, NextInRepeatAndRandom) {
  playlist(12, 6, &Playerfrm::optNone);
  w->Nexttrackcmd_Click();
  EXPECT_EQ(player.fileNames(), QStringList(2, track(7)));
  EXPECT_EQ(index(), 6);

  w->optRnd->setChecked(true);
  player.calls.clear();
  w->Nexttrackcmd_Click();
  ASSERT_EQ(player.fileNames().size(), 1);
  EXPECT_EQ(player.fileNames()[0], track(index() + 1));
  EXPECT_EQ(player.calls.mid(0, 2), QStringList({"FileName=" + track(index() + 1), "Play"}));
}

TEST_F(NavigationTest, TrackButtonsPlayTheirEntryOrRestartTheCurrentOne) {
  playlist(25, 0);
  w->Songcmd_Click(17);
  EXPECT_EQ(player.fileNames(), QStringList({track(18)}));
  EXPECT_EQ(enabledButtons(), QString(18, '1'));
  player.calls.clear();
  w->Songcmd_Click(30);  // not a button: the current entry starts again
  EXPECT_EQ(player.fileNames(), QStringList({track(18)}));

  playlist(5, 1);
  w->Songcmd_Click(9);  // "10" has no entry in a playlist of five
  EXPECT_EQ(player.fileNames(), QStringList({track(2)}));
  EXPECT_EQ(enabledButtons(), "111110000000000000");
  EXPECT_EQ(player.calls.last(), "SetFocus");
}

TEST_F(NavigationTest, RefusedFilesAreSkippedByTheButtons) {
  playlist(5, 1);
  player.refuses = [](const QString&) { return true; };
  w->Songcmd_Click(3);
  EXPECT_EQ(player.calls, QStringList({"FileName=" + track(4), "Play", "SetFocus"}));
  EXPECT_EQ(index(), 3);
}

TEST_F(NavigationTest, EndOfTrackInOrderMovesOnAndStopsAfterTheLast) {
  playlist(5, 2);
  w->player_EndOfStream(0);
  EXPECT_EQ(player.fileNames(), QStringList({track(3), track(3), track(4)}));
  EXPECT_FALSE(player.calls.contains("SetFocus"));
  EXPECT_EQ(index(), 3);

  w->File1->setListIndex(4);
  player.calls.clear();
  w->player_EndOfStream(0);
  EXPECT_EQ(player.fileNames(), QStringList(2, track(5)));
  EXPECT_EQ(player.calls.last(), "Stop");
}

TEST_F(NavigationTest, EndOfTrackInRandomPicksOnlyAtTheTrueEnd) {
  playlist(12, 4, &Playerfrm::optRnd);
  player.duration = player.position = 1.2;
  w->player_EndOfStream(0);
  ASSERT_EQ(player.fileNames().size(), 1);
  EXPECT_EQ(player.fileNames()[0], track(index() + 1));

  const int at = index();
  player.calls.clear();
  player.position = 1.16;  // the end was reported short of the duration
  w->player_EndOfStream(0);
  EXPECT_EQ(player.fileNames(), QStringList(2, track(at + 1)));
}

TEST_F(NavigationTest, EndOfTrackInRepeatPlaysTheSameEntryAgain) {
  playlist(3, 1, &Playerfrm::optNone);
  w->player_EndOfStream(0);
  EXPECT_EQ(player.fileNames(), QStringList(2, track(2)));
}

TEST_F(NavigationTest, EndOfTrackStopsWhenTheDurationCannotBeRead) {
  playlist(5, 1);
  player.failDuration = true;
  player.setState(kPlaying);
  player.calls.clear();
  w->player_EndOfStream(0);
  EXPECT_TRUE(player.fileNames().isEmpty());
  EXPECT_EQ(player.calls.value(0), "Stop");
  EXPECT_EQ(w->lblTrack_Display->text(), "00 of 0");  // the stop is shown
}

TEST_F(NavigationTest, PlayingShowsTheTrackAndTheCounter) {
  playlist(12, 2);
  w->tmrWrong_Format->setEnabled(true);
  player.setState(kPlaying);
  EXPECT_EQ(w->lblDisplay->text(), "Playing Avseq03.dat  ........");
  EXPECT_EQ(w->lblTrack_Display->text(), "03 of 12");
  EXPECT_FALSE(w->tmrWrong_Format->Enabled());
  EXPECT_FALSE(w->opencdromcmd->isEnabled());
  EXPECT_TRUE(w->Capturecmd->isEnabled());

  // Pausing changes the caption only; resuming rewrites it and the counter.
  w->lblTrack_Display->setText("scribbled");
  player.setState(kPaused);
  EXPECT_EQ(w->lblDisplay->text(), "Paused ,hit spacebar to release");
  EXPECT_EQ(w->lblTrack_Display->text(), "scribbled");
  EXPECT_TRUE(w->Capturecmd->isEnabled());
  player.setState(kPlaying);
  EXPECT_EQ(w->lblTrack_Display->text(), "03 of 12");

  // Other states change nothing.
  player.setState(kWaiting);
  EXPECT_EQ(w->lblDisplay->text(), "Playing Avseq03.dat  ........");
}

TEST_F(NavigationTest, CounterFollowsTheFirstEighteenEntriesOnly) {
  playlist(25, 17);
  player.setState(kPlaying);
  EXPECT_EQ(w->lblTrack_Display->text(), "18 of 25");
  player.setState(kWaiting);
  w->File1->setListIndex(18);
  player.setState(kPlaying);
  EXPECT_EQ(w->lblTrack_Display->text(), "18 of 25");
  EXPECT_EQ(w->lblDisplay->text(), "Playing Avseq19.dat  ........");

  playlist(125, 6);
  player.setState(kWaiting);
  player.setState(kPlaying);
  EXPECT_EQ(w->lblTrack_Display->text(), "07 of 125");
}

TEST_F(NavigationTest, StoppingClearsTheDisplay) {
  playlist(4, 1);
  player.setState(kPlaying);
  player.calls.clear();
  w->tmrWrong_Format->setEnabled(true);
  player.stopReportsState = false;
  player.setState(kStopped);
  EXPECT_EQ(player.calls, QStringList(27, "Stop"));
  EXPECT_EQ(w->lblDisplay->text(), "");
  EXPECT_EQ(w->lblTrack_Display->text(), "00 of 0");
  EXPECT_TRUE(w->opencdromcmd->isEnabled());
  EXPECT_FALSE(w->Capturecmd->isEnabled());
  EXPECT_FALSE(w->tmrWrong_Format->Enabled());
}

TEST_F(NavigationTest, FileNamesAreShownAsPlainText) {
  drives.drives.clear();
  addDrive('D', QStringList{"<B>BOLD<I>.DAT"});
  load();
  player.setState(kPlaying);
  EXPECT_EQ(w->lblDisplay->text(), "Playing <b>bold<i>.dat  ........");
  EXPECT_EQ(w->lblDisplay->textFormat(), Qt::PlainText);
}

TEST(ProperCase, WordsArePartedOnlyByBlanksAndControlSeparators) {
  EXPECT_EQ(Fdnum::ProperCase("TRACK01.DAT"), "Track01.dat");
  EXPECT_EQ(Fdnum::ProperCase("my best song.mp3"), "My Best Song.mp3");
  EXPECT_EQ(Fdnum::ProperCase("a-b_c.d e\tf\ng\rh"), "A-b_c.d E\tF\nG\rH");
  EXPECT_EQ(Fdnum::ProperCase(QString("x") + QChar(0) + "yZ"), QString("X") + QChar(0) + "Yz");
  EXPECT_EQ(Fdnum::ProperCase("01TRACK"), "01track");
  EXPECT_EQ(Fdnum::ProperCase(""), "");
}

}  // namespace
}  // namespace vcd::test
