// Video CD tracks read through the disc layer's virtual drive: real images, real libmpv.
#include "tests/engine/engine_support.h"
#include "tests/support/test_media.h"

#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

using vcd::MediaError;
using vcd::mpv::MpvPlayer;
using namespace vcd::test;

namespace {

const QString kTrack1 = QStringLiteral("cdrom://D/MPEGAV/AVSEQ01.DAT");
const QString kTrack2 = QStringLiteral("cdrom://D/MPEGAV/AVSEQ02.DAT");

double nominalDuration(vcd::platform::DriveManager& drives, const QString& path) {
  return drives.openFile(path)->nominalDuration();
}

class DiscNorms : public ::testing::TestWithParam<const char*> {};

TEST_P(DiscNorms, TracksPlayToTheirEndWithTheTracksLength) {
  auto drives = driveWithImage(mediaPath(GetParam()));
  MpvPlayer player(drives.get(), MpvPlayer::Mode::Headless);
  Recorder rec(player);
  const double nominal = nominalDuration(*drives, kTrack2);
  ASSERT_GT(nominal, 0.9);

  player.setFileName("cdrom://d/mpegav/avseq02.dat");  // names on the disc in any case
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  EXPECT_EQ(player.Duration(), nominal);  // from the track's size, not from probing the file
  EXPECT_GT(player.sectorsRead(), 0);
  // The short look at the start of the track still finds both of its streams.
  EXPECT_TRUE(player.playsVideo());
  EXPECT_TRUE(player.playsAudio());
  ASSERT_TRUE(waitForEnds(rec, 1));
  EXPECT_EQ(rec.lastEnd()->duration, nominal);
  EXPECT_EQ(rec.lastEnd()->position, nominal);
  EXPECT_EQ(rec.states(), (QVector<int>{vcd::kWaiting, vcd::kPlaying, vcd::kMediaEnded}));

  // And again from its beginning.
  player.Play();
  ASSERT_TRUE(waitForEnds(rec, 2));
  EXPECT_EQ(rec.endCount(), 2);
  EXPECT_FALSE(rec.sawState(vcd::kStopped));
}

INSTANTIATE_TEST_SUITE_P(PalAndNtsc, DiscNorms, ::testing::Values("pal3.cue", "ntsc3.cue"));

// The per-file settings travel as the named "options" argument of loadfile; libmpv 0.38 put an
// index where older releases took them positionally, and then nothing would play at all.
TEST(Disc, TrackOpensWithItsOwnDemuxerSettingsAndALocalFileWithout) {
  auto drives = driveWithImage(mediaPath("pal3.cue"));
  MpvPlayer player(drives.get(), MpvPlayer::Mode::Headless);
  player.setFileName(kTrack1);
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  EXPECT_EQ(player.engineProperty("demuxer-lavf-format"), "mpeg");
  EXPECT_EQ(player.engineProperty("demuxer-lavf-probesize"), MpvPlayer::kDiscProbeSize);
  player.setFileName(localMedia("pal1.mpg"));
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  EXPECT_EQ(player.engineProperty("demuxer-lavf-format"), "");
}

TEST(Disc, PathsThatLeadNowhereAreRefusedAtOnce) {
  auto drives = driveWithImage(mediaPath("pal3.cue"));
  MpvPlayer player(drives.get(), MpvPlayer::Mode::Headless);
  Recorder rec(player);
  EXPECT_THROW(player.setFileName("cdrom://Q/MPEGAV/AVSEQ01.DAT"), MediaError);  // no such drive
  EXPECT_THROW(player.setFileName("cdrom://D/MPEGAV/AVSEQ09.DAT"), MediaError);  // no such file
  EXPECT_THROW(player.setFileName("cdrom://D/NOFOLDER/AVSEQ01.DAT"), MediaError);
  drives->ejectVirtualDisc();
  EXPECT_THROW(player.setFileName(kTrack1), MediaError);  // no disc
  EXPECT_TRUE(rec.log.isEmpty());

  // The track comes back with the disc; when the disc is gone again, Play refuses too.
  drives->closeVirtualDisc();
  player.setFileName(kTrack1);
  ASSERT_TRUE(waitForEnds(rec, 1));
  drives->ejectVirtualDisc();
  EXPECT_THROW(player.Play(), MediaError);
}

TEST(Disc, ReplacingATrackWhilePlayingNeverReportsStopped) {
  auto drives = driveWithImage(mediaPath("demo.cue"));
  MpvPlayer player(drives.get(), MpvPlayer::Mode::Headless);
  Recorder rec(player);
  player.setFileName(kTrack1);
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  player.setFileName("cdrom://D/MPEGAV/AVSEQ04.DAT");
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  player.setFileName(kTrack2);
  player.setFileName("cdrom://D/MPEGAV/AVSEQ03.DAT");
  ASSERT_TRUE(waitForEnds(rec, 1));
  EXPECT_FALSE(rec.sawState(vcd::kStopped));
  EXPECT_EQ(rec.endCount(), 1);
  EXPECT_EQ(rec.lastEnd()->duration, nominalDuration(*drives, "cdrom://D/MPEGAV/AVSEQ03.DAT"));
  EXPECT_EQ(rec.log.back().kind, Recorder::Entry::End);
}

TEST(Disc, DiscGoneWhilePlayingStopsWithoutAnEnd) {
  auto drives = driveWithImage(mediaPath("demo.cue"));
  drives->setReadRateLimit(75);  // a 1x drive: the 6 s track is still being read when it goes
  MpvPlayer player(drives.get(), MpvPlayer::Mode::Headless);
  Recorder rec(player);
  player.setFileName(kTrack1);
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  drives->ejectVirtualDisc();
  ASSERT_TRUE(waitForState(player, vcd::kStopped, 30000));
  EXPECT_EQ(rec.endCount(), 0);
  EXPECT_EQ(rec.states(), (QVector<int>{vcd::kWaiting, vcd::kPlaying, vcd::kStopped}));
  // With the disc back the track plays again.
  drives->closeVirtualDisc();
  drives->setReadRateLimit(0);
  player.Play();
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
}

// A drive that crawls must hold up neither Stop, nor the next track, nor closing the player.
TEST(Disc, StopReplaceAndCloseDoNotWaitForASlowRead) {
  auto drives = driveWithImage(mediaPath("pal3.cue"));
  drives->setReadRateLimit(1);  // one sector a second: opening a track would take minutes
  auto player = std::make_unique<MpvPlayer>(drives.get(), MpvPlayer::Mode::Headless);
  player->setFileName(kTrack1);
  EXPECT_EQ(player->PlayState(), vcd::kWaiting);
  ASSERT_TRUE(QTest::qWaitFor([&] { return player->sectorsRead() > 0; }, 20000));

  QElapsedTimer timer;
  timer.start();
  player->Stop();
  EXPECT_EQ(player->PlayState(), vcd::kStopped);
  player->setFileName(kTrack2);
  ASSERT_TRUE(QTest::qWaitFor([&] { return player->sectorsRead() > 0; }, 20000));
  drives->setReadRateLimit(0);
  player->setFileName(kTrack1);
  ASSERT_TRUE(waitForState(*player, vcd::kPlaying));
  // Far below the minutes the slow reads would have taken.
  EXPECT_LT(timer.elapsed(), 15000);

  drives->setReadRateLimit(1);
  player->setFileName(kTrack2);
  ASSERT_TRUE(QTest::qWaitFor([&] { return player->sectorsRead() > 0; }, 20000));
  timer.restart();
  player.reset();  // closes while a read waits
  EXPECT_LT(timer.elapsed(), 15000);
}

TEST(Disc, TrackThatIsNoVideoNeverPlays) {
  ImageCopy image("pal3");
  QByteArray noise(200000, '\0');
  for (unsigned i = 0; i < unsigned(noise.size()); ++i) noise[i] = char((i * 7919u + (i >> 3) * 104729u) & 0xffu);
  image.overwriteFile(kTrack1, noise);
  auto drives = driveWithImage(image.cue);
  MpvPlayer player(drives.get(), MpvPlayer::Mode::Headless);
  Recorder rec(player);
  EXPECT_NO_THROW(player.setFileName(kTrack1));
  ASSERT_TRUE(waitForState(player, vcd::kClosed));
  EXPECT_FALSE(rec.sawState(vcd::kPlaying));
  EXPECT_EQ(rec.endCount(), 0);
  // The disc's other tracks are fine.
  player.setFileName(kTrack2);
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
}

}  // namespace
