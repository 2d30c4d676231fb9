// The window with the real engine and the real drives, given what a user names on the command
// line or drops on the window: Super Video CDs, Video CDs copied to a folder, a disc holding both
// kinds, a folder holding neither.
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

}  // namespace
}  // namespace vcd::test
