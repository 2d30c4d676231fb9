// Hostile disc images, one table per kind of trick: names that lead to FIFOs, devices or out of
// the image's folder; sheets that describe impossible discs; NRG images whose structure lies
// outside the file; ISO 9660 folders with records that do not fit. Each is put into the virtual
// drive of a window with the real engine: the window says it found no movies, one line in the
// log says why, and the next good disc plays.
#include "fuzz/targets.h"
#include "fuzz/disc_mutations.h"
#include "tests/support/real_window.h"

#include <QtEndian>
#include <sys/stat.h>
#include <functional>

namespace vcd::test {
namespace {

using namespace fuzz::mutations;

QStringList logged;  // warnings of the disc layer during a case
void keepDiscWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && QByteArray(context.category ? context.category : "").startsWith("vcd.")) logged << message;
}

struct HostileCase {
  const char* name;
  // Builds the image in the folder (a copy of pal3.bin lies there as good.bin) and returns its path.
  std::function<QString(const QDir&)> make;
  const char* logSays;  // part of the warning that says why
};

class HostileImage : public RealWindow, public ::testing::WithParamInterface<HostileCase> {
 protected:
  void SetUp() override {
    logged.clear();
    previous_ = qInstallMessageHandler(&keepDiscWarnings);
  }
  void TearDown() override {
    qInstallMessageHandler(previous_);
    RealWindow::TearDown();
  }
  QtMessageHandler previous_ = nullptr;
};

TEST_P(HostileImage, NothingFoundOneLineLoggedAndTheNextDiscPlays) {
  const QDir d(dir.path());
  ASSERT_TRUE(QFile::copy(mediaPath("pal3.bin"), d.filePath("good.bin")));
  const QString image = GetParam().make(d);
  drives.insertImage(image);  // refused, or taken and then found empty
  openWindow();
  ASSERT_TRUE(waitFor([&] { return w->lblDisplay->text() == kNoMovies || playing(); }));
  EXPECT_EQ(w->lblDisplay->text(), kNoMovies);
  EXPECT_TRUE(logged.join('\n').contains(QLatin1String(GetParam().logSays))) << logged.join('\n').toStdString();
  goodDiscPlays();
}

QByteArray cueFor(const QByteArray& binName) {
  return "FILE \"" + binName + "\" BINARY\n  TRACK 01 MODE2/2352\n    INDEX 01 00:00:00\n";
}
QString sheet(const QDir& d, const char* name, const QByteArray& text) {
  writeFile(d.filePath(name), text);
  return d.filePath(name);
}
QString fifo(const QDir& d, const char* name) {
  EXPECT_EQ(::mkfifo(QFile::encodeName(d.filePath(name)).constData(), 0600), 0);
  return d.filePath(name);
}

// Opening a FIFO would block the window for good; none of these may even be opened.
const HostileCase kNames[] = {
    {"CueNamingAFifo", [](const QDir& d) { return fifo(d, "disc.bin"), sheet(d, "disc.cue", cueFor("disc.bin")); }, "FIFO"},
    {"SheetThatIsAFifo", [](const QDir& d) { return fifo(d, "disc.cue"); }, "FIFO"},
    {"TocDataFileThatIsAFifo",
     [](const QDir& d) { return fifo(d, "data.img"), sheet(d, "disc.toc", "TRACK MODE2_RAW\nDATAFILE \"data.img\"\n"); }, "FIFO"},
    {"SymlinkOutOfTheFolder",
     [](const QDir& d) {
       d.mkdir("sheets");
       QFile::link(d.filePath("good.bin"), d.filePath("sheets/disc.bin"));
       return sheet(d, "sheets/disc.cue", cueFor("disc.bin"));
     }, "leads out"},
    {"DeviceBesideTheSheet",
     [](const QDir& d) { return QFile::link("/dev/zero", d.filePath("zero.bin")), sheet(d, "disc.cue", cueFor("zero.bin")); },
     "leads out"},
    {"FolderNamedLikeTheBin", [](const QDir& d) { return d.mkdir("disc.bin"), sheet(d, "disc.cue", cueFor("disc.bin")); }, "a folder"},
    {"TocAbsoluteDataFile", [](const QDir& d) { return sheet(d, "disc.toc", "TRACK MODE2_RAW\nDATAFILE \"/etc/passwd\"\n"); },
     "is not in"},
};
INSTANTIATE_TEST_SUITE_P(Names, HostileImage, ::testing::ValuesIn(kNames), [](const auto& info) { return std::string(info.param.name); });

QByteArray tocTracks(int count) {
  QByteArray toc = "CD_ROM_XA\n";
  for (int t = 0; t < count; ++t) toc += "TRACK MODE2_RAW\nDATAFILE \"good.bin\" 00:00:01\n";
  return toc;
}

