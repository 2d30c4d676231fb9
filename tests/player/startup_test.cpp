// Start-up: the search for a disc by play order and drives, the command-line file, the format
// watchdog; and the two ways the program ends.
#include "tests/support/window_fixture.h"

namespace vcd::test {
namespace {

const QString kNoMovies = "No movies files in the Cd-rom drive.";

TEST_F(WindowTest, WhatStartUpFindsAndPlays) {
  struct Case {
    const char* what;
    std::function<void()> addDrives;
    QStringList plays;     // the entries handed to the engine
    const char* buttons;   // enabled track buttons, 1 for each
    const char* status;
    const char* folder;    // the work text box
    QStringList searched;  // the drive letters the searches listed
    bool watchdog;         // the format watchdog waits for the track to play
    bool logo = false;     // the logo still stands over the video area
    QRadioButton* Playerfrm::*order = &Playerfrm::chkOrd;
    bool refused = false;  // the engine refuses every track
  };
  player::Rnd rnd;  // the picks of the unseeded generator
  const Case cases[] = {
      {"order on one drive", [&] { addDrive('D', FakeDriveManager::tracks(4)); }, {entry(1), entry(1)}, "1111",
       "Loading... Please be patient...", "cdrom://D/Mpegav", {"D", "D"}, true},
      {"twenty-five tracks", [&] { addDrive('D', FakeDriveManager::tracks(25)); }, {entry(1), entry(1)},
       "111111111111111111", "Loading... Please be patient...", "cdrom://D/Mpegav", {"D", "D"}, true},
      {"random makes two picks", [&] { addDrive('D', FakeDriveManager::tracks(12)); },
       {entry(player::Rnd::pick(12, rnd.next()) + 1), entry(player::Rnd::pick(12, rnd.next()) + 1)}, "",
       "Loading... Please be patient...", "cdrom://D/Mpegav", {"D", "D", "D"}, false, false, &Playerfrm::optRnd},
      {"repeat", [&] { addDrive('D', FakeDriveManager::tracks(3)); }, {entry(1), entry(1)}, "",
       "Loading... Please be patient...", "cdrom://D/Mpegav", {"D", "D", "D"}, false, false, &Playerfrm::optNone},
      {"the second drive when the first is empty", [&] {
         addDrive('C', std::nullopt, platform::DriveType::Fixed);
         addDrive('D', std::nullopt);
         addDrive('E', FakeDriveManager::tracks(5));
       },
       {entry(1, 'E'), entry(1, 'E')}, "11111", "No movies files in the Cd-rom drive.", "cdrom://E/Mpegav",
       {"D", "E", "D", "E"}, true},
      {"a disc without playable files", [&] { addDrive('D', QStringList{"README.TXT", "AVSEQ01.TXT"}); }, {}, "",
       "No movies files in the Cd-rom drive.", "cdrom://D/Mpegav", {"D", "D"}, false, true},
      {"tracks the engine refuses", [&] { addDrive('D', FakeDriveManager::tracks(3)); }, {entry(1), entry(1)}, "",
       "Loading... Please be patient...", "cdrom://D/Mpegav", {"D", "D", "D"}, false, true, &Playerfrm::chkOrd, true},
      {"a drive letter in lower case", [&] { addDrive('d', FakeDriveManager::tracks(2)); }, {entry(1), entry(1)}, "11",
       "Loading... Please be patient...", "cdrom://D/Mpegav", {"d", "d"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    drives.drives.clear();
    player.calls.clear();
    player.refuses = [refused = c.refused](const QString&) { return refused; };
    make();
    c.addDrives();
    (w.get()->*c.order)->setChecked(true);
    w->Form_Load();
    EXPECT_EQ(player.fileNames(), c.plays);
    EXPECT_EQ(enabledButtons(), QString(c.buttons).leftJustified(18, '0'));
    EXPECT_EQ(w->Nexttrackcmd->isEnabled(), QString(c.buttons).contains('1'));
    EXPECT_EQ(w->PicLogo->isHidden(), !c.logo);
    EXPECT_EQ(w->lblDisplay->text(), c.status);
    EXPECT_EQ(w->Text2->text(), c.folder);
    EXPECT_EQ(list1(), c.searched);
    EXPECT_EQ(w->tmrWrong_Format->isTicking(), c.watchdog);
  }
}

TEST_F(WindowTest, AWatchdogTickStopsWhatNeverPlayedAndSaysSo) {
  addDrive('D', FakeDriveManager::tracks(4));
  load();
  emit w->tmrWrong_Format->Tick();
  EXPECT_EQ(player.calls.last(), "Stop");
  EXPECT_EQ(w->lblDisplay->text(), "The file format is not supported.");
  EXPECT_EQ(w->lblTrack_Display->text(), "00 of 0");
  EXPECT_EQ(enabledButtons(), QString(18, '0'));
  EXPECT_FALSE(w->Nexttrackcmd->isEnabled());
  EXPECT_TRUE(w->opencdromcmd->isEnabled());
  EXPECT_FALSE(w->tmrWrong_Format->isTicking());
}

TEST_F(WindowTest, CommandLineFilePlaysWithoutADiscAndADiscTakesPrecedence) {
  load("%1");  // what a launcher passes when it names no file
  EXPECT_TRUE(player.fileNames().isEmpty());
  load("\"/home/me/My Videos/clip.mpg\" \"b.mp3\"");
  EXPECT_EQ(player.fileNames(), QStringList({"/home/me/My Videos/clip.mpg b.mp3"}));  // quotes removed
  EXPECT_FALSE(player.calls.contains("Play"));  // it starts by itself
  EXPECT_EQ(w->lblDisplay->text(), kNoMovies);

  player.refuses = [](const QString& p) { return p == "/nowhere/x.mpg"; };
  load("/nowhere/x.mpg");
  EXPECT_EQ(w->lblDisplay->text(), "The file \"/nowhere/x.mpg\" cannot be opened.");
  EXPECT_EQ(endings, 0);

  addDrive('D', FakeDriveManager::tracks(2));
  load("clip.mpg");
  EXPECT_TRUE(player.fileNames().contains("clip.mpg"));
  EXPECT_EQ(player.FileName(), entry(1));
}

TEST_F(WindowTest, ExitLeavesTheOnTopBandStopsAndEndsClosingEndsWithoutStopping) {
  load();
  w->chkOnTop->setChecked(true);
  QStringList callsAtClear;
  QObject::connect(w->chkOnTop, &QCheckBox::toggled, [&](bool) { callsAtClear = player.calls; });
  player.calls.clear();
  w->Exitcmd_Click();
  EXPECT_FALSE(callsAtClear.contains("Stop"));  // the check box's handler ran first
  EXPECT_TRUE(player.calls.contains("Stop"));
  EXPECT_EQ(w->lblDisplay->text(), "Please wait, VCD Player is shut down .....");
  EXPECT_EQ(endings, 1);

  load();
  player.calls.clear();
  const QString before = w->lblDisplay->text();
  w->close();
  EXPECT_EQ(endings, 2);
  EXPECT_TRUE(player.calls.isEmpty());
  EXPECT_EQ(w->lblDisplay->text(), before);
}

}  // namespace
}  // namespace vcd::test
