// Faults while a disc plays: a scratch in the middle of a track, and drives that come and go
// between two searches of one start.
#include "fuzz/disc_mutations.h"
#include "tests/support/real_window.h"
#include "tests/support/window_fixture.h"

namespace vcd::test {
namespace {

using namespace fuzz::mutations;

// Thirty sectors in the middle of the first track cannot be read at all (their headers are gone
// too): the track plays on past them to its natural end, and the next one follows.
TEST_F(RealWindow, ARunOfUnreadableSectorsMidTrackIsPlayedThrough) {
  QByteArray bin = readFile(mediaPath("demo.bin"));
  const qsizetype first = recordOf(bin, "AVSEQ01.DAT;1");
  ASSERT_GE(first, 0);
  zeroRawSectors(bin, recordLsn(bin, first) + recordSize(bin, first) / 2048 / 2, 30);
  ASSERT_TRUE(drives.insertImage(writeImage("scratched", bin, {}, "demo")));
  openWindow();
  ASSERT_TRUE(waitFor([&] { return ends >= 1 && w->lblDisplay->text() == "Playing Avseq02.dat  ........"; }))
      << shown.join("\n").toStdString();
  EXPECT_FALSE(states.contains(kStopped)) << "the scratch stopped playback";
  EXPECT_EQ(w->lblTrack_Display->text(), "02 of 4");
}

// A drive table that answers each query with the next of its lists (the last one repeats).
class ChangingDrives : public FakeDriveManager {
 public:
  std::vector<std::vector<platform::DriveRoot>> answers;
  size_t queries = 0;
  std::vector<platform::DriveRoot> driveRoots() override { return answers.at(std::min(queries++, answers.size() - 1)); }
};

TEST_F(WindowTest, DrivesAppearingOrVanishingBetweenSearchesDoNoHarm) {
  // None at the first query, one at the second: the second search asks for a row the first never filled.
  ChangingDrives changing;
  changing.answers = {{}, {{QChar('D'), platform::DriveType::CdRom, "/dev/fake"}}};
  changing.drives.push_back({QChar('D'), platform::DriveType::CdRom, std::nullopt});
  make(QString(), &changing).Form_Load();
  EXPECT_EQ(w->lblDisplay->text(), "No movies files in the Cd-rom drive.");

  addDrive('D', FakeDriveManager::tracks(3));
  addDrive('E', FakeDriveManager::tracks(2));
  load();
  EXPECT_EQ(enabledButtons(), "111000000000000000");
  drives.drives.erase(drives.drives.begin());  // D unplugged: the next search plays E
  w->Command29_Click();
  EXPECT_EQ(player.FileName(), entry(1, 'E'));
  EXPECT_EQ(enabledButtons(), "110000000000000000");
  drives.drives.clear();  // every drive gone: the buttons that remain do no harm
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
