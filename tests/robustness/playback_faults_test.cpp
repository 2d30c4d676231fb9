// Faults while a disc plays: a scratch in the middle of a track, and drives that come and go
// between two searches.
#include "tests/robustness/player_rig.h"
#include "tests/player/window_fixture.h"

namespace vcd::test {
namespace {

using namespace mutations;

// Thirty sectors in the middle of the first track cannot be read at all (their headers are gone
// too): the track plays on past them to its natural end, and the next one follows.
TEST_F(PlayerRig, ARunOfUnreadableSectorsMidTrackIsPlayedThrough) {
  QByteArray bin = readFile(mediaPath("demo.bin"));
  const qsizetype first = recordOf(bin, "AVSEQ01.DAT;1");
  ASSERT_GE(first, 0);
  const uint32_t lsn = recordLsn(bin, first);
  const uint32_t sectors = recordSize(bin, first) / 2048;
  zeroRawSectors(bin, lsn + sectors / 2, 30);
  ASSERT_TRUE(drives.insertImage(writeImage("scratched", bin, {}, "demo")));
  openWindow();
  w->Form_Load();
  ASSERT_TRUE(waitFor([&] { return ends >= 1 && w->lblDisplay->text() == "Playing Avseq02.dat  ........"; }))
      << shown.join("\n").toStdString();
  EXPECT_FALSE(states.contains(kStopped)) << "the scratch stopped playback";
  EXPECT_EQ(w->lblTrack_Display->text(), "02 of 4");
}

// The disc drive table changes between the two searches of one start routine: a drive that
// is listed by the first and gone (or new) at the second must not take the window down.
class ChangingDrives : public FakeDriveManager {
 public:
  std::vector<std::vector<platform::DriveRoot>> answers;  // one per query; the last one repeats
  int queries = 0;
  std::vector<platform::DriveRoot> driveRoots() override {
    const auto& a = answers.at(std::min<size_t>(queries++, answers.size() - 1));
    return a;
  }
};

platform::DriveRoot cdrom(char16_t letter) { return {QChar(letter), platform::DriveType::CdRom, "/dev/fake"}; }

TEST_F(WindowTest, DriveAppearingBetweenTheTwoSearchesOfAStart) {
  // The first query finds no drive (nothing is listed), the second finds one: the second search
  // asks for the list's second row, which the first search never filled.
  ChangingDrives changing;
  changing.answers = {{}, {cdrom(u'D')}};
  changing.drives.push_back({QChar('D'), platform::DriveType::CdRom, std::nullopt});
  PlayerfrmServices s;
  s.player = &player;
  s.drives = &changing;
  s.versionQuery = &notNtQuery;
  s.endProgram = [] {};
  s.messageBox = [](MessageIcon, const QString&, const QString&) {};
  w = std::make_unique<Playerfrm>(std::move(s));
  w->Form_Load();
  EXPECT_EQ(w->lblDisplay->text(), "No movies files in the Cd-rom drive.");
  EXPECT_EQ(enabledButtons(), QString(18, '0'));
}

TEST_F(WindowTest, DriveVanishingBetweenTwoSearches) {
  addDrive('D', FakeDriveManager::tracks(3));
  addDrive('E', FakeDriveManager::tracks(2));
  load();
  ASSERT_EQ(player.FileName(), "cdrom://D/Mpegav/AVSEQ01.DAT");
  EXPECT_EQ(enabledButtons(), "111000000000000000");

  // D goes away (unplugged): the next search falls back to the second row and plays E.
  drives.drives.erase(drives.drives.begin());
  player.calls.clear();
  w->Command29_Click();
  EXPECT_EQ(player.FileName(), "cdrom://E/Mpegav/AVSEQ01.DAT");
  EXPECT_EQ(enabledButtons(), "110000000000000000");

  // Every drive is gone: nothing found, nothing enabled; the buttons that remain do no harm.
  drives.drives.clear();
  w->Command29_Click();
  EXPECT_EQ(w->lblDisplay->text(), "No movies files in the Cd-rom drive.");
  EXPECT_EQ(enabledButtons(), QString(18, '0'));
  w->Mp3playcmd_Click();
  w->Nexttrackcmd_Click();
  w->Songcmd_Click(0);
  w->Command30_Click();
  EXPECT_LE(w->File1->ListIndex(), w->File1->ListCount() - 1);
}

}  // namespace
}  // namespace vcd::test
