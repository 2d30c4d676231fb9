// Disc images as people have them: sheets with a byte-order mark, extensions in any case, a BIN
// named otherwise than its sheet, cdrdao TOC files, NRG images. Each gives exactly the tracks of
// the vcdimager image it was made from, whatever the working directory.
#include <QDir>
#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>

#include "fuzz/targets.h"
#include "tests/support/media.h"

using namespace vcd;
using namespace vcd::platform;

namespace {

QByteArray pal3Cue(const char* binName) { return test::readFile(test::mediaPath("pal3.cue")).replace("pal3.bin", binName); }

QString write(const QDir& d, const char* name, const QByteArray& bytes) {
  test::writeFile(d.filePath(name), bytes);
  return d.filePath(name);
}

struct OddImage {
  const char* name;
  // Writes the image into the folder (pal3.bin lies there as disc.bin) and returns the path to insert.
  std::function<QString(const QDir&)> make;
};

const OddImage kOddImages[] = {
    {"CueWithByteOrderMarkAndCrLf",
     [](const QDir& d) { return write(d, "disc.cue", "\xEF\xBB\xBF" + pal3Cue("disc.bin").replace("\n", "\r\n")); }},
    {"SheetAndBinNamedInOtherCases", [](const QDir& d) { return write(d, "disc.Cue", pal3Cue("DISC.BIN")); }},
    {"BinChosenItselfOpensThroughItsSheet",
     [](const QDir& d) {
       QFile::rename(d.filePath("disc.bin"), d.filePath("DISC.BIN"));
       write(d, "disc.cue", pal3Cue("disc.bin"));
       return d.filePath("DISC.BIN");
     }},
    {"BinNamedOtherwiseWithTheRippersFolder",
     [](const QDir& d) {
       QFile::rename(d.filePath("disc.bin"), d.filePath("Movie Disc.BIN"));
       return write(d, "rip.cue", pal3Cue("C:\\rips\\movie disc.bin"));
     }},
    {"CdTextFileIsNotNeeded", [](const QDir& d) { return write(d, "disc.cue", "CDTEXTFILE \"/etc/hostname\"\n" + pal3Cue("disc.bin")); }},
    {"TocWithRelativeDataFiles",  // pal3's track starts as TOC lengths
     [](const QDir& d) {
       return write(d, "disc.TOC",
                    "CD_ROM_XA\nCD_TEXT { LANGUAGE_MAP { 0 : EN } LANGUAGE 0 { TITLE \"pal3\" } }\n"
                    "TRACK MODE2_RAW\nNO COPY\nDATAFILE \"disc.bin\" 00:04:00 // the ISO 9660 track\n"
                    "TRACK MODE2_RAW\nDATAFILE \"disc.bin\" #705600 00:03:74\n"
                    "TRACK MODE2_RAW\nDATAFILE \"disc.bin\" #1408848 00:03:74\n"
                    "TRACK MODE2_RAW\nDATAFILE \"disc.bin\" #2112096\n");
     }},
    {"NrgImage",
     [](const QDir& d) {
       const QByteArray bin = test::readFile(d.filePath("disc.bin"));
       char footer[8];
       qToBigEndian<quint64>(static_cast<quint64>(bin.size()), footer);
       return write(d, "disc.nrg", bin + fuzz::nrgChunks(bin.size()) + "NER5" + QByteArray(footer, 8));
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
  EXPECT_EQ(m->driveRoots().at(0).device, image);  // the drive shows the file the user chose
  ASSERT_EQ(m->listFolder("cdrom://D/MPEGAV").size(), 3u);
  for (const char* track : {"cdrom://D/MPEGAV/AVSEQ01.DAT", "cdrom://D/MPEGAV/AVSEQ03.DAT"})
    EXPECT_EQ(test::readToEnd(*m->openFile(track)), test::readToEnd(*reference->openFile(track))) << track;
}

INSTANTIATE_TEST_SUITE_P(Images, OddButValidImage, ::testing::ValuesIn(kOddImages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DiscImages, NamedLikeAnImageAndAFailedInsertLeavesTheDiscInTheDrive) {
  for (const char* name : {"a.cue", "A.CUE", "x.Bin", "disc.toc", "d.NRG", "/m/d.iso"})
    EXPECT_TRUE(LinuxDriveManager::looksLikeDiscImage(name)) << name;
  for (const char* name : {"a.mpg", "AVSEQ01.DAT", "cue", "x.cue.txt", ""})
    EXPECT_FALSE(LinuxDriveManager::looksLikeDiscImage(name)) << name;

  QTemporaryDir d;
  auto m = test::driveWithImage(test::mediaPath("ntsc3.cue"));
  EXPECT_FALSE(m->insertImage(write(QDir(d.path()), "bogus.cue", "not a cue sheet\n")));
  EXPECT_EQ(m->driveRoots().at(0).device, test::mediaPath("ntsc3.cue"));
  EXPECT_EQ(m->listFolder("cdrom://D/MPEGAV").size(), 3u);
}

}  // namespace
