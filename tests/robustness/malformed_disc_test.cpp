// Malformed Video CDs and disc images in the player: made from a good vcdimager image by
// changing bytes, each goes into the virtual drive of a window with the real engine. The player
// neither crashes nor hangs, says what it says for such a disc (nothing found, or a track that
// never plays and the format watchdog's message), and the next good disc plays.
#include "tests/robustness/player_rig.h"

#include <QFileInfo>

namespace vcd::test {
namespace {

using namespace mutations;

// What the player makes of a disc.
enum class Outcome {
  Plays,        // the first track plays
  NothingFound, // the search finds no movie folder with files
  NeverPlays,   // a track is named but never plays; the watchdog says so
};

const char* describe(Outcome o) {
  switch (o) {
    case Outcome::Plays: return "plays";
    case Outcome::NothingFound: return "nothing found";
    case Outcome::NeverPlays: return "never plays";
  }
  return "?";
}

class MalformedDisc : public PlayerRig {
 protected:
  // Puts the image in, opens the window (whose start-up searches the disc) and checks the outcome.
  void expectOutcome(const QString& image, Outcome expected, const QString& counter = {}) {
    if (!drives.insertImage(image)) {
      // Not even a disc image: the drive stays empty and the search finds nothing.
      ASSERT_EQ(expected, Outcome::NothingFound) << "the image was refused";
      openWindow();
      w->Form_Load();
      EXPECT_EQ(w->lblDisplay->text(), kNoMovies);
      return;
    }
    openWindow();
    w->Form_Load();
    ASSERT_TRUE(waitFor([&] { return playing() || gaveUp() || w->lblDisplay->text() == kNoMovies; }))
        << shown.join("\n").toStdString();
    const Outcome got = playing()                                  ? Outcome::Plays
                        : w->lblDisplay->text() == kNoMovies       ? Outcome::NothingFound
                                                                   : Outcome::NeverPlays;
    ASSERT_EQ(describe(got), std::string(describe(expected))) << shown.join("\n").toStdString();
    switch (expected) {
      case Outcome::Plays:
        EXPECT_EQ(w->lblDisplay->text(), "Playing Avseq01.dat  ........");
        if (!counter.isEmpty()) {
          EXPECT_EQ(w->lblTrack_Display->text(), counter);
        }
        break;
      case Outcome::NothingFound:
        for (int i = 0; i < 18; ++i) EXPECT_FALSE(w->Songcmd(i).isEnabled()) << i;
        EXPECT_FALSE(w->Nexttrackcmd->isEnabled());
        break;
      case Outcome::NeverPlays:
        watchdogFires();
        EXPECT_EQ(w->lblDisplay->text(), kNotSupported);
        EXPECT_TRUE(w->opencdromcmd->isEnabled());
        EXPECT_EQ(engine->PlayState() == kPlaying, false);
        break;
    }
    goodDiscPlays();
  }
};

struct BinCase {
  const char* mutation;
  Outcome outcome;
  const char* counter = "";
};

class MalformedBin : public MalformedDisc, public ::testing::WithParamInterface<BinCase> {};

TEST_P(MalformedBin, SaysWhatItFoundAndTheNextDiscPlays) {
  QByteArray bin = readFile(mediaPath("pal3.bin"));
  ASSERT_FALSE(bin.isEmpty());
  bool applied = false;
  for (const BinMutation& m : binMutations())
    if (std::string(m.name) == GetParam().mutation) applied = m.apply(bin);
  ASSERT_TRUE(applied) << GetParam().mutation;
  expectOutcome(writeImage("disc", bin), GetParam().outcome, QString::fromLatin1(GetParam().counter));
}

// The player reads nothing but the Mpegav folder: the Video CD's own files may be anything.
INSTANTIATE_TEST_SUITE_P(
    VideoCdFiles, MalformedBin,
    ::testing::Values(BinCase{"EntriesCountZero", Outcome::Plays, "01 of 3"},
                      BinCase{"EntriesCount501", Outcome::Plays, "01 of 3"},
                      BinCase{"EntriesCountFFFF", Outcome::Plays, "01 of 3"},
                      BinCase{"EntriesWrongSignature", Outcome::Plays, "01 of 3"},
                      BinCase{"InfoGarbage", Outcome::Plays, "01 of 3"}),
    [](const auto& info) { return std::string(info.param.mutation); });

INSTANTIATE_TEST_SUITE_P(
    FileSystem, MalformedBin,
    ::testing::Values(BinCase{"MpegavRecordLengthZero", Outcome::NothingFound},
                      // The records after one of length 0 in the same sector are not read.
                      BinCase{"TrackRecordLengthZero", Outcome::Plays, "01 of 1"},
                      BinCase{"RootSizeNearFFFFFFFF", Outcome::NothingFound},
                      BinCase{"MpegavSizeNearFFFFFFFF", Outcome::NothingFound},
                      // Cut at the lead-out: the first track runs on through the others.
                      BinCase{"TrackSizeFFFFFFFF", Outcome::Plays, "01 of 3"},
                      BinCase{"TrackExtentInSystemArea", Outcome::NeverPlays},
                      BinCase{"TrackExtentPastLeadOut", Outcome::NeverPlays},
                      BinCase{"TrackExtentAtLastSector", Outcome::NeverPlays},
                      BinCase{"TrackExtentAtFFFFFFFF", Outcome::NeverPlays},
                      BinCase{"VolumeDescriptorZeroed", Outcome::NothingFound},
                      BinCase{"FileSystemRandom", Outcome::NothingFound},
                      // 18 buttons, the counter shows the first 18 of them.
                      BinCase{"HundredTwentyTracks", Outcome::Plays, "01 of 120"}),
    [](const auto& info) { return std::string(info.param.mutation); });

INSTANTIATE_TEST_SUITE_P(
    TrackContents, MalformedBin,
    ::testing::Values(BinCase{"TrackZeroedPayload", Outcome::NeverPlays},
                      BinCase{"TrackRandomPayload", Outcome::NeverPlays}),
    [](const auto& info) { return std::string(info.param.mutation); });

TEST_F(MalformedDisc, HundredTwentyTracksKeepTheButtonsAndCounterInRange) {
  QByteArray bin = readFile(mediaPath("pal25.bin"));
  ASSERT_TRUE(manyTracks(bin, 120));
  ASSERT_TRUE(drives.insertImage(writeImage("many", bin, {}, "pal25")));
  openWindow();
  w->Form_Load();
  ASSERT_TRUE(waitFor([&] { return playing(); }));
  EXPECT_EQ(w->File1->ListCount(), 120);
  for (int i = 0; i < 18; ++i) EXPECT_TRUE(w->Songcmd(i).isEnabled()) << i;
  w->Songcmd_Click(17);
  ASSERT_TRUE(waitFor([&] { return playing() && w->lblTrack_Display->text() == "18 of 120"; }));
  // Past the buttons: Next goes on to entry 19; the counter has no label for it and keeps the last.
  w->Nexttrackcmd_Click();
  ASSERT_TRUE(waitFor([&] { return playing() && w->lblDisplay->text() == "Playing Avseq19.dat  ........"; }));
  EXPECT_EQ(w->lblTrack_Display->text(), "18 of 120");
}

// A track that holds a text playlist naming a local file and a web address never plays, and
// nothing it names is opened (the engine's own tests watch the file and the address).
TEST_F(MalformedDisc, TrackHoldingAPlaylistNeverPlays) {
  const QString local = dir.filePath("clip.mpg");
  ASSERT_TRUE(QFile::copy(mediaPath("pal3.bin"), local));
  const QByteArray list = "#EXTM3U\n" + local.toUtf8() + "\nhttp://127.0.0.1:9/x.mpg\n";
  QByteArray bin = readFile(mediaPath("pal3.bin"));
  fillPayload(bin, "AVSEQ01.DAT;1", [&](qsizetype i) { return i < list.size() ? list[i] : '\n'; });
  expectOutcome(writeImage("list", bin), Outcome::NeverPlays);
}

// --- cue sheets ---

struct CueCase {
  const char* sheet;
  Outcome outcome;
};

class MalformedCue : public MalformedDisc, public ::testing::WithParamInterface<CueCase> {};

TEST_P(MalformedCue, SaysWhatItFoundAndTheNextDiscPlays) {
  const QByteArray bin = readFile(mediaPath("pal3.bin"));
  for (const CueSheet& sheet : malformedCueSheets("disc.bin", bin.size() / kRaw)) {
    if (std::string(sheet.name) == GetParam().sheet) {
      expectOutcome(writeImage("disc", bin, sheet.text), GetParam().outcome);
      return;
    }
  }
  FAIL() << "no sheet " << GetParam().sheet;
}

// Sheets with more than 99 tracks or times that are not times are refused as images (the drive
// stays empty); one that names no track at all opens its BIN as a single data track.
INSTANTIATE_TEST_SUITE_P(Sheets, MalformedCue,
                         ::testing::Values(CueCase{"HundredTwentyTracks", Outcome::NothingFound},
                                           CueCase{"TimesOutOfRange", Outcome::NothingFound},
                                           CueCase{"TimesNotNumbers", Outcome::NothingFound},
                                           CueCase{"FramesPast74", Outcome::NothingFound},
                                           CueCase{"IndexGoesBackwards", Outcome::Plays},
                                           CueCase{"TrackNumbersOutOfOrder", Outcome::NothingFound},
                                           CueCase{"NoTracks", Outcome::NothingFound},
                                           CueCase{"Empty", Outcome::Plays},
                                           CueCase{"LongLine", Outcome::NothingFound}),
                         [](const auto& info) { return std::string(info.param.sheet); });

// A cue sheet never reaches a BIN outside its own folder, whatever its FILE line says: the good
// image lies one folder up (or at an absolute path), and the sheet's folder holds no BIN.
TEST_F(MalformedDisc, CueSheetFilePathsOutsideItsFolderAreNotFollowed) {
  const QByteArray bin = readFile(mediaPath("pal3.bin"));
  const QByteArray cue = readFile(mediaPath("pal3.cue"));
  writeFile(dir.filePath("outside.bin"), bin);
  ASSERT_TRUE(QDir(dir.path()).mkdir("sheets"));
  for (const QByteArray& named : {QByteArray("../outside.bin"), QFile::encodeName(dir.filePath("outside.bin"))}) {
    const QString sheet = dir.filePath("sheets/disc.cue");
    writeFile(sheet, QByteArray(cue).replace("pal3.bin", named));
    EXPECT_FALSE(drives.insertImage(sheet)) << named.toStdString();
  }
  openWindow();
  w->Form_Load();
  EXPECT_EQ(w->lblDisplay->text(), kNoMovies);
  goodDiscPlays();
}

// A BIN shorter than its cue sheet says: the tracks it still holds play; one cut away entirely
// never does. Picked by its button (the watchdog watches only the start routines) it stays
// "Loading", with the buttons back for another pick.
TEST_F(MalformedDisc, BinShorterThanTheCueSheetSays) {
  QByteArray bin = readFile(mediaPath("pal3.bin"));
  const uint32_t third = recordLsn(bin, recordOf(bin, "AVSEQ03.DAT;1"));
  bin.truncate(qsizetype(third) * kRaw);
  ASSERT_TRUE(drives.insertImage(writeImage("short", bin)));
  openWindow();
  w->Form_Load();
  ASSERT_TRUE(waitFor([&] { return playing(); }));
  states.clear();
  w->Songcmd_Click(2);
  ASSERT_TRUE(waitFor([&] { return gaveUp(); }));
  EXPECT_EQ(w->lblDisplay->text(), "Loading... Please be patient...");
  EXPECT_TRUE(w->Songcmd(0).isEnabled());
  w->Songcmd_Click(0);
  ASSERT_TRUE(waitFor([&] { return playing(); }));
  goodDiscPlays();
}

}  // namespace
}  // namespace vcd::test
