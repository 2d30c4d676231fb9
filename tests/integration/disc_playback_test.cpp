// The main window with the real engine (headless libmpv) and the real disc layer, playing real
// Video CD images: discovery, the play orders through whole discs, the display following every
// step, the tray cycle, and a disc taken out while a track plays.
#include <QTest>
#include <gtest/gtest.h>

#include "platform/cd_tray.h"
#include "platform/linux_drives.h"
#include "engine/mpv_player.h"
#include "player/playerfrm.h"
#include "tests/support/qt_printers.h"
#include "tests/support/test_media.h"

namespace vcd::test {
namespace {

bool unixQuery(modosver::OsVersionRecord& r) {
  r.platformId = modosver::kPlatformUnix;
  return true;
}

class DiscPlayback : public ::testing::Test {
 protected:
  platform::LinuxDriveManager drives{[] { return std::vector<platform::OpticalDevice>{}; }};
  platform::LinuxCdTray tray{&drives};
  std::unique_ptr<mpv::MpvPlayer> engine;
  std::unique_ptr<Playerfrm> w;
  // What the window showed at each change of the play state: "state|status|counter".
  QStringList shown;
  int ends = 0;

  void start(const char* image, QRadioButton* Playerfrm::*order = &Playerfrm::chkOrd) {
    ASSERT_TRUE(drives.insertImage(mediaPath(image)));
    engine = std::make_unique<mpv::MpvPlayer>(&drives, mpv::MpvPlayer::Mode::Headless);
    PlayerfrmServices s;
    s.player = engine.get();
    s.drives = &drives;
    s.tray = &tray;
    s.versionQuery = &unixQuery;
    s.endProgram = [] {};
    s.messageBox = [](MessageIcon, const QString&, const QString&) {};
    w = std::make_unique<Playerfrm>(std::move(s));
    (w.get()->*order)->setChecked(true);
    // Connected after the window's own handlers: records what they made of each change.
    QObject::connect(engine.get(), &MediaPlayer::PlayStateChange, [this](int, int now) {
      shown << QStringLiteral("%1|%2|%3").arg(now).arg(w->lblDisplay->text(), w->lblTrack_Display->text());
    });
    QObject::connect(engine.get(), &MediaPlayer::EndOfStream, [this](int) { ++ends; });
    w->Form_Load();
  }
  QStringList playing() const { return shown.filter(QRegularExpression("^2\\|")); }
  bool waitFor(const std::function<bool()>& condition, int ms = 60000) { return QTest::qWaitFor(condition, ms); }
};

TEST_F(DiscPlayback, OrderPlaysTheWholeDiscAndStopsAfterTheLastTrack) {
  start("pal3.cue");
  ASSERT_TRUE(waitFor([&] { return shown.contains("0||00 of 0"); })) << shown.join("\n").toStdString();
  EXPECT_EQ(playing(), QStringList({"2|Playing Avseq01.dat  ........|01 of 3",
                                    "2|Playing Avseq02.dat  ........|02 of 3",
                                    "2|Playing Avseq03.dat  ........|03 of 3"}));
  // No stray stop between tracks: the only stop is the one after the last.
  EXPECT_EQ(shown.filter(QRegularExpression("^0\\|")).size(), 1);
  EXPECT_EQ(ends, 3);
  EXPECT_TRUE(w->opencdromcmd->isEnabled());
  EXPECT_FALSE(w->Capturecmd->isEnabled());
  EXPECT_FALSE(w->tmrWrong_Format->Enabled());
}

TEST_F(DiscPlayback, RepeatPlaysTheSameTrackAgain) {
  start("ntsc3.cue", &Playerfrm::optNone);
  ASSERT_TRUE(waitFor([&] { return playing().size() >= 2 && ends >= 1; }));
  EXPECT_EQ(playing().mid(0, 2), QStringList(2, "2|Playing Avseq01.dat  ........|01 of 3"));
  EXPECT_FALSE(shown.join(",").contains("0|"));
}

TEST_F(DiscPlayback, RandomPicksAtTheEndOfEachTrack) {
  // The unseeded generator: the start routines pick entries 3 and 2 (the second replaces the
  // first); at each true end of a track (position == duration) the next picks are 2, then 1.
  start("pal3.cue", &Playerfrm::optRnd);
  ASSERT_TRUE(waitFor([&] { return playing().size() >= 3; }));
  EXPECT_EQ(playing().mid(0, 3), QStringList({"2|Playing Avseq02.dat  ........|02 of 3",
                                              "2|Playing Avseq02.dat  ........|02 of 3",
                                              "2|Playing Avseq01.dat  ........|01 of 3"}));
}

TEST_F(DiscPlayback, PausingAndResumingShowInTheStatusLine) {
  start("demo.cue");
  ASSERT_TRUE(waitFor([&] { return engine->PlayState() == kPlaying; }));
  engine->togglePause();
  ASSERT_TRUE(waitFor([&] { return engine->PlayState() == kPaused; }));
  EXPECT_EQ(w->lblDisplay->text(), "Paused ,hit spacebar to release");
  EXPECT_EQ(w->lblTrack_Display->text(), "01 of 4");
  w->lblTrack_Display->setText("");
  engine->togglePause();
  ASSERT_TRUE(waitFor([&] { return engine->PlayState() == kPlaying; }));
  EXPECT_EQ(w->lblDisplay->text(), "Playing Avseq01.dat  ........");
  EXPECT_EQ(w->lblTrack_Display->text(), "01 of 4");
}

TEST_F(DiscPlayback, EjectHidesTheDiscAndCloseBringsItBack) {
  start("pal3.cue");
  ASSERT_TRUE(waitFor([&] { return engine->PlayState() == kPlaying; }));
  w->Songcmd_Click(2);
  engine->Stop();  // the tray button is for a drive that is not playing
  ASSERT_TRUE(w->opencdromcmd->isEnabled());

  w->opencdromcmd_Click();
  EXPECT_EQ(w->opencdromcmd->text(), "&Close");
  EXPECT_FALSE(drives.virtualDiscPresent());
  w->Command29_Click();
  EXPECT_EQ(w->lblDisplay->text(), "No movies files in the Cd-rom drive.");

  shown.clear();
  w->opencdromcmd_Click();
  EXPECT_EQ(w->opencdromcmd->text(), "&Eject");
  ASSERT_TRUE(waitFor([&] { return !playing().isEmpty(); }));
  EXPECT_EQ(playing().first(), "2|Playing Avseq01.dat  ........|01 of 3");
}

TEST_F(DiscPlayback, DiscTakenOutWhilePlayingStopsInsteadOfRacingThroughThePlaylist) {
  start("demo.cue");
  ASSERT_TRUE(waitFor([&] { return engine->PlayState() == kPlaying; }));
  drives.ejectVirtualDisc();
  ASSERT_TRUE(waitFor([&] { return engine->PlayState() == kStopped; }));
  EXPECT_EQ(ends, 0);
  EXPECT_EQ(w->lblTrack_Display->text(), "00 of 0");
  EXPECT_EQ(w->lblDisplay->text(), "");
  EXPECT_EQ(playing().size(), 1);
}

}  // namespace
}  // namespace vcd::test
