// Malformed Video CDs and disc images in the player: made from a good vcdimager image by changing
// bytes, each goes into the virtual drive of a window with the real engine. The player neither
// crashes nor hangs, says what it says for such a disc (nothing found, or a track that never plays
// and the format watchdog's message), and the next good disc plays.
#include "fuzz/disc_mutations.h"
#include "tests/support/real_window.h"

namespace vcd::test {
namespace {

using namespace fuzz::mutations;

enum class Outcome { Plays, NothingFound, NeverPlays };
const char* describe(Outcome o) {
  return o == Outcome::Plays ? "plays" : o == Outcome::NothingFound ? "nothing found" : "never plays";
}

class MalformedDisc : public RealWindow {
 protected:
  // Puts the image in (an image refused leaves the drive empty), opens the window, whose start-up
  // searches the disc, and checks the outcome; then a good disc plays.
  void expectOutcome(const QString& image, Outcome expected, const char* counter = "01 of 3") {
    if (!drives.insertImage(image)) {
      ASSERT_EQ(expected, Outcome::NothingFound) << "the image was refused";
    }
    openWindow();
    ASSERT_TRUE(waitFor([&] { return playing() || gaveUp() || w->lblDisplay->text() == kNoMovies; }))
        << shown.join("\n").toStdString();
    const Outcome got = playing() ? Outcome::Plays : w->lblDisplay->text() == kNoMovies ? Outcome::NothingFound : Outcome::NeverPlays;
    ASSERT_STREQ(describe(got), describe(expected)) << shown.join("\n").toStdString();
    if (got == Outcome::Plays) {
      EXPECT_EQ(w->lblDisplay->text(), "Playing Avseq01.dat  ........");
      EXPECT_EQ(w->lblTrack_Display->text(), counter);
    } else if (got == Outcome::NothingFound) {
      EXPECT_FALSE(w->Songcmd(0).isEnabled() || w->Nexttrackcmd->isEnabled());
    } else {
      ASSERT_TRUE(w->tmrWrong_Format->isTicking()) << "the format watchdog is not running";
      emit w->tmrWrong_Format->Tick();  // its 20 s are up
      EXPECT_EQ(w->lblDisplay->text(), "The file format is not supported.");
      EXPECT_TRUE(w->opencdromcmd->isEnabled());
    }
    goodDiscPlays();
  }
};

struct BinCase {
  const char* mutation;
  Outcome outcome;
  const char* counter = "01 of 3";
};

class MalformedBin : public MalformedDisc, public ::testing::WithParamInterface<BinCase> {};

TEST_P(MalformedBin, SaysWhatItFoundAndTheNextDiscPlays) {
  QByteArray bin = readFile(mediaPath("pal3.bin"));
  bool applied = false;
  for (const BinMutation& m : binMutations())
    if (std::string(m.name) == GetParam().mutation) applied = m.apply(bin);
  ASSERT_TRUE(applied) << GetParam().mutation;
  expectOutcome(writeImage("disc", bin), GetParam().outcome, GetParam().counter);
}

auto caseName = [](const auto& info) { return std::string(info.param.mutation); };

// The player reads nothing but the Mpegav folder: the Video CD's own files may be anything.
INSTANTIATE_TEST_SUITE_P(VideoCdFiles, MalformedBin,
                         ::testing::Values(BinCase{"EntriesCountZero", Outcome::Plays}, BinCase{"EntriesCount501", Outcome::Plays},
                                           BinCase{"EntriesCountFFFF", Outcome::Plays},
                                           BinCase{"EntriesWrongSignature", Outcome::Plays},
                                           BinCase{"InfoGarbage", Outcome::Plays}),
                         caseName);

INSTANTIATE_TEST_SUITE_P(
    FileSystem, MalformedBin,
    ::testing::Values(BinCase{"MpegavRecordLengthZero", Outcome::NothingFound},
                      // The records after one of length 0 in the same sector are not read.
                      BinCase{"TrackRecordLengthZero", Outcome::Plays, "01 of 1"},
                      BinCase{"RootSizeNearFFFFFFFF", Outcome::NothingFound},
                      BinCase{"MpegavSizeNearFFFFFFFF", Outcome::NothingFound},
                      // Cut at the lead-out: the first track runs on through the others.
                      BinCase{"TrackSizeFFFFFFFF", Outcome::Plays},
                      BinCase{"TrackExtentInSystemArea", Outcome::NeverPlays},
                      BinCase{"TrackExtentPastLeadOut", Outcome::NeverPlays},
                      BinCase{"TrackExtentAtLastSector", Outcome::NeverPlays},
                      BinCase{"TrackExtentAtFFFFFFFF", Outcome::NeverPlays},
                      BinCase{"VolumeDescriptorZeroed", Outcome::NothingFound},
                      BinCase{"FileSystemRandom", Outcome::NothingFound}),
    caseName);

INSTANTIATE_TEST_SUITE_P(TrackContents, MalformedBin,
                         ::testing::Values(BinCase{"TrackZeroedPayload", Outcome::NeverPlays},
                                           BinCase{"TrackRandomPayload", Outcome::NeverPlays}),
                         caseName);

// A track that holds a text playlist naming a local file and a web address never plays (the
// engine's own tests watch that nothing it names is opened).
TEST_F(MalformedDisc, TrackHoldingAPlaylistNeverPlays) {
  const QString local = dir.filePath("clip.mpg");
  ASSERT_TRUE(QFile::copy(mediaPath("pal3.bin"), local));
  const QByteArray list = "#EXTM3U\n" + local.toUtf8() + "\nhttp://127.0.0.1:9/x.mpg\n";
  QByteArray bin = readFile(mediaPath("pal3.bin"));
  fillPayload(bin, "AVSEQ01.DAT;1", [&](qsizetype i) { return i < list.size() ? list[i] : '\n'; });
  expectOutcome(writeImage("list", bin), Outcome::NeverPlays);
}

struct CueCase {
  const char* sheet;
  Outcome outcome;
};

class MalformedCue : public MalformedDisc, public ::testing::WithParamInterface<CueCase> {};

TEST_P(MalformedCue, SaysWhatItFoundAndTheNextDiscPlays) {
  const QByteArray bin = readFile(mediaPath("pal3.bin"));
  for (const CueSheet& sheet : malformedCueSheets("disc.bin", bin.size() / kRaw))
    if (std::string(sheet.name) == GetParam().sheet) return expectOutcome(writeImage("disc", bin, sheet.text), GetParam().outcome);
  FAIL() << "no sheet " << GetParam().sheet;
}

// Sheets with more than 99 tracks or times that are not times are refused as images; an empty
// one opens its BIN as a single data track.
INSTANTIATE_TEST_SUITE_P(Sheets, MalformedCue,
                         ::testing::Values(CueCase{"HundredTwentyTracks", Outcome::NothingFound},
                                           CueCase{"TimesOutOfRange", Outcome::NothingFound},
                                           CueCase{"TimesNotNumbers", Outcome::NothingFound},
                                           CueCase{"FramesPast74", Outcome::NothingFound},
                                           CueCase{"IndexGoesBackwards", Outcome::Plays},
                                           CueCase{"TrackNumbersOutOfOrder", Outcome::NothingFound},
                                           CueCase{"NoTracks", Outcome::NothingFound}, CueCase{"Empty", Outcome::Plays},
                                           CueCase{"LongLine", Outcome::NothingFound}),
                         [](const auto& info) { return std::string(info.param.sheet); });

// A cue sheet never reaches a BIN outside its own folder, whatever its FILE line says.
TEST_F(MalformedDisc, CueSheetFilePathsOutsideItsFolderAreNotFollowed) {
  writeFile(dir.filePath("outside.bin"), readFile(mediaPath("pal3.bin")));
  ASSERT_TRUE(QDir(dir.path()).mkdir("sheets"));
  for (const QByteArray& named : {QByteArray("../outside.bin"), QFile::encodeName(dir.filePath("outside.bin"))}) {
    writeFile(dir.filePath("sheets/disc.cue"), readFile(mediaPath("pal3.cue")).replace("pal3.bin", named));
    EXPECT_FALSE(drives.insertImage(dir.filePath("sheets/disc.cue"))) << named.toStdString();
  }
  openWindow();
  EXPECT_EQ(w->lblDisplay->text(), kNoMovies);
  goodDiscPlays();
}

// A BIN shorter than its cue sheet says: the tracks it still holds play; one cut away entirely
// never does. Picked by its button (the watchdog watches only the start) it stays "Loading",
// with the buttons back for another pick.
TEST_F(MalformedDisc, BinShorterThanTheCueSheetSays) {
  QByteArray bin = readFile(mediaPath("pal3.bin"));
  bin.truncate(qsizetype(recordLsn(bin, recordOf(bin, "AVSEQ03.DAT;1"))) * kRaw);
  ASSERT_TRUE(drives.insertImage(writeImage("short", bin)));
  openWindow();
  ASSERT_TRUE(waitFor([&] { return playing(); }));
  states.clear();
  w->Songcmd_Click(2);
  ASSERT_TRUE(waitFor([&] { return gaveUp(); }));
  EXPECT_EQ(w->lblDisplay->text(), "Loading... Please be patient...");
  EXPECT_TRUE(w->Songcmd(0).isEnabled());
  w->Songcmd_Click(0);
  ASSERT_TRUE(waitFor([&] { return playing(); }));
}

}  // namespace
}  // namespace vcd::test
