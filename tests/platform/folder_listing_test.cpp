// Folders and files of real Video CD images, found by any spelling.
#include <gtest/gtest.h>

#include "tests/support/media.h"

using namespace vcd;
using namespace vcd::platform;

using vcd::test::names;

namespace {

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
