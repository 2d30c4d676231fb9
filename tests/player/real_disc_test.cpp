// The main window with the real engine and the real disc layer: discs put in while the player
// runs, and the discs of a set. (A whole disc in order: named_media_test.cpp; a disc taken out
// while a track plays: tests/robustness/playback_faults_test.cpp; the repeat and random orders
// with the real program: tests/e2e/mpris_playerctl.sh.)
#include "tests/support/real_window.h"

namespace vcd::test {
namespace {

// Discs put in while the player runs, seen by the drives' watcher as the program has it.
class LateDiscs : public RealWindow {
 protected:
  void SetUp() override { watchDrives = true; }
  // What the desktop's media applet is told of the playing disc: "album|disc number".
  QString appletDisc() const {
    const auto state = w->mpris()->controls().state();
    return state.album + "|" + QString::number(state.discNumber);
  }
  void openOnDesktop() {
    openWindow();
    w->joinDesktop(QDBusConnection(QStringLiteral("vcd-test-no-bus")));
  }
  bool showsPlaying(const char* track, const char* counter) const {
    return playing() && w->lblDisplay->text() == QStringLiteral("Playing %1  ........").arg(track) &&
           w->lblTrack_Display->text() == counter;
  }
};

TEST_F(LateDiscs, ADiscInsertedWhileThePlayerWaitsPlaysAndNoPollRunsWhileATrackPlays) {
  openWindow();
  EXPECT_EQ(w->lblDisplay->text(), kNoMovies);
  ASSERT_TRUE(waitFor([&] { return watcher->ready(); }, 15000));
  QTest::qWait(3000);  // the user takes a while to find the disc
  ASSERT_TRUE(drives.insertImage(mediaPath("demo.cue")));
  ASSERT_TRUE(waitFor([&] { return showsPlaying("Avseq01.dat", "01 of 4"); }, 15000)) << shown.join("\n").toStdString();
  // While the tracks play (one ends, the next starts) the drives are left alone.
  const int before = polls;
  ASSERT_TRUE(waitFor([&] { return ends >= 1 && playing(); }));
  EXPECT_LE(polls - before, 1) << "at most the round under way as the track started";
  // A disc that arrives while a track plays waits: nothing is searched again.
  const int opened = drives.discsOpened();
  w->MediumArrived("/dev/sr0");
  EXPECT_EQ(drives.discsOpened(), opened);
  EXPECT_TRUE(playing());
}

TEST_F(LateDiscs, ATwoDiscSetAsksForItsSecondDiscAndPlaysItWhenItArrives) {
  ASSERT_TRUE(drives.insertImage(mediaPath("set1of2.cue")));
  openOnDesktop();
  ASSERT_TRUE(waitFor([&] { return showsPlaying("Avseq01.dat", "01 of 2"); }));
  EXPECT_EQ(appletDisc(), "VOREN_FILM|1");
  ASSERT_TRUE(waitFor([&] { return w->lblDisplay->text() == "Insert disc 2 of 2"; })) << shown.join("\n").toStdString();
  EXPECT_EQ(ends, 2);
  EXPECT_FALSE(drives.virtualDiscPresent()) << "the first disc is out";
  EXPECT_EQ(w->opencdromcmd->text(), "&Close");
  EXPECT_EQ(w->lblTrack_Display->text(), "00 of 0");

  ASSERT_TRUE(drives.insertImage(mediaPath("set2of2.cue")));
  ASSERT_TRUE(waitFor([&] { return showsPlaying("Avseq01.dat", "01 of 2"); }, 15000)) << shown.join("\n").toStdString();
  EXPECT_EQ(w->opencdromcmd->text(), "&Eject");
  EXPECT_EQ(appletDisc(), "VOREN_FILM|2");
  // The last disc of the set ends as any disc does.
  ASSERT_TRUE(waitFor([&] { return ends == 4 && engine->PlayState() == kStopped; }));
  EXPECT_EQ(w->lblDisplay->text(), "");
  EXPECT_TRUE(drives.virtualDiscPresent());
}

TEST_F(LateDiscs, ADiscOfAnotherSetAfterTheFirstDiscPlaysAsUsual) {
  ASSERT_TRUE(drives.insertImage(mediaPath("set1of2.cue")));
  openOnDesktop();
  ASSERT_TRUE(waitFor([&] { return w->lblDisplay->text() == "Insert disc 2 of 2"; }));
  // Disc 1 of another film: played as usual, and the player asks for that film's disc 2.
  ASSERT_TRUE(drives.insertImage(mediaPath("other1of2.cue")));
  ASSERT_TRUE(waitFor([&] { return showsPlaying("Avseq01.dat", "01 of 1"); }, 15000)) << shown.join("\n").toStdString();
  EXPECT_EQ(appletDisc(), "OTHER_FILM|1");
  EXPECT_FALSE(w->awaitedAfter());
  ASSERT_TRUE(waitFor([&] { return w->lblDisplay->text() == "Insert disc 2 of 2"; }));
  // A disc of no set ends the wait too.
  ASSERT_TRUE(drives.insertImage(mediaPath("pal3.cue")));
  ASSERT_TRUE(waitFor([&] { return showsPlaying("Avseq01.dat", "01 of 3"); }, 15000));
  EXPECT_EQ(appletDisc(), "pal3.cue|0");
  EXPECT_FALSE(w->discSet()->continues());
}

}  // namespace
}  // namespace vcd::test
