// The transport and the events of the headless engine, on local MPEG files.
#include "tests/engine/engine_support.h"

#include <QTest>
#include <gtest/gtest.h>

using vcd::MediaError;
using vcd::mpv::MpvPlayer;
using namespace vcd::test;

namespace {

class Playback : public ::testing::Test {
 protected:
  MpvPlayer player{nullptr, MpvPlayer::Mode::Headless};
  Recorder rec{player};
};

TEST_F(Playback, NamedFileStartsAtOnceAndRuns) {
  EXPECT_EQ(player.PlayState(), vcd::kClosed);
  player.setFileName(localMedia("long.mpg"));
  EXPECT_EQ(player.FileName(), localMedia("long.mpg"));
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  EXPECT_NEAR(player.Duration(), 20.0, 0.5);
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.CurrentPosition() > 0.3; }, 20000));
  EXPECT_LE(player.CurrentPosition(), player.Duration());
  EXPECT_FALSE(rec.offGuiThread);
  // Opening is reported on the way: nothing named -> opening -> playing.
  EXPECT_EQ(rec.states(), (QVector<int>{vcd::kWaiting, vcd::kPlaying}));
}

TEST_F(Playback, UnopenablePathsAreRefusedAtOnceAndChangeNothing) {
  EXPECT_THROW(player.setFileName(localMedia("missing.mpg")), MediaError);
  EXPECT_THROW(player.setFileName(QString()), MediaError);
  EXPECT_THROW(player.setFileName(QFileInfo(localMedia("pal1.mpg")).absolutePath()), MediaError);  // a folder
  EXPECT_THROW(player.Play(), MediaError);  // nothing named yet
  // Without a drive table no disc path can be opened.
  EXPECT_THROW(player.setFileName("cdrom://D/MPEGAV/AVSEQ01.DAT"), MediaError);
  EXPECT_EQ(player.PlayState(), vcd::kClosed);
  EXPECT_TRUE(rec.log.isEmpty());

  player.setFileName(localMedia("long.mpg"));
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  EXPECT_THROW(player.setFileName(localMedia("missing.mpg")), MediaError);
  // The refused name supersedes nothing: the file goes on playing.
  EXPECT_EQ(player.FileName(), localMedia("long.mpg"));
  EXPECT_EQ(player.PlayState(), vcd::kPlaying);
}

TEST_F(Playback, PausePlayAndStop) {
  player.setFileName(localMedia("long.mpg"));
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.CurrentPosition() > 1.0; }, 20000));

  player.Pause();
  ASSERT_TRUE(waitForState(player, vcd::kPaused));
  const double held = player.CurrentPosition();
  EXPECT_GT(held, 1.0);

  // Play starts the file over from its beginning.
  player.Play();
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.CurrentPosition() < held - 0.5; }, 20000));

  player.Stop();
  EXPECT_EQ(player.PlayState(), vcd::kStopped);
  EXPECT_EQ(player.CurrentPosition(), 0.0);
  const int changes = rec.log.size();
  player.Stop();  // harmless
  player.Pause(); // nothing to hold
  EXPECT_EQ(player.PlayState(), vcd::kStopped);
  EXPECT_EQ(rec.log.size(), changes);

  // After Stop, Play opens the file again.
  player.Play();
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  EXPECT_EQ(rec.states(), (QVector<int>{vcd::kWaiting, vcd::kPlaying, vcd::kPaused, vcd::kPlaying, vcd::kStopped,
                                        vcd::kWaiting, vcd::kPlaying}));
  EXPECT_EQ(rec.endCount(), 0);
}

TEST_F(Playback, PauseWhileOpeningHoldsAndPlayThenRuns) {
  player.setFileName(localMedia("long.mpg"));
  player.Pause();
  EXPECT_EQ(player.PlayState(), vcd::kPaused);
  player.Play();  // still opening from its beginning: it just runs on
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  EXPECT_LT(player.CurrentPosition(), 5.0);
}

TEST_F(Playback, NaturalEndIsReportedOnceWithTheFilesFigures) {
  player.setFileName(localMedia("pal2.mpg"));
  ASSERT_TRUE(waitForEnds(rec, 1));
  const auto* end = rec.lastEnd();
  ASSERT_NE(end, nullptr);
  EXPECT_GT(end->duration, 1.5);
  EXPECT_EQ(end->position, end->duration);  // exactly
  // The end comes after the file's last state change.
  ASSERT_GE(rec.log.size(), 2);
  EXPECT_EQ(rec.log.back().kind, Recorder::Entry::End);
  EXPECT_EQ(rec.log[rec.log.size() - 2].newState, vcd::kMediaEnded);
  EXPECT_EQ(player.PlayState(), vcd::kMediaEnded);
  EXPECT_EQ(player.CurrentPosition(), player.Duration());
  EXPECT_FALSE(rec.sawState(vcd::kStopped));
  EXPECT_FALSE(rec.offGuiThread);

  // Play after the end starts it again, and its next end is reported once more.
  player.Play();
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  ASSERT_TRUE(waitForEnds(rec, 2));
  EXPECT_EQ(rec.endCount(), 2);
  EXPECT_EQ(rec.lastEnd()->position, rec.lastEnd()->duration);
}

