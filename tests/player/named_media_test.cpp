// The window with the real engine and the real drives, given what a user names on the command
// line or drops on the window: Super Video CDs, Video CDs copied to a folder, a disc holding both
// kinds, a folder holding neither; and discs put in while the player runs, the discs of a set.
// (A disc taken out while a track plays: tests/robustness/playback_faults_test.cpp; the repeat
// and random orders with the real program: tests/e2e/mpris_playerctl.sh.)
#include "tests/support/copied_disc.h"
#include "tests/support/real_window.h"

namespace vcd::test {
namespace {

class NamedMedia : public RealWindow {
 protected:
  // Starts the window as main() does with `named` on the command line.
  void start(const QString& named) {
    const QString path = player::command_line::namedPath(named, QDir::currentPath());
    openWindow(&Playerfrm::chkOrd, !path.isEmpty() && player::command_line::takeNamedPath(drives, path) ? QString() : named);
  }
};

struct PlayThrough {
  const char* what;
  QStringList tracks;  // the status line's names, in "Order"
  double seconds;      // each track's playing time (a Video CD's counts the empty sectors around it)
};
void PrintTo(const PlayThrough& c, std::ostream* os) { *os << c.what; }

class PlaysThroughInOrder : public NamedMedia, public ::testing::WithParamInterface<PlayThrough> {};

TEST_P(PlaysThroughInOrder, WithTheRightCounterAndOneStopAtTheEnd) {
  const PlayThrough& c = GetParam();
  if (QString(c.what).startsWith("copy:")) {  // copied as Windows copies a Video CD
    ASSERT_TRUE(copyDiscToFolder(mediaPath(c.what + 5), dir.path(), CopyStyle::Cdxa));
    start(dir.path());
  } else {
    start(mediaPath(c.what));
  }
  ASSERT_TRUE(waitFor([&] { return shown.contains("0||00 of 0"); })) << shown.join("\n").toStdString();
  QStringList expected;
  for (int i = 0; i < c.tracks.size(); ++i)
    expected << QStringLiteral("2|Playing %1  ........|%2 of %3").arg(c.tracks[i]).arg(i + 1, 2, 10, QChar('0')).arg(c.tracks.size());
  EXPECT_EQ(playingShown(), expected);
  EXPECT_EQ(states.count(kStopped), 1);
  ASSERT_EQ(durations.size(), size_t(c.tracks.size()));
  for (double d : durations) EXPECT_NEAR(d, c.seconds, 0.25);
}

INSTANTIATE_TEST_SUITE_P(
    SvcdCopiesAndBoth, PlaysThroughInOrder,
    ::testing::Values(PlayThrough{"svcd3.cue", {"Avseq01.mpg", "Avseq02.mpg", "Avseq03.mpg"}, 2.0},
                      PlayThrough{"copy:pal3.cue", {"Avseq01.dat", "Avseq02.dat", "Avseq03.dat"}, 1.99},
                      PlayThrough{"copy:svcd2n.cue", {"Avseq01.mpg", "Avseq02.mpg"}, 1.0},
                      // A Video CD that also carries an MPEG2 folder: the Video CD plays.
                      PlayThrough{"both.cue", {"Avseq01.dat", "Avseq02.dat"}, 1.99}),
    [](const auto& info) { return QString(info.param.what).replace(':', '_').section('.', 0, 0).toStdString(); });

TEST_F(NamedMedia, FolderWithoutEitherPlaysNothingAndSaysSo) {
  ASSERT_TRUE(QDir(dir.path()).mkpath("Holiday/VCD"));
  start(dir.filePath("Holiday"));
  EXPECT_EQ(w->lblDisplay->text(), kNoMovies);
  EXPECT_TRUE(engine->FileName().isEmpty());
  EXPECT_TRUE(drives.driveRoots().empty());
}

TEST_F(NamedMedia, DroppedImageReplacesWhatPlaysOtherDropsAreRefused) {
  start(mediaPath("demo.cue"));
  ASSERT_TRUE(waitFor([&] { return !playingShown().isEmpty(); }));
  EXPECT_FALSE(drop({QUrl("https://example.org/disc.cue")}));  // only local files and folders
  shown.clear();
  ASSERT_TRUE(drop({QUrl::fromLocalFile(mediaPath("svcd3.cue"))}));
  ASSERT_TRUE(waitFor([&] { return !playingShown().isEmpty(); })) << shown.join("\n").toStdString();
  EXPECT_EQ(playingShown().first(), "2|Playing Avseq01.mpg  ........|01 of 3");
  EXPECT_EQ(w->Text2->text(), "cdrom://D/MPEG2");
  EXPECT_EQ(drives.driveRoots().front().device, mediaPath("svcd3.cue"));
}

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
