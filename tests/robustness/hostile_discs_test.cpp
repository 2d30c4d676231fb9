// Hostile and malformed discs, one table per kind of trick: copied folders (symlinks, tracks that
// cannot be opened; tens of thousands of entries: tests/platform/svcd_and_folders_test.cpp),
// names in other encodings and spellings, ISO extents, NRG chunk tables, RIFF CDXA headers that
// lie, Super Video CDs with a bad MPEG2 folder, images whose names lead to FIFOs, devices or out
// of their folder, sheets that describe impossible discs, NRG images whose structure lies outside
// the file, ISO 9660 folders with records that do not fit, images changed under a playing player,
// and the fuzzers' malformed BINs and cue sheets. Each is built in the test's folder and
// named to a window with the real engine, as the command line names it or straight into its
// drive: the window plays what can be played (and says so) or says it found no movies, one line
// in the log says why, nothing outside the folder the user named is opened, the process stays
// small, and the next good disc plays.
#include "fuzz/disc_mutations.h"
#include "fuzz/targets.h"
#include "disc/file_names.h"
#include "tests/support/canaries.h"
#include "tests/support/copied_disc.h"
#include "tests/support/real_window.h"

#include <QtEndian>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <iostream>

namespace vcd::test {
namespace {

using namespace fuzz::mutations;

QStringList logged;  // warnings of the player during a case
void keepWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && QByteArray(context.category ? context.category : "").startsWith("vcd.")) logged << message;
}

// The process stays this small. A sanitizer build holds freed memory in quarantine: its bound
// catches a runaway allocation, not the figure a user sees.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kPeakMiB = 1024;
#else
constexpr long kPeakMiB = 300;
#endif

// What the window must show once a case has been named to it.
struct Outcome {
  const char* status;   // kNoMovies, or the playing caption
  const char* counter;  // the track display while it plays ("" when nothing plays)
};
const Outcome kRefused{"No movies files in the Cd-rom drive.", ""};

struct InputCase {
  const char* name;
  // Builds the input in `d` (beside `outside`, a folder holding a good copy of the tracks that
  // nothing may open) and returns the name the user gives, as the command line gives it.
  std::function<QString(const QDir& d, const QDir& outside)> make;
  Outcome shows;
  const char* logSays;  // part of a warning that says why; nullptr: nothing to say
  bool intoDrive = false;  // put straight into the drive, not through the command line's checks
};
void PrintTo(const InputCase& c, std::ostream* os) { *os << c.name; }

// The window with the real engine, keeping the player's warnings.
class WatchedWindow : public RealWindow {
 protected:
  void SetUp() override {
    logged.clear();
    previous_ = qInstallMessageHandler(&keepWarnings);
  }
  void TearDown() override {
    qInstallMessageHandler(previous_);
    RealWindow::TearDown();
    // QDir does not see names that are not UTF-8: the folder goes by its bytes.
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(dir.path()).toStdString()), ignored);
  }
  QtMessageHandler previous_ = nullptr;
};

class HostileInput : public WatchedWindow, public ::testing::WithParamInterface<InputCase> {};

