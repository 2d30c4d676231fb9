// Disc images as people have them: sheets with a byte-order mark, extensions in any case, a BIN
// named otherwise than its sheet, cdrdao TOC files, NRG images. Each gives exactly the tracks of
// the vcdimager image it was made from, whatever the working directory. And the folders and files
// of real Video CD images, found by any spelling.
#include <QDir>
#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>

#include "fuzz/targets.h"
#include "tests/support/media.h"

using namespace vcd;
using namespace vcd::platform;

using vcd::test::names;

namespace {

QByteArray pal3Cue(const char* binName) { return test::readFile(test::mediaPath("pal3.cue")).replace("pal3.bin", binName); }

QString write(const QDir& d, const char* name, const QByteArray& bytes) { return test::writtenTo(d, name, bytes); }

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

class MpegavListing : public ::testing::TestWithParam<const char*> {};

TEST_P(MpegavListing, TracksOfWholeSectorsWhateverTheSpelling) {
  auto m = test::driveWithImage(test::mediaPath(GetParam()));
  const auto entries = m->listFolder("cdrom://D/mpegav");
  EXPECT_EQ(names(entries), QStringList({"AVSEQ01.DAT", "AVSEQ02.DAT", "AVSEQ03.DAT"}));
  for (const auto& e : entries) EXPECT_TRUE(!e.isFolder && e.size > 0 && e.size % test::kPayload == 0);
  for (const char* spelling : {"cdrom://D/MPEGAV", "cdrom://d/Mpegav/", "cdrom://D//MPEGAV", "cdrom://D/./mpegav"})
    EXPECT_EQ(names(m->listFolder(spelling)), names(entries)) << spelling;
  EXPECT_EQ(m->openFile("cdrom://D/mpegav/avseq02.dat")->size(), entries[1].size);
  EXPECT_EQ(m->openFile("cdrom://D/MPEGAV/AVSEQ02.DAT;1")->size(), entries[1].size);
}

INSTANTIATE_TEST_SUITE_P(PalAndNtsc, MpegavListing, ::testing::Values("pal3.cue", "ntsc3.cue"));

TEST(FolderListing, RootVideoCdFilesTwentyFiveTracksAndAFolderWithoutTracks) {
  auto m = test::driveWithImage(test::mediaPath("pal3.cue"));
  EXPECT_EQ(names(m->listFolder("cdrom://D")), QStringList({"EXT", "MPEGAV", "VCD"}));
  const auto vcd = m->listFolder("cdrom://D/vcd");  // ordinary Form 1 files: their recorded size stands
  ASSERT_TRUE(names(vcd).contains("INFO.VCD"));
  for (const auto& e : vcd) EXPECT_EQ(e.size, 2048) << e.name.toStdString();

  m = test::driveWithImage(test::mediaPath("pal25.cue"));
  const QStringList listed = names(m->listFolder("cdrom://D/Mpegav"));
  ASSERT_EQ(listed.size(), 25);
  EXPECT_EQ(listed.last(), "AVSEQ25.DAT");  // in disc order

  m = test::driveWithImage(test::mediaPath("notracks.cue"));
  for (const QString& n : names(m->listFolder("cdrom://D/Mpegav"))) EXPECT_TRUE(n.endsWith(".TXT")) << n.toStdString();
  EXPECT_THROW(m->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT"), DiscError);
}

TEST(FolderListing, MissingThingsThrowNamingWhatWasAskedFor) {
  auto m = test::driveWithImage(test::mediaPath("pal3.cue"));
  for (const char* folder : {"cdrom://D/SEGMENT", "cdrom://D/MPEGAV/AVSEQ01.DAT", "cdrom://E/MPEGAV", "cdrom://D/MPEGAV/../VCD"})
    EXPECT_THROW(m->listFolder(folder), DiscError) << folder;
  for (const char* file : {"cdrom://D/MPEGAV", "cdrom://D/AVSEQ01.DAT"}) EXPECT_THROW(m->openFile(file), DiscError) << file;
  try {
    m->openFile("cdrom://D/MPEGAV/AVSEQ04.DAT");
    ADD_FAILURE() << "a track that is not there opened";
  } catch (const DiscError& e) {
    EXPECT_NE(std::string(e.what()).find("cdrom://D/MPEGAV/AVSEQ04.DAT"), std::string::npos) << e.what();
  }
}

// A plain ISO (2,048-byte sectors) of the Video CD's first track: the file system is all there,
// the tracks it points at are not.
TEST(FolderListing, PlainIsoImageOfTheFirstTrack) {
  test::ImageCopy copy("pal3");
  const QByteArray bin = copy.binBytes();
  QByteArray iso;
  for (int s = 0; s < 450; ++s) iso.append(bin.mid(s * test::kRawSector + 24, 2048));  // track 2 starts at 450
  const QString isoPath = copy.dir.filePath("track1.ISO");
  test::writeFile(isoPath, iso);
  auto fromIso = test::driveWithImage(isoPath);
  auto fromCue = test::driveWithImage(copy.cue);
  const QByteArray info = test::readToEnd(*fromIso->openFile("cdrom://D/VCD/INFO.VCD"));
  EXPECT_TRUE(info.startsWith("VIDEO_CD"));
  EXPECT_EQ(info, test::readToEnd(*fromCue->openFile("cdrom://D/VCD/INFO.VCD")));
  for (const auto& e : fromIso->listFolder("cdrom://D/MPEGAV")) EXPECT_EQ(e.size, 0) << e.name.toStdString();
  EXPECT_TRUE(test::readToEnd(*fromIso->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT")).isEmpty());
}

}  // namespace