const HostileCase kSheets[] = {
    {"TocWith150Tracks", [](const QDir& d) { return sheet(d, "disc.toc", tocTracks(150)); }, "more than 99 tracks"},
    {"TocOffsetPastItsFile",
     [](const QDir& d) { return sheet(d, "disc.toc", "TRACK MODE2_RAW\nDATAFILE \"good.bin\" #4000000000\n"); }, "past its end"},
    {"TocLengthPastItsFile",
     [](const QDir& d) { return sheet(d, "disc.toc", "TRACK MODE2_RAW\nDATAFILE \"good.bin\" #2352 60:00:00\n"); },
     "past its end"},
    {"TocUnclosedCdText", [](const QDir& d) { return sheet(d, "disc.toc", "CD_TEXT { LANGUAGE 0 {\n" + tocTracks(1)); }, "CD_TEXT"},
    {"CueTrackBeforeFile", [](const QDir& d) { return sheet(d, "disc.cue", "TRACK 01 MODE2/2352\n" + cueFor("good.bin")); },
     "before any FILE"},
    {"CueWaveFile", [](const QDir& d) { return sheet(d, "disc.cue", cueFor("good.bin").replace("BINARY", "WAVE")); }, "WAVE"},
};
INSTANTIATE_TEST_SUITE_P(Sheets, HostileImage, ::testing::ValuesIn(kSheets), [](const auto& info) { return std::string(info.param.name); });

// An NRG: `data` followed by `chunks` and a footer pointing at `offset` (the chunks by default).
QString nrg(const QDir& d, const QByteArray& data, const QByteArray& chunks, qint64 offset = -1) {
  char footer[8];
  qToBigEndian<quint64>(static_cast<quint64>(offset < 0 ? data.size() : offset), footer);
  writeFile(d.filePath("disc.nrg"), data + chunks + "NER5" + QByteArray(footer, 8));
  return d.filePath("disc.nrg");
}
QByteArray pal3Bin() { return readFile(mediaPath("pal3.bin")); }

const HostileCase kNrg[] = {
    {"FooterOffsetZeroIntoZeros", [](const QDir& d) { return nrg(d, QByteArray(20000, '\0'), {}, 0); }, "unknown chunk"},
    {"FooterOffsetPastTheEnd", [](const QDir& d) { return nrg(d, pal3Bin(), fuzz::nrgChunks(pal3Bin().size()), 1ll << 40); },
     "past the end"},
    {"NoFooter", [](const QDir& d) { return sheet(d, "disc.nrg", pal3Bin()); }, "no NRG footer"},
    {"ChainWithoutEnd", [](const QDir& d) { return nrg(d, pal3Bin(), fuzz::nrgChunks(pal3Bin().size()).chopped(8)); }, "runs past"},
    {"ChunkLongerThanTheImage",
     [](const QDir& d) {
       QByteArray chunks = fuzz::nrgChunks(pal3Bin().size());
       qToBigEndian<quint32>(0x7FFFFFFF, chunks.data() + 4);
       return nrg(d, pal3Bin(), chunks);
     }, "runs past the footer"},
    {"TrackDataPastTheChunks",
     [](const QDir& d) { return nrg(d, pal3Bin(), fuzz::nrgChunks(qint64(pal3Bin().size()) * 2)); }, "outside the image"},
    {"HundredTracks",
     [](const QDir& d) {
       QByteArray chunks = fuzz::nrgChunks(pal3Bin().size());
       QByteArray table(100 * 32, '\0');
       for (int t = 0; t < 100; ++t) qToBigEndian<quint32>(3, table.data() + t * 32 + 16);
       char length[4];
       qToBigEndian<quint32>(static_cast<quint32>(table.size()), length);
       return nrg(d, pal3Bin(), "ETN2" + QByteArray(length, 4) + table + chunks.mid(8 + 32));
     }, "claims 3200 bytes"},
};
INSTANTIATE_TEST_SUITE_P(Nrg, HostileImage, ::testing::ValuesIn(kNrg), [](const auto& info) { return std::string(info.param.name); });

// A BIN/CUE image of pal3 with its directory changed: `change` gets the BIN and the offset of
// the MPEGAV record in the root folder.
QString withRecords(const QDir& d, const std::function<void(QByteArray&, qsizetype)>& change) {
  QByteArray bin = pal3Bin();
  const qsizetype mpegav = recordOf(bin, "MPEGAV");
  EXPECT_GT(mpegav, 0);
  change(bin, mpegav);
  writeFile(d.filePath("disc.bin"), bin);
  return sheet(d, "disc.cue", cueFor("disc.bin"));
}

const HostileCase kIsoRecords[] = {
    // The record before MPEGAV in the root (EXT) is shorter than a record's fixed part.
    {"TwentyByteRecordBeforeMpegav",
     [](const QDir& d) { return withRecords(d, [](QByteArray& b, qsizetype) { b[recordOf(b, "EXT")] = 20; }); },
     "malformed directory record"},
    {"NameRunningPastItsRecord", [](const QDir& d) { return withRecords(d, [](QByteArray& b, qsizetype r) { b[r + 32] = 120; }); },
     "malformed directory record"},
    {"FolderLeadingBackToTheRoot",
     [](const QDir& d) {
       return withRecords(d, [](QByteArray& b, qsizetype r) { setRecordLsn(b, r, recordLsn(b, userData(16) + 156)); });
     }, "lead back"},
    {"FolderPastTheDiscsEnd",
     [](const QDir& d) { return withRecords(d, [](QByteArray& b, qsizetype r) { setRecordLsn(b, r, 2000000); }); },
     "cannot read"},
};
INSTANTIATE_TEST_SUITE_P(IsoRecords, HostileImage, ::testing::ValuesIn(kIsoRecords),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vcd::test
