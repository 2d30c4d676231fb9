// Next, the track buttons and the end of a track, by play order and place in the playlist; and
// what the status line and the counter show while tracks play, pause and stop.
#include "tests/support/window_fixture.h"

namespace vcd::test {
namespace {

enum class Action { Next, End, Button };
enum class Order { InOrder, Random, Repeat };

class NavigationTest : public WindowTest {
 protected:
  // A loaded playlist of n tracks with entry `at` (0-based) current, calls cleared.
  void playlist(int n, int at, Order order = Order::InOrder) {
    drives.drives.clear();
    addDrive('D', FakeDriveManager::tracks(n));
    load();
    (order == Order::InOrder ? w->chkOrd : order == Order::Random ? w->optRnd : w->optNone)->setChecked(true);
    w->File1->setListIndex(at);
    player.calls.clear();
  }
  void act(Action a, int button = 0) {
    if (a == Action::Next) w->Nexttrackcmd_Click();
    else if (a == Action::Button) w->Songcmd_Click(button);
    else w->player_EndOfStream(0);
  }
  int index() const { return w->File1->ListIndex(); }
  QString ones(int n) const { return QString(std::min(n, 18), '1') + QString(18 - std::min(n, 18), '0'); }
};

TEST_F(NavigationTest, WhichTrackPlaysNext) {
  struct Case {
    const char* what;
    Order order;
    int entries, at;
    Action action;
    int button;
    int plays;   // the entry (1-based) the engine plays afterwards
    bool stops;  // playback ends instead
  };
  const Case cases[] = {
      {"Next in order", Order::InOrder, 5, 2, Action::Next, 0, 4, false},
      {"Next on the last entry starts it again", Order::InOrder, 5, 4, Action::Next, 0, 5, false},
      {"Next in repeat", Order::Repeat, 12, 6, Action::Next, 0, 7, false},
      {"end in order", Order::InOrder, 5, 2, Action::End, 0, 4, false},
      {"end of the last entry in order", Order::InOrder, 5, 4, Action::End, 0, 5, true},
      {"end in repeat", Order::Repeat, 3, 1, Action::End, 0, 2, false},
      {"end in random short of the duration", Order::Random, 12, 4, Action::End, 0, 5, false},
      {"button 18", Order::InOrder, 25, 0, Action::Button, 17, 18, false},
      {"button 10 of five entries restarts the current", Order::InOrder, 5, 1, Action::Button, 9, 2, false},
      {"no such button restarts the current", Order::InOrder, 25, 17, Action::Button, 30, 18, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    playlist(c.entries, c.at, c.order);
    player.duration = 1.2;
    player.position = 1.16;  // an end reported short of the duration
    act(c.action, c.button);
    EXPECT_EQ(player.FileName(), entry(c.plays));
    EXPECT_EQ(index(), c.plays - 1);
    EXPECT_EQ(player.calls.last() == "Stop", c.stops);
    // After a click the space bar goes to the player; an end leaves the focus where it is.
    EXPECT_EQ(player.calls.contains("SetFocus"), c.action != Action::End);
    if (c.action != Action::End) {
      EXPECT_EQ(enabledButtons(), ones(c.entries));
      EXPECT_EQ(w->lblDisplay->text(), "Loading... Please be patient...");
    }
  }
}

TEST_F(NavigationTest, RandomPicksOnNextAndAtTheTrueEndOfATrack) {
  for (Action a : {Action::Next, Action::End}) {
    playlist(12, 4, Order::Random);
    player.duration = player.position = 1.2;
    act(a);
    ASSERT_EQ(player.fileNames().size(), 1);
    EXPECT_EQ(player.FileName(), entry(index() + 1));
    EXPECT_TRUE(player.calls.contains("Play"));
  }
  EXPECT_EQ(player::Rnd::pick(12, 0.99999994f), 11);  // picks stay inside the list
}

TEST_F(NavigationTest, FailuresOfTheEngineAreSkippedAndAnUnreadableLengthStops) {
  playlist(5, 1);
  player.refuses = [](const QString&) { return true; };
  w->Songcmd_Click(3);
  EXPECT_EQ(index(), 3);
  EXPECT_EQ(player.calls.last(), "SetFocus");

  playlist(5, 1);
  player.setState(kPlaying);
  player.failDuration = true;
  w->player_EndOfStream(0);
  EXPECT_TRUE(player.fileNames().isEmpty());
  EXPECT_EQ(w->lblTrack_Display->text(), "00 of 0");  // the stop is shown
}

TEST_F(NavigationTest, StatusLineAndCounterFollowPlayPauseAndStop) {
  playlist(12, 2);
  w->tmrWrong_Format->setEnabled(true);
  player.setState(kPlaying);
  EXPECT_EQ(w->lblDisplay->text(), "Playing Avseq03.dat  ........");
  EXPECT_EQ(w->lblTrack_Display->text(), "03 of 12");
  EXPECT_FALSE(w->tmrWrong_Format->isTicking());  // it played: the format watchdog is off
  EXPECT_FALSE(w->opencdromcmd->isEnabled());
  EXPECT_TRUE(w->Capturecmd->isEnabled());

  // Pausing changes the status line only; resuming rewrites the counter; other states nothing.
  w->lblTrack_Display->setText("scribbled");
  player.setState(kPaused);
  EXPECT_EQ(w->lblDisplay->text(), "Paused ,hit spacebar to release");
  EXPECT_EQ(w->lblTrack_Display->text(), "scribbled");
  player.setState(kPlaying);
  EXPECT_EQ(w->lblTrack_Display->text(), "03 of 12");
  player.setState(kWaiting);
  EXPECT_EQ(w->lblDisplay->text(), "Playing Avseq03.dat  ........");

  player.stopReportsState = false;
  player.setState(kStopped);
  EXPECT_EQ(w->lblDisplay->text(), "");
  EXPECT_EQ(w->lblTrack_Display->text(), "00 of 0");
  EXPECT_TRUE(w->opencdromcmd->isEnabled());
  EXPECT_FALSE(w->Capturecmd->isEnabled());
}

TEST_F(NavigationTest, CounterNumbersOnlyTheFirstEighteenEntries) {
  auto playsEntry = [&](int at) {
    player.setState(kWaiting);
    w->File1->setListIndex(at);
    player.setState(kPlaying);
  };
  playlist(25, 17);
  playsEntry(17);
  EXPECT_EQ(w->lblTrack_Display->text(), "18 of 25");
  playsEntry(18);  // past the buttons: the last label stays
  EXPECT_EQ(w->lblTrack_Display->text(), "18 of 25");
  EXPECT_EQ(w->lblDisplay->text(), "Playing Avseq19.dat  ........");
  playlist(125, 6);
  playsEntry(6);
  EXPECT_EQ(w->lblTrack_Display->text(), "07 of 125");
}

// File names are shown in proper case, words parted only by blanks and control characters, as
// plain text.
TEST_F(NavigationTest, FileNamesAreShownInProperCaseAsPlainText) {
  drives.drives.clear();
  addDrive('D', QStringList{"<B>BOLD<I>.DAT", "MY BEST-SONG_01.MP3", "01TRACK.DAT"});
  load();
  const char* shown[] = {"Playing 01track.dat  ........", "Playing <b>bold<i>.dat  ........", "Playing My Best-song_01.mp3  ........"};
  for (int i = 0; i < 3; ++i) {
    w->Songcmd_Click(i);
    player.setState(kWaiting);
    player.setState(kPlaying);
    EXPECT_EQ(w->lblDisplay->text(), shown[i]);
  }
  EXPECT_EQ(w->lblDisplay->textFormat(), Qt::PlainText);
}

}  // namespace
}  // namespace vcd::test
