// Video CD tracks read through the disc layer's virtual drive: real images, real libmpv.
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include "tests/engine/recorder.h"

using vcd::MediaError;
using vcd::engine::MpvPlayer;
using namespace vcd::test;

namespace {

QString track(int n) { return QStringLiteral("cdrom://D/MPEGAV/AVSEQ%1.DAT").arg(n, 2, 10, QChar('0')); }

class DiscNorms : public ::testing::TestWithParam<const char*> {};

TEST_P(DiscNorms, TracksPlayToTheirEndWithTheTracksLengthAndAgain) {
  auto drives = driveWithImage(mediaPath(GetParam()));
  MpvPlayer player(drives.get(), MpvPlayer::Mode::Headless);
  Recorder rec(player);
  const double nominal = drives->openFile(track(2))->nominalDuration();
  ASSERT_GT(nominal, 0.9);

  // Named twice in a row, as the start routine names its first track (and in any case, as names
  // on the disc may be): libmpv gets it once, its first entry, so it never begins reading the
  // track only to start again.
  for (int naming = 0; naming < 2; ++naming) player.setFileName("cdrom://d/mpegav/avseq02.dat");
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  EXPECT_EQ(player.engineProperty("playlist/0/id"), "1");
  EXPECT_EQ(player.Duration(), nominal);  // from the track's size, not from probing
  // The short look at the start of the track still finds both of its streams.
  EXPECT_TRUE(player.playsVideo());
  EXPECT_TRUE(player.playsAudio());
  ASSERT_TRUE(waitForEnds(rec, 1));
  EXPECT_EQ(rec.lastEnd().duration, nominal);
  EXPECT_EQ(rec.lastEnd().position, nominal);
  EXPECT_EQ(rec.states(), (QVector<int>{vcd::kWaiting, vcd::kPlaying, vcd::kMediaEnded}));
  player.Play();
  ASSERT_TRUE(waitForEnds(rec, 2));
  EXPECT_FALSE(rec.sawState(vcd::kStopped));
}

INSTANTIATE_TEST_SUITE_P(PalAndNtsc, DiscNorms, ::testing::Values("pal3.cue", "ntsc3.cue"));

TEST(Disc, PathsThatLeadNowhereAreRefusedAtOnceAndPlayRefusesWithoutADisc) {
  auto drives = driveWithImage(mediaPath("pal3.cue"));
  MpvPlayer player(drives.get(), MpvPlayer::Mode::Headless);
  Recorder rec(player);
  for (const char* path : {"cdrom://Q/MPEGAV/AVSEQ01.DAT", "cdrom://D/MPEGAV/AVSEQ09.DAT", "cdrom://D/NOFOLDER/AVSEQ01.DAT"})
    EXPECT_THROW(player.setFileName(path), MediaError) << path;
  drives->ejectVirtualDisc();
  EXPECT_THROW(player.setFileName(track(1)), MediaError);
  EXPECT_TRUE(rec.log.isEmpty());

  drives->closeVirtualDisc();
  player.setFileName(track(1));
  ASSERT_TRUE(waitForEnds(rec, 1));
  drives->ejectVirtualDisc();
  EXPECT_THROW(player.Play(), MediaError);
}

TEST(Disc, ReplacingATrackWhilePlayingNeverReportsStopped) {
  auto drives = driveWithImage(mediaPath("demo.cue"));
  MpvPlayer player(drives.get(), MpvPlayer::Mode::Headless);
  Recorder rec(player);
  player.setFileName(track(1));
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  player.setFileName(track(4));
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  player.setFileName(track(2));
  player.setFileName(track(3));
  ASSERT_TRUE(waitForEnds(rec, 1));
  EXPECT_FALSE(rec.sawState(vcd::kStopped));
  EXPECT_EQ(rec.endCount(), 1);  // only the last of the quickly replaced tracks is heard from
  EXPECT_EQ(rec.lastEnd().duration, drives->openFile(track(3))->nominalDuration());
  EXPECT_EQ(rec.lastEnd().position, rec.lastEnd().duration);
  EXPECT_TRUE(rec.log.back().end);
  EXPECT_FALSE(rec.offGuiThread);
}

TEST(Disc, DiscGoneWhilePlayingStopsWithoutAnEndAndPlaysAgainWhenBack) {
  auto drives = driveWithImage(mediaPath("demo.cue"));
  drives->setReadRateLimit(75);  // a 1x drive: the 6 s track is still being read when it goes
  MpvPlayer player(drives.get(), MpvPlayer::Mode::Headless);
  Recorder rec(player);
  player.setFileName(track(1));
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  drives->ejectVirtualDisc();
  ASSERT_TRUE(waitForState(player, vcd::kStopped));
  EXPECT_EQ(rec.endCount(), 0);
  EXPECT_EQ(rec.states(), (QVector<int>{vcd::kWaiting, vcd::kPlaying, vcd::kStopped}));
  drives->closeVirtualDisc();
  drives->setReadRateLimit(0);
  player.Play();
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
}

// A drive that crawls holds up neither Stop, nor the next track, nor closing the player: each
// returns far sooner than the minutes the reads would take.
TEST(Disc, StopReplaceAndCloseDoNotWaitForASlowRead) {
  auto drives = driveWithImage(mediaPath("pal3.cue"));
  drives->setReadRateLimit(1);  // one sector a second
  auto player = std::make_unique<MpvPlayer>(drives.get(), MpvPlayer::Mode::Headless);
  auto reading = [&] { return QTest::qWaitFor([&] { return player->sectorsRead() > 0; }, 30000); };
  player->setFileName(track(1));
  ASSERT_TRUE(reading());
  QElapsedTimer timer;
  timer.start();
  player->Stop();
  EXPECT_EQ(player->PlayState(), vcd::kStopped);
  player->setFileName(track(2));
  ASSERT_TRUE(reading());
  drives->setReadRateLimit(0);
  player->setFileName(track(1));
  ASSERT_TRUE(waitForState(*player, vcd::kPlaying));
  EXPECT_LT(timer.elapsed(), 30000);

  drives->setReadRateLimit(1);
  player->setFileName(track(2));
  ASSERT_TRUE(reading());
  timer.restart();
  player.reset();  // closes while a read waits
  EXPECT_LT(timer.elapsed(), 30000);
}

}  // namespace