long peakMemoryMiB() {
  rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

TEST_P(HostileInput, PlaysWhatCanBePlayedOrSaysWhyAndOpensNothingOutside) {
  const QDir d(dir.path());
  ASSERT_TRUE(d.mkpath("outside"));
  const QDir outside(d.filePath("outside"));
  ASSERT_TRUE(copyDiscToFolder(mediaPath("pal3.cue"), outside.path(), CopyStyle::Cdxa));
  ASSERT_TRUE(QFile::copy(mediaPath("pal3.bin"), d.filePath("good.bin")));  // for the sheets to name
  const QString named = GetParam().make(d, outside);
  OpenWatch tracksOutside(disc::bytesOfName(outside.filePath("MPEGAV")));
  OpenWatch filesOutside(disc::bytesOfName(outside.path()));

  GetParam().intoDrive ? drives.insertImage(named) : player::command_line::takeNamedPath(drives, named);
  openWindow();
  const Outcome& shows = GetParam().shows;
  ASSERT_TRUE(waitFor([&] { return w->lblDisplay->text() == kNoMovies || playing(); })) << shown.join("\n").toStdString();
  // The tracks last a second: on a loaded machine the disc may be on a later track by the time
  // the window is read, so a playing disc is checked by its track count, not by which track it is on.
  const bool startsPlaying = QString::fromUtf8(shows.status).startsWith(QStringLiteral("Playing "));
  if (startsPlaying && playing()) {
    EXPECT_TRUE(w->lblDisplay->text().startsWith(QStringLiteral("Playing Avseq"))) << w->lblDisplay->text().toStdString();
    EXPECT_EQ(w->lblTrack_Display->text().section(QStringLiteral(" of "), 1),
              QString::fromUtf8(shows.counter).section(QStringLiteral(" of "), 1));
  } else {
    EXPECT_EQ(w->lblDisplay->text(), shows.status) << logged.join('\n').toStdString();
    if (playing()) {
      EXPECT_EQ(w->lblTrack_Display->text(), shows.counter);
    }
  }
  if (GetParam().logSays != nullptr) {
    EXPECT_TRUE(logged.join('\n').contains(QString::fromUtf8(GetParam().logSays))) << logged.join('\n').toStdString();
  } else {
    EXPECT_TRUE(logged.isEmpty()) << logged.join('\n').toStdString();
  }
  EXPECT_EQ(tracksOutside.filesOpened() + filesOutside.filesOpened(), 0);
  EXPECT_LT(peakMemoryMiB(), kPeakMiB);
  goodDiscPlays();
}

auto caseName = [](const auto& info) { return std::string(info.param.name); };

// A copy of pal3 in `d`/`name`, its tracks as Windows copies them.
QString copied(const QDir& d, const QString& name = QStringLiteral("copy")) {
  EXPECT_TRUE(copyDiscToFolder(mediaPath("pal3.cue"), d.filePath(name), CopyStyle::Cdxa));
  return d.filePath(name);
}
// `path` replaced by a symlink to `target`.
void relink(const QString& path, const QString& target) {
  QFile::remove(path);
  EXPECT_TRUE(QFile::link(target, path)) << path.toStdString();
}

const Outcome kFirstPlays{"Playing Avseq01.dat  ........", "01 of 3"};
const Outcome kSecondPlays{"Playing Avseq02.dat  ........", "01 of 2"};

const InputCase kCopiedFolders[] = {
    {"TrackFolderASymlinkOutOfTheCopy",
     [](const QDir& d, const QDir& outside) {
       const QString copy = copied(d);
       QDir(copy + "/MPEGAV").removeRecursively();
       relink(copy + "/MPEGAV", outside.filePath("MPEGAV"));
       return copy;
     }, kRefused, "holds no MPEGAV"},
    {"FirstTrackASymlinkOutOfTheCopy",
     [](const QDir& d, const QDir& outside) {
       const QString copy = copied(d);
       relink(copy + "/MPEGAV/AVSEQ01.DAT", outside.filePath("MPEGAV/AVSEQ01.DAT"));
       return copy;
     }, kSecondPlays, "leads out of"},
    {"FirstTrackAFifo",
     [](const QDir& d, const QDir&) {
       const QString copy = copied(d);
       QFile::remove(copy + "/MPEGAV/AVSEQ01.DAT");
       EXPECT_EQ(::mkfifo(QFile::encodeName(copy + "/MPEGAV/AVSEQ01.DAT").constData(), 0600), 0);
       return copy;
     }, kSecondPlays, "not a regular file"},
    {"SymlinksThatStayInsideAreFollowed",
     [](const QDir& d, const QDir&) {
       const QString copy = copied(d);
       QDir(copy).mkdir("kept");
       QFile::rename(copy + "/MPEGAV/AVSEQ01.DAT", copy + "/kept/first.dat");
       relink(copy + "/MPEGAV/AVSEQ01.DAT", "../kept/first.dat");
       QFile::rename(copy + "/MPEGAV", copy + "/tracks");
       relink(copy + "/MPEGAV", "tracks");
       return copy;
     }, kFirstPlays, nullptr},
};
INSTANTIATE_TEST_SUITE_P(CopiedFolders, HostileInput, ::testing::ValuesIn(kCopiedFolders), caseName);

// A name made of the bytes the file system holds.
QString byBytes(const QDir& d, const QByteArray& name) { return disc::nameFromBytes(QFile::encodeName(d.path()) + "/" + name); }

const InputCase kNames[] = {
    {"CopyNamedInLatin1",
     [](const QDir& d, const QDir&) {
       const QString named = byBytes(d, "Caf\xe9 VCD");
       const QString plain = copied(d);
       EXPECT_EQ(::rename(QFile::encodeName(plain).constData(), disc::bytesOfName(named).constData()), 0);
       return named;
     }, kFirstPlays, nullptr},
    {"SheetAndBinNamedInLatin1",
     [](const QDir& d, const QDir&) {
       const QString cue = byBytes(d, "caf\xe9-disc.cue");
       const QByteArray sheet = readFile(mediaPath("pal3.cue")).replace("pal3.bin", "caf\xe9-disc.bin");
       QFile bin(mediaPath("pal3.bin"));
       EXPECT_TRUE(bin.copy(d.filePath("plain.bin")));
       EXPECT_EQ(::rename(QFile::encodeName(d.filePath("plain.bin")).constData(),
                          disc::bytesOfName(byBytes(d, "caf\xe9-disc.bin")).constData()), 0);
       const int fd = ::open(disc::bytesOfName(cue).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
       EXPECT_EQ(::write(fd, sheet.constData(), sheet.size()), sheet.size());
       ::close(fd);
       return cue;
     }, kFirstPlays, nullptr},
    {"TrackFolderWithATrailingSlash", [](const QDir& d, const QDir&) { return copied(d, "My VCD") + "/MPEGAV/"; },
     kFirstPlays, nullptr},
    {"TrackFolderWithDoubledSlashes", [](const QDir& d, const QDir&) { return copied(d, "My VCD").replace("My VCD", "/My VCD//") + "//MPEGAV"; },
     kFirstPlays, nullptr},
};
INSTANTIATE_TEST_SUITE_P(Names, HostileInput, ::testing::ValuesIn(kNames), caseName);

// pal3 as a 2,048-byte ISO: its file system, then each track's stream in 2,048-byte sectors, the
// track records pointing at them and still marked Form 2 (as the disc's records are).
QByteArray isoOfPal3() {
  const QByteArray bin = readFile(mediaPath("pal3.bin"));
  QByteArray iso;
  for (int s = 0; s < 450; ++s) iso += bin.mid(userData(s), 2048);
  for (const QByteArray name : {"AVSEQ01.DAT;1", "AVSEQ02.DAT;1", "AVSEQ03.DAT;1"}) {
    const qsizetype record = recordOf(bin, name);
    const uint32_t lsn = recordLsn(bin, record), sectors = recordSize(bin, record) / 2048;
    QByteArray stream;
    for (uint32_t s = 0; s < sectors; ++s) stream += bin.mid(userData(lsn + s), 2324);
    const qsizetype inIso = record / kRaw * 2048 + record % kRaw - kUserData;
    setRecordLsn(iso, inIso, static_cast<uint32_t>(iso.size() / 2048));
    setRecordSize(iso, inIso, static_cast<uint32_t>(stream.size()));
    iso += stream.leftJustified((stream.size() + 2047) / 2048 * 2048, '\0');
  }
  return iso;
}

QString isoFile(const QDir& d, const QByteArray& bytes, int64_t size = -1) {
  QFile f(d.filePath("disc.iso"));
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
  if (size >= 0) {
    EXPECT_TRUE(f.resize(size));  // sparse: nothing of it is written
  }
  return f.fileName();
}

const InputCase kIsoExtents[] = {
    {"TracksMarkedForm2InTwoKilobyteSectors", [](const QDir& d, const QDir&) { return isoFile(d, isoOfPal3()); },
     kFirstPlays, nullptr},
    {"FifteenTebibytesSparse", [](const QDir& d, const QDir&) { return isoFile(d, isoOfPal3(), int64_t{15} << 40); },
     kRefused, "more than any disc holds"},
};
INSTANTIATE_TEST_SUITE_P(IsoExtents, HostileInput, ::testing::ValuesIn(kIsoExtents), caseName);

// An NRG: `data` followed by `chunks` and a footer pointing at `offset` (the chunks by default).
QString nrg(const QDir& d, const QByteArray& data, const QByteArray& chunks, qint64 offset = -1) {
  char footer[8];
  qToBigEndian<quint64>(static_cast<quint64>(offset < 0 ? data.size() : offset), footer);
  return writtenTo(d, "disc.nrg", data + chunks + "NER5" + QByteArray(footer, 8));
}
QByteArray pal3Bin() { return readFile(mediaPath("pal3.bin")); }

// An NRG of one chunk claiming `length` bytes, END! where the length puts it and the footer
// after a gap (a sparse file of gigabytes).
QString hugeChunkNrg(const QDir& d, const char* id, quint32 length) {
  QFile f(d.filePath("disc.nrg"));
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  char be[4];
  qToBigEndian(length, be);
  f.write(QByteArray(id, 4) + QByteArray(be, 4));
  f.seek(8 + qint64(length));
  f.write(QByteArray("END!") + QByteArray(4, '\0'));
  f.seek(qint64(length) + 4112);
  f.write(QByteArray("NER5") + QByteArray(8, '\0'));
  return f.fileName();
}

const InputCase kNrgChunks[] = {
    {"DiscAtOnceChunkOfTwoGigabytes", [](const QDir& d, const QDir&) { return hugeChunkNrg(d, "DAOX", 0x7FFFF100); },
     kRefused, "chunks take"},
    {"SessionChunkOfFourGigabytes", [](const QDir& d, const QDir&) { return hugeChunkNrg(d, "SINF", 0xFFFFFF00); },
     kRefused, "chunks take"},
    {"SessionChunkLongerThanANumber",
     [](const QDir& d, const QDir&) {
       QByteArray chunks = fuzz::nrgChunks(pal3Bin().size());
       const qsizetype sinf = chunks.indexOf("SINF");
       EXPECT_GT(sinf, 0);
       char be[4];
       qToBigEndian<quint32>(1000, be);
       return nrg(d, pal3Bin(), chunks.left(sinf) + "SINF" + QByteArray(be, 4) + QByteArray(1000, '\0') + chunks.mid(sinf + 12));
     }, kRefused, "claims 1000 bytes"},
};
INSTANTIATE_TEST_SUITE_P(NrgChunks, HostileInput, ::testing::ValuesIn(kNrgChunks), caseName);

// A copy of pal3 whose first track's RIFF CDXA header is changed by `change` (the bytes of the
// whole file).
QString cdxaLies(const QDir& d, const std::function<void(QByteArray&)>& change) {
  const QString copy = copied(d);
  const QString track = copy + "/MPEGAV/AVSEQ01.DAT";
  QByteArray bytes = readFile(track);
  change(bytes);
  writeFile(track, bytes);
  return copy;
}
void setLe32(QByteArray& b, qsizetype at, quint32 v) { qToLittleEndian(v, b.data() + at); }
constexpr qsizetype kRiffLength = 4, kFmtLength = 16, kDataLength = 40;  // as Windows writes the header

const InputCase kCdxaCopies[] = {
    {"RiffAndDataLengthsOfFourGigabytes",
     [](const QDir& d, const QDir&) {
       return cdxaLies(d, [](QByteArray& b) { setLe32(b, kRiffLength, 0xFFFFFFF0), setLe32(b, kDataLength, 0xFFFFFFF0); });
     }, kFirstPlays, nullptr},
    {"DataLengthOfHalfASector",
     [](const QDir& d, const QDir&) { return cdxaLies(d, [](QByteArray& b) { setLe32(b, kDataLength, 1000); }); },
     kSecondPlays, "no whole sector"},
    // No data chunk is found: the file is taken as the stream it holds, which plays.
    {"FmtChunkRunningPastTheFile",
     [](const QDir& d, const QDir&) { return cdxaLies(d, [](QByteArray& b) { setLe32(b, kFmtLength, 0xFFFFFF00); }); },
     kFirstPlays, nullptr},
    {"HeaderAloneWithoutSectors",
     [](const QDir& d, const QDir&) { return cdxaLies(d, [](QByteArray& b) { b.truncate(44); }); },
     kSecondPlays, "no whole sector"},
};
INSTANTIATE_TEST_SUITE_P(CdxaCopies, HostileInput, ::testing::ValuesIn(kCdxaCopies), caseName);

// The image `like` as disc.bin/.cue in `d`, `change` made to its BIN given the record of `folder`.
QString withRecord(const QDir& d, const char* like, const QByteArray& folder,
                   const std::function<void(QByteArray&, qsizetype)>& change) {
  QByteArray bin = readFile(mediaPath((std::string(like) + ".bin").c_str()));
  const qsizetype record = recordOf(bin, folder);
  EXPECT_GT(record, 0);
  change(bin, record);
  return writeImage(d, "disc", bin, {}, like);
}

const InputCase kSuperVideoCds[] = {
    {"Mpeg2FolderOfFourGigabytes",
     [](const QDir& d, const QDir&) { return withRecord(d, "svcd3", "MPEG2", [](QByteArray& b, qsizetype r) { setRecordSize(b, r, 0xFFFFF800); }); },
     kRefused, "MPEG2"},
    {"CopiedFirstTrackAFifo",
     [](const QDir& d, const QDir&) {
       EXPECT_TRUE(copyDiscToFolder(mediaPath("svcd3.cue"), d.filePath("svcd"), CopyStyle::Cdxa));
       QFile::remove(d.filePath("svcd/MPEG2/AVSEQ01.MPG"));
       EXPECT_EQ(::mkfifo(QFile::encodeName(d.filePath("svcd/MPEG2/AVSEQ01.MPG")).constData(), 0600), 0);
       return d.filePath("svcd");
     }, {"Playing Avseq02.mpg  ........", "01 of 2"}, "not a regular file"},
};
INSTANTIATE_TEST_SUITE_P(SuperVideoCds, HostileInput, ::testing::ValuesIn(kSuperVideoCds), caseName);

// A row whose image goes straight into the drive; the window finds nothing in it.
InputCase inDrive(const char* name, QString (*make)(const QDir&), const char* logSays) {
  return {name, [make](const QDir& d, const QDir&) { return make(d); }, kRefused, logSays, true};
}
QByteArray cueFor(const QByteArray& binName) {
  return "FILE \"" + binName + "\" BINARY\n  TRACK 01 MODE2/2352\n    INDEX 01 00:00:00\n";
}
QString sheet(const QDir& d, const char* name, const QByteArray& text) { return writtenTo(d, name, text); }
QString fifo(const QDir& d, const char* name) {
  EXPECT_EQ(::mkfifo(QFile::encodeName(d.filePath(name)).constData(), 0600), 0);
  return d.filePath(name);
}

// Opening a FIFO would block the window for good; none of these may even be opened.
const InputCase kImageNames[] = {
    inDrive("CueNamingAFifo", [](const QDir& d) { return fifo(d, "disc.bin"), sheet(d, "disc.cue", cueFor("disc.bin")); }, "FIFO"),
    inDrive("SheetThatIsAFifo", [](const QDir& d) { return fifo(d, "disc.cue"); }, "FIFO"),
    inDrive("TocDataFileThatIsAFifo",
     [](const QDir& d) { return fifo(d, "data.img"), sheet(d, "disc.toc", "TRACK MODE2_RAW\nDATAFILE \"data.img\"\n"); }, "FIFO"),
    inDrive("SymlinkOutOfTheFolder",
     [](const QDir& d) {
       d.mkdir("sheets");
       QFile::link(d.filePath("good.bin"), d.filePath("sheets/disc.bin"));
       return sheet(d, "sheets/disc.cue", cueFor("disc.bin"));
     }, "leads out"),
    inDrive("DeviceBesideTheSheet",
     [](const QDir& d) { return QFile::link("/dev/zero", d.filePath("zero.bin")), sheet(d, "disc.cue", cueFor("zero.bin")); },
     "leads out"),
    inDrive("FolderNamedLikeTheBin", [](const QDir& d) { return d.mkdir("disc.bin"), sheet(d, "disc.cue", cueFor("disc.bin")); }, "a folder"),
    inDrive("TocAbsoluteDataFile", [](const QDir& d) { return sheet(d, "disc.toc", "TRACK MODE2_RAW\nDATAFILE \"/etc/passwd\"\n"); },
     "is not in"),
    // Only the name counts, looked up beside the sheet.
    inDrive("CueFileUpAndOutOfItsFolder",
     [](const QDir& d) { return d.mkdir("sheets"), sheet(d, "sheets/disc.cue", cueFor("../good.bin")); }, "is not in"),
};
INSTANTIATE_TEST_SUITE_P(ImageNames, HostileInput, ::testing::ValuesIn(kImageNames), caseName);

QByteArray tocTracks(int count) {
  QByteArray toc = "CD_ROM_XA\n";
  for (int t = 0; t < count; ++t) toc += "TRACK MODE2_RAW\nDATAFILE \"good.bin\" 00:00:01\n";
  return toc;
}

const InputCase kSheets[] = {
    inDrive("TocWith150Tracks", [](const QDir& d) { return sheet(d, "disc.toc", tocTracks(150)); }, "more than 99 tracks"),
    inDrive("TocOffsetPastItsFile",
     [](const QDir& d) { return sheet(d, "disc.toc", "TRACK MODE2_RAW\nDATAFILE \"good.bin\" #4000000000\n"); }, "past its end"),
    inDrive("TocLengthPastItsFile",
     [](const QDir& d) { return sheet(d, "disc.toc", "TRACK MODE2_RAW\nDATAFILE \"good.bin\" #2352 60:00:00\n"); },
     "past its end"),
    inDrive("TocUnclosedCdText", [](const QDir& d) { return sheet(d, "disc.toc", "CD_TEXT { LANGUAGE 0 {\n" + tocTracks(1)); }, "CD_TEXT"),
    inDrive("CueTrackBeforeFile", [](const QDir& d) { return sheet(d, "disc.cue", "TRACK 01 MODE2/2352\n" + cueFor("good.bin")); },
     "before any FILE"),
    inDrive("CueWaveFile", [](const QDir& d) { return sheet(d, "disc.cue", cueFor("good.bin").replace("BINARY", "WAVE")); }, "WAVE"),
};
INSTANTIATE_TEST_SUITE_P(Sheets, HostileInput, ::testing::ValuesIn(kSheets), caseName);

const InputCase kNrg[] = {
    inDrive("FooterOffsetZeroIntoZeros", [](const QDir& d) { return nrg(d, QByteArray(20000, '\0'), {}, 0); }, "unknown chunk"),
    inDrive("FooterOffsetPastTheEnd", [](const QDir& d) { return nrg(d, pal3Bin(), fuzz::nrgChunks(pal3Bin().size()), 1ll << 40); },
     "past the end"),
    inDrive("NoFooter", [](const QDir& d) { return sheet(d, "disc.nrg", pal3Bin()); }, "no NRG footer"),
    inDrive("ChainWithoutEnd", [](const QDir& d) { return nrg(d, pal3Bin(), fuzz::nrgChunks(pal3Bin().size()).chopped(8)); }, "runs past"),
    inDrive("ChunkLongerThanTheImage",
     [](const QDir& d) {
       QByteArray chunks = fuzz::nrgChunks(pal3Bin().size());
       qToBigEndian<quint32>(0x7FFFFFFF, chunks.data() + 4);
       return nrg(d, pal3Bin(), chunks);
     }, "runs past the footer"),
    inDrive("TrackDataPastTheChunks",
     [](const QDir& d) { return nrg(d, pal3Bin(), fuzz::nrgChunks(qint64(pal3Bin().size()) * 2)); }, "outside the image"),
    inDrive("HundredTracks",
     [](const QDir& d) {
       QByteArray chunks = fuzz::nrgChunks(pal3Bin().size());
       QByteArray table(100 * 32, '\0');
       for (int t = 0; t < 100; ++t) qToBigEndian<quint32>(3, table.data() + t * 32 + 16);
       char length[4];
       qToBigEndian<quint32>(static_cast<quint32>(table.size()), length);
       return nrg(d, pal3Bin(), "ETN2" + QByteArray(length, 4) + table + chunks.mid(8 + 32));
     }, "claims 3200 bytes"),
};
INSTANTIATE_TEST_SUITE_P(Nrg, HostileInput, ::testing::ValuesIn(kNrg), caseName);

// pal3 with its directory changed: `change` gets the BIN and the MPEGAV record in the root folder.
QString withRecords(const QDir& d, const std::function<void(QByteArray&, qsizetype)>& change) {
  return withRecord(d, "pal3", "MPEGAV", change);
}

const InputCase kIsoRecords[] = {
    // The record before MPEGAV in the root (EXT) is shorter than a record's fixed part.
    inDrive("TwentyByteRecordBeforeMpegav",
     [](const QDir& d) { return withRecords(d, [](QByteArray& b, qsizetype) { b[recordOf(b, "EXT")] = 20; }); },
     "malformed directory record"),
    inDrive("NameRunningPastItsRecord", [](const QDir& d) { return withRecords(d, [](QByteArray& b, qsizetype r) { b[r + 32] = 120; }); },
     "malformed directory record"),
    inDrive("FolderLeadingBackToTheRoot",
     [](const QDir& d) {
       return withRecords(d, [](QByteArray& b, qsizetype r) { setRecordLsn(b, r, recordLsn(b, userData(16) + 156)); });
     }, "lead back"),
    inDrive("FolderPastTheDiscsEnd",
     [](const QDir& d) { return withRecords(d, [](QByteArray& b, qsizetype r) { setRecordLsn(b, r, 2000000); }); },
     "cannot read"),
};
INSTANTIATE_TEST_SUITE_P(IsoRecords, HostileInput, ::testing::ValuesIn(kIsoRecords), caseName);

// Changes to the BIN of a disc that plays: the window plays on or stops, says so, and stays
// answering; a good disc plays afterwards.
struct LiveChange {
  const char* name;
  std::function<void(const QString& bin)> change;
  const char* logSays;  // nullptr: the change may go unnoticed
};
void PrintTo(const LiveChange& c, std::ostream* os) { *os << c.name; }

class ChangedUnderPlay : public WatchedWindow, public ::testing::WithParamInterface<LiveChange> {};

qint64 startOfTrack(const QByteArray& bin, const QByteArray& name) { return qint64(recordLsn(bin, recordOf(bin, name))) * kRaw; }

const LiveChange kLiveChanges[] = {
    {"CutInTheMiddleOfThePlayingTrack",
     [](const QString& bin) {
       const QByteArray b = readFile(bin);
       EXPECT_TRUE(QFile::resize(bin, (startOfTrack(b, "AVSEQ01.DAT;1") + startOfTrack(b, "AVSEQ02.DAT;1")) / 2 / kRaw * kRaw));
     }, "sector"},
    {"CutToNothing", [](const QString& bin) { EXPECT_TRUE(QFile::resize(bin, 0)); }, "sector"},
    {"ZeroedInPlace",
     [](const QString& bin) {
       QFile f(bin);
       ASSERT_TRUE(f.open(QIODevice::ReadWrite));
       const QByteArray zeros(int(f.size()), '\0');
       f.write(zeros);
     }, "sector"},
    {"ReplacedByAnotherDisc",
     [](const QString& bin) {
       const QString other = bin + ".new";
       EXPECT_TRUE(QFile::copy(mediaPath("ntsc3.bin"), other));
       EXPECT_EQ(::rename(QFile::encodeName(other).constData(), QFile::encodeName(bin).constData()), 0);
     }, nullptr},
    {"Removed", [](const QString& bin) { EXPECT_TRUE(QFile::remove(bin)); }, nullptr},
};

TEST_P(ChangedUnderPlay, StopsOrPlaysOnAndSaysSoAndTheNextDiscPlays) {
  const QString cue = writeImage("live", readFile(mediaPath("pal3.bin")));
  ASSERT_TRUE(player::command_line::takeNamedPath(drives, cue));
  openWindow();
  ASSERT_TRUE(waitFor([&] { return playing(); })) << shown.join("\n").toStdString();
  logged.clear();
  states.clear();
  ends = 0;

  const LiveChange& row = GetParam();
  row.change(dir.filePath("live.bin"));
  // Done: the engine stopped playing the changed disc (at a sector it could not read, or at the
  // disc's end when the change went unnoticed).
  ASSERT_TRUE(waitFor([&] { return !states.isEmpty() && !playing() && engine->engineIdle(); })) << shown.join("\n").toStdString();
  std::cout << "[ shown    ] " << row.name << ": \"" << w->lblDisplay->text().toStdString() << "\" / \""
            << w->lblTrack_Display->text().toStdString() << "\"; log: " << logged.join(" | ").toStdString() << std::endl;
  if (row.logSays != nullptr) {
    EXPECT_TRUE(logged.join('\n').contains(QString::fromUtf8(row.logSays))) << logged.join('\n').toStdString();
  }
  EXPECT_LT(peakMemoryMiB(), kPeakMiB);
  goodDiscPlays();
}
INSTANTIATE_TEST_SUITE_P(LiveChanges, ChangedUnderPlay, ::testing::ValuesIn(kLiveChanges), caseName);

// Malformed Video CDs made from pal3 by changing bytes of its BIN or lines of its cue sheet (the
// fuzzers' seeds): the player neither crashes nor hangs, says what it says for such a disc
// (nothing found, or a track that never plays and the format watchdog's message), and the next
// good disc plays.
enum class Found { Plays, Nothing, NeverPlays };
const char* describe(Found o) { return o == Found::Plays ? "plays" : o == Found::Nothing ? "nothing found" : "never plays"; }

class MalformedDisc : public RealWindow {
 protected:
  // Puts the image in (an image refused leaves the drive empty), opens the window, whose start-up
  // searches the disc, and checks the outcome; then a good disc plays.
  void expectOutcome(const QString& image, Found expected, const char* counter = "01 of 3") {
    if (!drives.insertImage(image)) {
      ASSERT_EQ(expected, Found::Nothing) << "the image was refused";
    }
    openWindow();
    ASSERT_TRUE(waitFor([&] { return playing() || gaveUp() || w->lblDisplay->text() == kNoMovies; }))
        << shown.join("\n").toStdString();
    const Found got = playing() ? Found::Plays : w->lblDisplay->text() == kNoMovies ? Found::Nothing : Found::NeverPlays;
    ASSERT_STREQ(describe(got), describe(expected)) << shown.join("\n").toStdString();
    if (got == Found::Plays) {
      EXPECT_EQ(w->lblDisplay->text(), "Playing Avseq01.dat  ........");
      EXPECT_EQ(w->lblTrack_Display->text(), counter);
    } else if (got == Found::Nothing) {
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

struct Malformation {
  const char* name;  // of a BIN mutation or a malformed cue sheet
  Found found;
  const char* counter = "01 of 3";
};
void PrintTo(const Malformation& c, std::ostream* os) { *os << c.name; }

class MalformedImage : public MalformedDisc, public ::testing::WithParamInterface<Malformation> {};

TEST_P(MalformedImage, SaysWhatItFoundAndTheNextDiscPlays) {
  QByteArray bin = readFile(mediaPath("pal3.bin"));
  const std::string name = GetParam().name;
  for (const BinMutation& m : binMutations())
    if (name == m.name) {
      ASSERT_TRUE(m.apply(bin)) << name;
      return expectOutcome(writeImage("disc", bin), GetParam().found, GetParam().counter);
    }
  for (const CueSheet& sheet : malformedCueSheets("disc.bin", bin.size() / kRaw))
    if (name == sheet.name) return expectOutcome(writeImage("disc", bin, sheet.text), GetParam().found);
  FAIL() << "no malformation " << name;
}

const Malformation kMalformations[] = {
    // The player reads nothing but the Mpegav folder: the Video CD's own files may be anything.
    {"EntriesCountZero", Found::Plays}, {"EntriesCount501", Found::Plays}, {"EntriesCountFFFF", Found::Plays},
    {"EntriesWrongSignature", Found::Plays}, {"InfoGarbage", Found::Plays},
    // The file system. The records after one of length 0 in the same sector are not read; a track
    // cut at the lead-out runs on through the others.
    {"MpegavRecordLengthZero", Found::Nothing}, {"TrackRecordLengthZero", Found::Plays, "01 of 1"},
    {"RootSizeNearFFFFFFFF", Found::Nothing}, {"MpegavSizeNearFFFFFFFF", Found::Nothing}, {"TrackSizeFFFFFFFF", Found::Plays},
    {"TrackExtentInSystemArea", Found::NeverPlays}, {"TrackExtentPastLeadOut", Found::NeverPlays},
    {"TrackExtentAtLastSector", Found::NeverPlays}, {"TrackExtentAtFFFFFFFF", Found::NeverPlays},
    {"VolumeDescriptorZeroed", Found::Nothing}, {"FileSystemRandom", Found::Nothing},
    // The tracks' contents.
    {"TrackZeroedPayload", Found::NeverPlays}, {"TrackRandomPayload", Found::NeverPlays},
    // Sheets with more than 99 tracks or times that are not times are refused as images; an empty
    // one opens its BIN as a single data track.
    {"HundredTwentyTracks", Found::Nothing}, {"TimesOutOfRange", Found::Nothing}, {"TimesNotNumbers", Found::Nothing},
    {"FramesPast74", Found::Nothing}, {"IndexGoesBackwards", Found::Plays}, {"TrackNumbersOutOfOrder", Found::Nothing},
    {"NoTracks", Found::Nothing}, {"Empty", Found::Plays}, {"LongLine", Found::Nothing},
};
INSTANTIATE_TEST_SUITE_P(FromThePal3Image, MalformedImage, ::testing::ValuesIn(kMalformations), caseName);

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
