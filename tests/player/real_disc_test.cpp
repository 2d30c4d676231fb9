// The main window with the real engine and the real disc layer, playing real Video CD images:
// the repeat and random orders, the display following every step, and a disc taken out while a
// track plays. (A whole disc in order: named_media_test.cpp.)
#include "tests/support/real_window.h"

namespace vcd::test {
namespace {

class DiscPlayback : public RealWindow {};

TEST_F(DiscPlayback, RepeatPlaysTheSameTrackAgainAndRandomPicksAtEachTrueEnd) {
  ASSERT_TRUE(drives.insertImage(mediaPath("ntsc3.cue")));
  openWindow(&Playerfrm::optNone);
  ASSERT_TRUE(waitFor([&] { return playingShown().size() >= 2 && ends >= 1; }));
  EXPECT_EQ(playingShown().mid(0, 2), QStringList(2, "2|Playing Avseq01.dat  ........|01 of 3"));
  EXPECT_FALSE(states.contains(kStopped));

  // The unseeded generator: the start picks entries 3 and then 2 (which replaces it); at each
  // true end of a track (position == duration) the next picks are 2, then 1.
  shown.clear();
  ASSERT_TRUE(drives.insertImage(mediaPath("pal3.cue")));
  openWindow(&Playerfrm::optRnd);
  ASSERT_TRUE(waitFor([&] { return playingShown().size() >= 3; }));
  EXPECT_EQ(playingShown().mid(0, 3), QStringList({"2|Playing Avseq02.dat  ........|02 of 3", "2|Playing Avseq02.dat  ........|02 of 3",
                                                   "2|Playing Avseq01.dat  ........|01 of 3"}));
}

TEST_F(DiscPlayback, DiscTakenOutWhilePlayingStopsInsteadOfRacingThroughThePlaylist) {
  ASSERT_TRUE(drives.insertImage(mediaPath("demo.cue")));
  openWindow();
  ASSERT_TRUE(waitFor([&] { return playing(); }));
  drives.ejectVirtualDisc();
  ASSERT_TRUE(waitFor([&] { return engine->PlayState() == kStopped; }));
  EXPECT_EQ(ends, 0);
  EXPECT_EQ(w->lblTrack_Display->text(), "00 of 0");
  EXPECT_EQ(playingShown().size(), 1);
}

}  // namespace
}  // namespace vcd::test
