// Disc images as people have them: sheets with a byte-order mark, extensions in any case, cdrdao
// TOC files with relative data files, NRG images. Each must give exactly the tracks of the
// vcdimager image it was made from, whatever the working directory. And the disc opened for a
// folder is kept for the next track of that folder.
#include "fuzz/targets.h"
#include "tests/platform/disc_fixtures.h"

#include <QDir>
#include <QtEndian>
#include <functional>
#include <unistd.h>

using namespace vcd;
using namespace vcd::platform;

namespace {

void write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  f.write(bytes);
}

QByteArray pal3Cue() {
  QFile f(test::mediaPath("pal3.cue"));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Track starts of pal3 (from its cue sheet) as TOC lengths.
const char* const kPal3Toc =
    "CD_ROM_XA\n"
    "CD_TEXT { LANGUAGE_MAP { 0 : EN } LANGUAGE 0 { TITLE \"pal3\" } }\n"
    "TRACK MODE2_RAW\nNO COPY\nDATAFILE \"%1\" 00:04:00 // the ISO 9660 track\n"
    "TRACK MODE2_RAW\nDATAFILE \"%1\" #705600 00:03:74\n"
    "TRACK MODE2_RAW\nDATAFILE \"%1\" #1408848 00:03:74\n"
    "TRACK MODE2_RAW\nDATAFILE \"%1\" #2112096\n";

struct OddImage {
  const char* name;
  // Writes the image into the folder (pal3.bin is there as disc.bin) and returns the path to insert.
  std::function<QString(const QDir&)> make;
};

const OddImage kOddImages[] = {
    {"CueWithByteOrderMark", [](const QDir& d) {
       write(d.filePath("disc.cue"), "\xEF\xBB\xBF" + pal3Cue().replace("pal3.bin", "disc.bin").replace("\n", "\r\n"));
       return d.filePath("disc.cue");
     }},
    {"SheetNamedInMixedCase", [](const QDir& d) {
       write(d.filePath("disc.Cue"), pal3Cue().replace("pal3.bin", "DISC.BIN"));
       return d.filePath("disc.Cue");
     }},
    {"BinInUpperCaseThroughItsSheet", [](const QDir& d) {
       QFile::rename(d.filePath("disc.bin"), d.filePath("DISC.BIN"));
       write(d.filePath("disc.cue"), pal3Cue().replace("pal3.bin", "disc.bin"));
       return d.filePath("DISC.BIN");
     }},
    {"CdTextFileIsNotNeeded", [](const QDir& d) {
       write(d.filePath("disc.cue"), "CDTEXTFILE \"/etc/hostname\"\n" + pal3Cue().replace("pal3.bin", "disc.bin"));
       return d.filePath("disc.cue");
     }},
    {"TocWithRelativeDataFiles", [](const QDir& d) {
       write(d.filePath("disc.TOC"), QString::fromLatin1(kPal3Toc).arg("disc.bin").toLatin1());
       return d.filePath("disc.TOC");
     }},
    {"NrgImage", [](const QDir& d) {
       QFile bin(d.filePath("disc.bin"));
       EXPECT_TRUE(bin.open(QIODevice::ReadOnly));
       QByteArray nrg = bin.readAll();
       const qint64 data = nrg.size();
       nrg += fuzz::nrgChunks(data);
       char footer[8];
       qToBigEndian<quint64>(static_cast<quint64>(data), footer);
       write(d.filePath("disc.nrg"), nrg + "NER5" + QByteArray(footer, 8));
       return d.filePath("disc.nrg");
     }},
};

class OddButValidImage : public ::testing::TestWithParam<OddImage> {};

TEST_P(OddButValidImage, GivesTheTracksOfTheImageItWasMadeFrom) {
  QTemporaryDir dir, elsewhere;
  ASSERT_TRUE(QFile::copy(test::mediaPath("pal3.bin"), dir.filePath("disc.bin")));
  const QString image = GetParam().make(QDir(dir.path()));
  auto reference = test::driveWithImage(test::mediaPath("pal3.cue"));

  // Started from another folder: names in the sheet are found beside it, not here.
  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
  auto m = test::driveWithImage(image);
  QDir::setCurrent(before);

  const auto listing = m->listFolder("cdrom://D/MPEGAV");
  ASSERT_EQ(listing.size(), 3u);
  for (const char* track : {"AVSEQ01.DAT", "AVSEQ03.DAT"}) {
    const QString path = QStringLiteral("cdrom://D/MPEGAV/") + track;
    EXPECT_EQ(test::readToEnd(*m->openFile(path)), test::readToEnd(*reference->openFile(path))) << track;
  }
}

INSTANTIATE_TEST_SUITE_P(Images, OddButValidImage, ::testing::ValuesIn(kOddImages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KeptDisc, ATrackChangeInTheFolderOpensNothingTheTrayAndANewDiscDo) {
  auto m = test::driveWithImage(test::mediaPath("pal3.cue"));
  m->listFolder("cdrom://D/MPEGAV");
  auto first = m->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT");
  auto again = m->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT");  // the same name handed over twice
  auto next = m->openFile("cdrom://D/Mpegav/avseq02.dat");
  EXPECT_EQ(m->discsOpened(), 1);
  EXPECT_EQ(test::readToEnd(*first), test::readToEnd(*again));

  m->ejectVirtualDisc();  // the tray opens: the kept disc is closed
  EXPECT_THROW(m->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT"), DiscError);
  m->closeVirtualDisc();
  m->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT");
  m->listFolder("cdrom://D/MPEGAV");
  EXPECT_EQ(m->discsOpened(), 2);

  ASSERT_TRUE(m->insertImage(test::mediaPath("ntsc3.cue")));  // another disc
  EXPECT_EQ(m->listFolder("cdrom://D/MPEGAV").size(), 3u);
  m->releaseDisc();
  m->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT");
  EXPECT_EQ(m->discsOpened(), 4);
}

}  // namespace
