// Start-up order, the command line, the system family, and the two ways the program ends.
#include <QTest>

#include "tests/player/window_fixture.h"

namespace vcd::test {
namespace {

bool ntQuery(modosver::OsVersionRecord& r) {
  r.platformId = modosver::kPlatformNt;
  r.majorVersion = 5;
  return true;
}

TEST(OsFamily, MapsVersionRecordsToFamilies) {
  auto family = [](bool ok, uint32_t platform, uint32_t major) {
    modosver::OsVersionRecord r;
    r.platformId = platform;
    r.majorVersion = major;
    return modosver::familyOf(ok, r);
  };
  EXPECT_EQ(family(true, 0, 3), "Microsoft Win32s");
  EXPECT_EQ(family(true, 1, 4), "9X");
  EXPECT_EQ(family(true, 2, 4), "NT");
  EXPECT_EQ(family(true, 2, 5), "NT");
  EXPECT_EQ(family(true, 2, 6), "");
  EXPECT_EQ(family(true, 7, 5), "");
  EXPECT_EQ(family(false, 2, 5), "");
  // The running system is never taken for the old NT family, so the screenshot button stays.
  EXPECT_EQ(modosver::DetectOsFamily(), "");
}

TEST_F(WindowTest, NtFamilyHidesTheCaptureButtonOthersKeepIt) {
  load(QString());
  EXPECT_FALSE(w->Capturecmd->isHidden());
  EXPECT_EQ(w->OsVersion->text(), "");
  make(QString(), &ntQuery).Form_Load();
  EXPECT_TRUE(w->Capturecmd->isHidden());
  EXPECT_EQ(w->OsVersion->text(), "NT");
}

TEST_F(WindowTest, StartUpGivesTheCaptureTimersTheirWorkingState) {
  make();
  EXPECT_EQ(w->Timer1->Interval(), 0);
  EXPECT_TRUE(w->Timer1->Enabled());
  EXPECT_FALSE(w->Timer1->isTicking());  // a period of 0 never fires
  w->Form_Load();
  for (auto* t : {w->Timer1, w->Timer2, w->Timer3}) {
    EXPECT_FALSE(t->Enabled());
    EXPECT_EQ(t->Interval(), 100);
  }
  EXPECT_EQ(player.DisplaySize(), kDisplayFitToControl);
}

TEST_F(WindowTest, EmptyAndPlaceholderCommandLinesAreIgnored) {
  for (const QString& cmd : {QString(), QString("%1")}) {
    player.calls.clear();
    load(cmd);
    EXPECT_TRUE(player.fileNames().isEmpty()) << cmd.toStdString();
  }
}

TEST_F(WindowTest, CommandLineFilePlaysWhenNoDiscIsFoundQuotesRemoved) {
  load("\"/home/me/My Videos/clip.mpg\" \"b.mp3\"");
  EXPECT_EQ(player.fileNames(), QStringList({"/home/me/My Videos/clip.mpg b.mp3"}));
  EXPECT_EQ(player.FileName(), "/home/me/My Videos/clip.mpg b.mp3");
  EXPECT_FALSE(player.calls.contains("Play"));  // it starts by itself
  EXPECT_FALSE(w->tmrWrong_Format->Enabled());   // the start routine's failure path switched it off
  EXPECT_EQ(enabledButtons(), QString(18, '0'));
  EXPECT_EQ(w->lblDisplay->text(), "No movies files in the Cd-rom drive.");
}

TEST_F(WindowTest, DiscTrackReplacesTheCommandLineFile) {
  addDrive('D', FakeDriveManager::tracks(2));
  load("clip.mpg");
  const QStringList names = player.fileNames();
  ASSERT_EQ(names.size(), 5);
  EXPECT_EQ(names[2], "clip.mpg");
  EXPECT_EQ(player.FileName(), "cdrom://D/Mpegav/AVSEQ01.DAT");
}

TEST_F(WindowTest, RefusedCommandLineFileIsReportedAndThePlayerGoesOn) {
  player.refuses = [](const QString& p) { return p == "/nowhere/x.mpg"; };
  load("/nowhere/x.mpg");
  EXPECT_EQ(w->lblDisplay->text(), "The file \"/nowhere/x.mpg\" cannot be opened.");
  EXPECT_EQ(endings, 0);
}

TEST_F(WindowTest, ExitClearsOnTopFirstThenStopsAndEnds) {
  load();
  QStringList order;
  QObject::connect(w->chkOnTop, &QCheckBox::toggled, [&](bool) { order << "onTop off:" + player.calls.join(","); });
  w->chkOnTop->setChecked(true);
  order.clear();
  player.calls.clear();
  w->Exitcmd_Click();
  // The check box's handler ran first (leaving the band and focusing the player), then Stop.
  EXPECT_EQ(order, QStringList({"onTop off:SetFocus"}));
  EXPECT_EQ(player.calls.mid(0, 2), QStringList({"SetFocus", "Stop"}));
  EXPECT_EQ(w->lblDisplay->text(), "Please wait, VCD Player is shut down .....");
  EXPECT_EQ(endings, 1);
}

TEST_F(WindowTest, ClosingTheWindowEndsWithoutStoppingOrMessage) {
  load();
  player.calls.clear();
  const QString before = w->lblDisplay->text();
  w->close();
  EXPECT_EQ(endings, 1);
  EXPECT_TRUE(player.calls.isEmpty());
  EXPECT_EQ(w->lblDisplay->text(), before);
}

}  // namespace
}  // namespace vcd::test
