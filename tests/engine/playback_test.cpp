// The media-player contract on local MPEG files, against real (headless) libmpv.
#include <QFileInfo>
#include <gtest/gtest.h>

#include "tests/engine/recorder.h"

using vcd::MediaError;
using vcd::engine::MpvPlayer;
using namespace vcd::test;

namespace {

class Playback : public ::testing::Test {
 protected:
  MpvPlayer player{nullptr, MpvPlayer::Mode::Headless};
  Recorder rec{player};
  bool positionPasses(double s) { return QTest::qWaitFor([&] { return player.CurrentPosition() > s; }, 30000); }
};

// A file that cannot be opened throws at once and supersedes nothing; one that can starts at once,
// reports opening and playing on the GUI thread, and runs.
TEST_F(Playback, FilesThatCannotBeOpenedThrowAtOnceOthersStartAtOnce) {
  for (const QString& path : {localMedia("missing.mpg"), QString(), QFileInfo(localMedia("pal1.mpg")).absolutePath(),
                              QStringLiteral("cdrom://D/MPEGAV/AVSEQ01.DAT")})  // no drive table: no disc path
    EXPECT_THROW(player.setFileName(path), MediaError) << path.toStdString();
  EXPECT_THROW(player.Play(), MediaError);  // nothing named yet
  EXPECT_TRUE(rec.log.isEmpty());
  player.setFileName(localMedia("long.mpg"));
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  EXPECT_NEAR(player.Duration(), 20.0, 0.5);
  EXPECT_THROW(player.setFileName(localMedia("missing.mpg")), MediaError);
  EXPECT_EQ(player.FileName(), localMedia("long.mpg"));
  ASSERT_TRUE(positionPasses(0.3));
  EXPECT_EQ(rec.states(), (QVector<int>{vcd::kWaiting, vcd::kPlaying}));
  EXPECT_FALSE(rec.offGuiThread);
}

// Play resumes a paused file where its picture was held (a screenshot pauses and plays on), and
// starts from the beginning a playing file, a stopped one and an ended one.
TEST_F(Playback, PlayResumesAPausedFileAndStartsAnyOtherOverStopIsHarmlessTwice) {
  player.setFileName(localMedia("long.mpg"));
  player.Pause();  // while still opening: held, and Play runs it on
  EXPECT_EQ(player.PlayState(), vcd::kPaused);
  player.Play();
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  ASSERT_TRUE(positionPasses(2.0));
  player.Pause();
  ASSERT_TRUE(waitForState(player, vcd::kPaused));
  const double held = player.CurrentPosition();
  ASSERT_GT(held, 2.0);
  player.Play();
  EXPECT_EQ(player.PlayState(), vcd::kPlaying);
  // From the held picture on: never back near the beginning, and it moves on.
  double lowest = held;
  ASSERT_TRUE(QTest::qWaitFor([&] {
    lowest = std::min(lowest, player.CurrentPosition());
    return player.CurrentPosition() > held + 0.5;
  }, 30000));
  EXPECT_GE(lowest, held - 0.1);

  const double running = player.CurrentPosition();
  player.Play();  // while it plays: from the beginning
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.CurrentPosition() < running - 1.5; }, 30000));

  player.Stop();
  EXPECT_EQ(player.PlayState(), vcd::kStopped);
  EXPECT_EQ(player.CurrentPosition(), 0.0);
  const auto changes = rec.log.size();
  player.Stop();
  player.Pause();
  EXPECT_EQ(rec.log.size(), changes);
  player.Play();  // opens the file again, from its beginning
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  EXPECT_LT(player.CurrentPosition(), 1.0);
  EXPECT_EQ(rec.states().mid(rec.states().size() - 3), (QVector<int>{vcd::kStopped, vcd::kWaiting, vcd::kPlaying}));
  EXPECT_EQ(rec.endCount(), 0);

  // Paused, then a new file named: it starts from its beginning, and Play keeps it there.
  ASSERT_TRUE(positionPasses(1.5));
  player.Pause();
  player.setFileName(localMedia("long.mpg"));
  player.Play();
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  EXPECT_LT(player.CurrentPosition(), 1.0);
}