TEST_F(Playback, ReplacingAPlayingFileNeverReportsStopped) {
  player.setFileName(localMedia("long.mpg"));
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  player.setFileName(localMedia("pal1.mpg"));
  EXPECT_NE(player.PlayState(), vcd::kStopped);
  ASSERT_TRUE(waitForEnds(rec, 1));
  EXPECT_FALSE(rec.sawState(vcd::kStopped));
  EXPECT_EQ(rec.endCount(), 1);
  EXPECT_NEAR(rec.lastEnd()->duration, 1.0, 0.3);  // the short file's end, not the long one's
}

TEST_F(Playback, OnlyTheLastOfQuicklyReplacedFilesIsHeardFrom) {
  player.setFileName(localMedia("long.mpg"));
  player.setFileName(localMedia("pal2.mpg"));
  player.setFileName(localMedia("pal1.mpg"));
  ASSERT_TRUE(waitForEnds(rec, 1));
  // Let anything the older files could still send arrive: load nothing, just spin the loop
  // until the ended state is settled and a further check finds no news.
  Recorder::Entry last = rec.log.back();
  EXPECT_EQ(last.kind, Recorder::Entry::End);
  EXPECT_NEAR(last.duration, 1.0, 0.3);
  EXPECT_EQ(rec.states(), (QVector<int>{vcd::kWaiting, vcd::kPlaying, vcd::kMediaEnded}));
  EXPECT_EQ(player.FileName(), localMedia("pal1.mpg"));
  // A Stop that follows is the only further news.
  player.Stop();
  EXPECT_EQ(rec.states().back(), vcd::kStopped);
  EXPECT_EQ(rec.endCount(), 1);
}

TEST_F(Playback, UndecodableFileNeverPlaysAndDoesNotThrow) {
  EXPECT_NO_THROW(player.setFileName(localMedia("noise.dat")));
  // libmpv gives up on it: the engine reports that nothing is open.
  ASSERT_TRUE(waitForState(player, vcd::kClosed));
  EXPECT_FALSE(rec.sawState(vcd::kPlaying));
  EXPECT_EQ(rec.endCount(), 0);
  // The next good file plays as usual.
  player.setFileName(localMedia("pal1.mpg"));
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
}

// The window's handlers call back into the engine from inside its signals.
TEST_F(Playback, HandlersMayCallBackIntoTheEngine) {
  QStringList queue{localMedia("pal1.mpg"), localMedia("ntsc1.mpg")};
  QVector<double> endDurations;
  QObject::connect(&player, &vcd::MediaPlayer::EndOfStream, &player, [&](int) {
    endDurations.push_back(player.Duration());
    if (!queue.isEmpty()) player.setFileName(queue.takeFirst());  // advance the playlist
  });
  bool pausedOnce = false;
  QObject::connect(&player, &vcd::MediaPlayer::PlayStateChange, &player, [&](int, int n) {
    if (n == vcd::kPlaying && !pausedOnce) {
      pausedOnce = true;
      player.Pause();   // from inside the change to 2 ...
      player.Play();    // ... and straight on again
    }
  });
  player.setFileName(localMedia("pal2.mpg"));
  ASSERT_TRUE(waitForEnds(rec, 3, 60000));
  EXPECT_EQ(rec.endCount(), 3);
  ASSERT_EQ(endDurations.size(), 3);
  EXPECT_NEAR(endDurations[0], 2.0, 0.3);
  EXPECT_NEAR(endDurations[1], 1.0, 0.3);
  EXPECT_NEAR(endDurations[2], 1.0, 0.3);
  EXPECT_FALSE(rec.sawState(vcd::kStopped));
}

}  // namespace

TEST(LibmpvVersion, TheClientApisFromLibmpv035OnAreTakenOthersRefusedWithAReason) {
  auto api = [](unsigned long major, unsigned long minor) { return (major << 16) | minor; };
  EXPECT_TRUE(MpvPlayer::unsupportedLibmpv().isEmpty());  // the one this machine runs
  for (unsigned long minor : {0ul, 1ul, 3ul, 5ul, 9ul}) EXPECT_TRUE(MpvPlayer::unsupportedLibmpv(api(2, minor)).isEmpty());
  for (unsigned long old : {api(1, 109), api(1, 0), api(3, 0)}) {
    const QString reason = MpvPlayer::unsupportedLibmpv(old);
    EXPECT_TRUE(reason.contains(QStringLiteral("0.35"))) << reason.toStdString();
  }
}

