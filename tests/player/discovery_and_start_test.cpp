// Start-up's search for the disc and the start routines, by play order, drive count and failure.
#include "tests/player/window_fixture.h"

namespace vcd::test {
namespace {

const QString kLoading = "Loading... Please be patient...";
const QString kNoMovies = "No movies files in the Cd-rom drive.";

TEST_F(WindowTest, OrderOnOneDriveStartsTheFirstEntryTwiceAndEnablesItsButtons) {
  addDrive('D', FakeDriveManager::tracks(4));
  load();
  const QString first = "cdrom://D/Mpegav/AVSEQ01.DAT";
  EXPECT_EQ(player.fileNames(), QStringList({first, first}));
  // FileName and Play come as pairs, and discovery runs before the display mode is set.
  EXPECT_EQ(player.calls.mid(0, 5),
            QStringList({"FileName=" + first, "Play", "FileName=" + first, "Play", "SetFocus"}));
  EXPECT_EQ(player.calls.indexOf("DisplaySize=4"), 5);
  EXPECT_EQ(enabledButtons(), "111100000000000000");
  EXPECT_TRUE(w->Nexttrackcmd->isEnabled());
  EXPECT_TRUE(w->PicLogo->isHidden());
  EXPECT_TRUE(w->tmrWrong_Format->Enabled());
  EXPECT_EQ(w->lblDisplay->text(), kLoading);
  EXPECT_EQ(w->Text2->text(), "cdrom://D/Mpegav");
  EXPECT_EQ(w->txtCDdrive->text(), "D");
  EXPECT_EQ(list1(), QStringList({"D", "D"}));  // discovery's search, then the start routine's
  EXPECT_EQ(w->File1->ListIndex(), 0);
}

TEST_F(WindowTest, TwentyFiveFilesEnableEighteenButtons) {
  addDrive('D', FakeDriveManager::tracks(25));
  load();
  EXPECT_EQ(enabledButtons(), QString(18, '1'));
  EXPECT_EQ(w->File1->ListCount(), 25);
  EXPECT_TRUE(w->Nexttrackcmd->isEnabled());
}

TEST_F(WindowTest, RandomMakesTwoPicksAndEndsWithButtonsOffAndWatchdogOff) {
  addDrive('D', FakeDriveManager::tracks(12));
  make();
  w->optRnd->setChecked(true);
  w->Form_Load();
  Rnd rnd;
  const int a = Rnd::pick(12, rnd.next()), b = Rnd::pick(12, rnd.next());
  const QString path = "cdrom://D/Mpegav/AVSEQ%1.DAT";
  EXPECT_EQ(player.fileNames(), QStringList({path.arg(a + 1, 2, 10, QChar('0')), path.arg(b + 1, 2, 10, QChar('0'))}));
  EXPECT_EQ(enabledButtons(), QString(18, '0'));
  EXPECT_FALSE(w->Nexttrackcmd->isEnabled());
  EXPECT_TRUE(w->PicLogo->isHidden());
  EXPECT_FALSE(w->tmrWrong_Format->Enabled());
  EXPECT_EQ(list1(), QStringList({"D", "D", "D"}));
  EXPECT_EQ(w->List1->currentRow(), 1);
}

TEST_F(WindowTest, RandomWithOneFileAlwaysPicksIt) {
  addDrive('D', QStringList{"MUSIC.MP3"});
  make();
  w->optRnd->setChecked(true);
  w->Form_Load();
  w->Mp3playcmd_Click();
  for (const QString& f : player.fileNames()) EXPECT_EQ(f, "cdrom://D/Mpegav/MUSIC.MP3");
  EXPECT_EQ(player.fileNames().size(), 4);
}

TEST_F(WindowTest, RepeatLoadsEntryZeroTwiceOnOneDrive) {
  addDrive('D', FakeDriveManager::tracks(3));
  make();
  w->optNone->setChecked(true);
  EXPECT_FALSE(w->chkOrd->isChecked());  // one group: selecting one clears the others
  w->Form_Load();
  EXPECT_EQ(player.fileNames(), QStringList(2, "cdrom://D/Mpegav/AVSEQ01.DAT"));
  EXPECT_EQ(enabledButtons(), QString(18, '0'));
  EXPECT_FALSE(w->tmrWrong_Format->Enabled());
}

TEST_F(WindowTest, SecondDrivePlaysWhenTheFirstHasNoDisc) {
  addDrive('C', std::nullopt, platform::DriveType::Fixed);
  addDrive('D', std::nullopt);
  addDrive('E', FakeDriveManager::tracks(5));
  load();
  EXPECT_EQ(player.fileNames(), QStringList(2, "cdrom://E/Mpegav/AVSEQ01.DAT"));
  EXPECT_EQ(list1(), QStringList({"D", "E", "D", "E"}));
  EXPECT_EQ(w->Text2->text(), "cdrom://E/Mpegav");
  EXPECT_EQ(w->txtCDdrive->text(), "E");
  EXPECT_EQ(enabledButtons(), "111110000000000000");
  EXPECT_TRUE(w->tmrWrong_Format->Enabled());
  // Discovery's own message stays until the playing caption replaces it.
  EXPECT_EQ(w->lblDisplay->text(), kNoMovies);
}

TEST_F(WindowTest, DiscWithoutPlayableFilesIsTriedTwiceAndReported) {
  addDrive('D', QStringList{"README.TXT", "AVSEQ01.TXT"});
  load();
  EXPECT_TRUE(player.fileNames().isEmpty());
  EXPECT_EQ(w->lblDisplay->text(), kNoMovies);
  EXPECT_EQ(enabledButtons(), QString(18, '0'));
  EXPECT_FALSE(w->Nexttrackcmd->isEnabled());
  EXPECT_FALSE(w->PicLogo->isHidden());
  EXPECT_FALSE(w->tmrWrong_Format->Enabled());  // the second attempt's recovery switched it off
  EXPECT_EQ(list1(), QStringList({"D", "D"}));
}

TEST_F(WindowTest, NoCdromDriveLeavesTheWatchdogRunningUntilItReports) {
  addDrive('C', std::nullopt, platform::DriveType::Fixed);
  player.stopReportsState = false;
  load();
  EXPECT_FALSE(w->CDLETTERS().has_value());
  EXPECT_EQ(w->lblDisplay->text(), kNoMovies);
  EXPECT_EQ(w->Text2->text(), "Text2");
  EXPECT_EQ(w->txtCDdrive->text(), "CD Drive");
  EXPECT_TRUE(list1().isEmpty());
  EXPECT_TRUE(w->tmrWrong_Format->isTicking());
  EXPECT_EQ(w->tmrWrong_Format->Interval(), 20000);
  // Twenty seconds later the watchdog's tick reports, and it keeps running.
  emit w->tmrWrong_Format->Tick();
  EXPECT_EQ(w->lblDisplay->text(), "The file format is not supported.");
  EXPECT_TRUE(player.calls.contains("Stop"));
  EXPECT_TRUE(w->tmrWrong_Format->isTicking());
}

TEST_F(WindowTest, RefusedTrackFallsBackToTheSecondAttemptAndEndsQuiet) {
  addDrive('D', FakeDriveManager::tracks(3));
  player.refuses = [](const QString&) { return true; };
  load();
  EXPECT_EQ(player.fileNames(), QStringList(2, "cdrom://D/Mpegav/AVSEQ01.DAT"));
  EXPECT_EQ(enabledButtons(), QString(18, '0'));
  EXPECT_FALSE(w->tmrWrong_Format->Enabled());
  EXPECT_EQ(w->lblDisplay->text(), kLoading);  // the start routines report nothing themselves
}

TEST_F(WindowTest, WatchdogTickStopsAndReportsAnUnsupportedFormat) {
  addDrive('D', FakeDriveManager::tracks(4));
  load();
  w->opencdromcmd->setEnabled(false);
  w->Capturecmd->setEnabled(true);
  player.calls.clear();
  emit w->tmrWrong_Format->Tick();
  // The stop is reported and shown first (28 stops in all); the watchdog's message comes last.
  EXPECT_EQ(player.calls, QStringList(28, "Stop"));
  EXPECT_TRUE(w->opencdromcmd->isEnabled());
  EXPECT_FALSE(w->Capturecmd->isEnabled());
  EXPECT_EQ(enabledButtons(), QString(18, '0'));
  EXPECT_FALSE(w->Nexttrackcmd->isEnabled());
  EXPECT_EQ(w->lblDisplay->text(), "The file format is not supported.");
  EXPECT_EQ(w->lblTrack_Display->text(), "00 of 0");
  // A control that reported the stop switched the watchdog off through the display.
  EXPECT_FALSE(w->tmrWrong_Format->Enabled());
}

TEST_F(WindowTest, LowerCaseDriveLettersAreUsedInUpperCaseAndListOnlyGrows) {
  addDrive('d', FakeDriveManager::tracks(2));
  load();
  EXPECT_EQ(w->Text2->text(), "cdrom://D/Mpegav");
  EXPECT_EQ(w->txtCDdrive->text(), "D");
  EXPECT_EQ(list1(), QStringList({"d", "d"}));
  w->Mp3playcmd_Click();
  w->Command29_Click();
  EXPECT_EQ(list1().size(), 5);
  EXPECT_EQ(w->List1->item(1)->text(), "d");
}

}  // namespace
}  // namespace vcd::test