// A jump of the position is told once it has landed: a seek (running or paused, clamped to the
// file), Play on a running file, the same file named again after its end. Another file starting
// is no jump. Every change of the volume is told, once.
TEST_F(Playback, PositionJumpsAndVolumeChangesAreTold) {
  int jumps = 0;
  QVector<double> volumes;
  QObject::connect(&player, &vcd::MediaPlayer::PositionJump, &player, [&] { ++jumps; });
  QObject::connect(&player, &vcd::MediaPlayer::VolumeChange, &player, [&](double v) { volumes << v; });
  EXPECT_FALSE(player.canSeek());
  player.seek(5);  // nothing runs: nothing moves
  player.setFileName(localMedia("long.mpg"));
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  EXPECT_TRUE(player.canSeek());
  ASSERT_TRUE(positionPasses(0.5));
  EXPECT_EQ(jumps, 0) << "the start of a file is no jump";

  player.seek(12);
  ASSERT_TRUE(QTest::qWaitFor([&] { return jumps == 1; }, 30000));
  EXPECT_NEAR(player.CurrentPosition(), 12, 0.6);
  player.Pause();
  player.seek(-3);
  ASSERT_TRUE(QTest::qWaitFor([&] { return jumps == 2; }, 30000));
  EXPECT_LT(player.CurrentPosition(), 0.6);
  player.Play();  // resumes where it is: no jump
  ASSERT_TRUE(positionPasses(1.0));
  player.Play();  // running: starts over
  ASSERT_TRUE(QTest::qWaitFor([&] { return jumps == 3; }, 30000));
  player.seek(1000);  // past the end, as the slider dragged to its end: the file ends
  ASSERT_TRUE(waitForEnds(rec, 1));
  EXPECT_EQ(rec.lastEnd().position, rec.lastEnd().duration);

  player.setFileName(localMedia("pal1.mpg"));
  ASSERT_TRUE(waitForEnds(rec, 2));
  const int before = jumps;  // the jump to the end may or may not have landed before it ended
  player.setFileName(localMedia("pal1.mpg"));  // the ended file again: it starts over
  ASSERT_TRUE(QTest::qWaitFor([&] { return jumps == before + 1; }, 30000));
  player.setFileName(localMedia("pal2.mpg"));
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  ASSERT_TRUE(positionPasses(0.3));
  EXPECT_EQ(jumps, before + 1);

  ASSERT_TRUE(QTest::qWaitFor([&] { return !volumes.isEmpty(); }, 10000)) << "the volume at start";
  volumes.clear();
  player.setVolume(30);
  ASSERT_TRUE(QTest::qWaitFor([&] { return volumes == QVector<double>{30}; }, 10000));
  player.setVolume(30);  // no change: nothing to tell
  player.setVolume(250);  // held to the slider's scale
  ASSERT_TRUE(QTest::qWaitFor([&] { return volumes.size() == 2; }, 10000));
  EXPECT_EQ(volumes, (QVector<double>{30, 100}));
  EXPECT_EQ(player.volume(), 100);
}

// The window's handlers call back into the engine from inside its signals.
TEST_F(Playback, HandlersMayCallBackIntoTheEngine) {
  QStringList queue{localMedia("pal1.mpg"), localMedia("ntsc1.mpg")};
  QVector<double> durations;
  QObject::connect(&player, &vcd::MediaPlayer::EndOfStream, &player, [&](int) {
    durations << player.Duration();
    if (!queue.isEmpty()) player.setFileName(queue.takeFirst());
  });
  bool pausedOnce = false;
  QObject::connect(&player, &vcd::MediaPlayer::PlayStateChange, &player, [&](int, int n) {
    if (n == vcd::kPlaying && !std::exchange(pausedOnce, true)) {
      player.Pause();
      player.Play();
    }
  });
  player.setFileName(localMedia("pal2.mpg"));
  ASSERT_TRUE(waitForEnds(rec, 3, 90000));
  ASSERT_EQ(durations.size(), 3);
  EXPECT_NEAR(durations[0], 2.0, 0.3);
  EXPECT_NEAR(durations[1], 1.0, 0.3);
  EXPECT_NEAR(durations[2], 1.0, 0.3);
  EXPECT_FALSE(rec.sawState(vcd::kStopped));
}

TEST(LibmpvVersion, ClientApisFrom035OnAreTakenOlderOnesRefusedWithAReason) {
  auto api = [](unsigned long major, unsigned long minor) { return (major << 16) | minor; };
  EXPECT_TRUE(MpvPlayer::unsupportedLibmpv().isEmpty());  // the one this machine runs
  for (unsigned long minor : {0ul, 5ul}) EXPECT_TRUE(MpvPlayer::unsupportedLibmpv(api(2, minor)).isEmpty());
  for (unsigned long old : {api(1, 109), api(3, 0)})
    EXPECT_TRUE(MpvPlayer::unsupportedLibmpv(old).contains(QStringLiteral("0.35")));
}

}  // namespace
