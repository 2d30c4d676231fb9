#include "tests/platform/disc_fixtures.h"

using namespace vcd;
using namespace vcd::platform;

namespace {
QStringList names(const std::vector<FolderEntry>& entries) {
  QStringList out;
  for (const auto& e : entries) out << e.name;
  return out;
}
}  // namespace

class MpegavListing : public ::testing::TestWithParam<const char*> {};

TEST_P(MpegavListing, FindsTheTracksWhateverTheCaseWritten) {
  auto m = test::driveWithImage(test::mediaPath(GetParam()));
  const auto entries = m->listFolder("cdrom://D/mpegav");
  EXPECT_EQ(names(entries), QStringList({"AVSEQ01.DAT", "AVSEQ02.DAT", "AVSEQ03.DAT"}));
  for (const auto& e : entries) {
    EXPECT_FALSE(e.isFolder);
    EXPECT_GT(e.size, 0);
    EXPECT_EQ(e.size % 2324, 0) << "Form 2 tracks count 2,324 bytes a sector";
  }
  for (const char* spelling : {"cdrom://D/MPEGAV", "cdrom://d/Mpegav/", "cdrom://D//MPEGAV", "cdrom://D/./mpegav"}) {
    const auto again = m->listFolder(spelling);
    EXPECT_EQ(names(again), names(entries)) << spelling;
    EXPECT_EQ(again.at(0).size, entries.at(0).size) << spelling;
  }
  // Files open by any spelling too, with or without the version suffix.
  EXPECT_EQ(m->openFile("cdrom://D/mpegav/avseq02.dat")->size(), entries[1].size);
  EXPECT_EQ(m->openFile("cdrom://D/MPEGAV/AVSEQ02.DAT;1")->size(), entries[1].size);
}

INSTANTIATE_TEST_SUITE_P(PalAndNtsc, MpegavListing, ::testing::Values("pal3.cue", "ntsc3.cue"));

TEST(FolderListing, RootAndOtherFolders) {
  auto m = test::driveWithImage(test::mediaPath("pal3.cue"));
  const auto root = m->listFolder("cdrom://D");
  EXPECT_EQ(names(root), QStringList({"EXT", "MPEGAV", "VCD"}));
  for (const auto& e : root) EXPECT_TRUE(e.isFolder);
  EXPECT_EQ(names(m->listFolder("cdrom://D/")), names(root));

  // The Video CD's own files are ordinary Form 1 files: their recorded size stands.
  const auto vcd = m->listFolder("cdrom://D/vcd");
  ASSERT_TRUE(names(vcd).contains("INFO.VCD"));
  for (const auto& e : vcd) EXPECT_EQ(e.size, 2048) << e.name.toStdString();
  EXPECT_TRUE(m->listFolder("cdrom://D/EXT").empty());
}

TEST(FolderListing, TwentyFiveTracksInDiscOrder) {
  auto m = test::driveWithImage(test::mediaPath("pal25.cue"));
  const QStringList listed = names(m->listFolder("cdrom://D/Mpegav"));
  ASSERT_EQ(listed.size(), 25);
  for (int i = 0; i < 25; ++i) EXPECT_EQ(listed[i], QStringLiteral("AVSEQ%1.DAT").arg(i + 1, 2, 10, QChar('0')));
}

TEST(FolderListing, MpegavFolderWithoutTracks) {
  auto m = test::driveWithImage(test::mediaPath("notracks.cue"));
  const QStringList listed = names(m->listFolder("cdrom://D/Mpegav"));
  EXPECT_FALSE(listed.isEmpty());
  for (const QString& n : listed) {
    EXPECT_FALSE(n.endsWith(".DAT", Qt::CaseInsensitive)) << n.toStdString();
    EXPECT_FALSE(n.contains(';')) << n.toStdString();
  }
  EXPECT_THROW(m->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT"), DiscError);
  EXPECT_NO_THROW(m->openFile("cdrom://D/MPEGAV/avseq01.txt"));
}

TEST(FolderListing, MissingThingsThrow) {
  auto m = test::driveWithImage(test::mediaPath("pal3.cue"));
  for (const char* folder : {"cdrom://D/SEGMENT", "cdrom://D/MPEGAV/AVSEQ01.DAT", "cdrom://D/MPEGAV/AVSEQ01.DAT/x",
                             "cdrom://E/MPEGAV", "cdrom://D/MPEGAV/../VCD"})
    EXPECT_THROW(m->listFolder(folder), DiscError) << folder;
  for (const char* file : {"cdrom://D/MPEGAV", "cdrom://D/MPEGAV/AVSEQ04.DAT", "cdrom://D/AVSEQ01.DAT"})
    EXPECT_THROW(m->openFile(file), DiscError) << file;
  try {
    m->openFile("cdrom://D/MPEGAV/AVSEQ04.DAT");
  } catch (const DiscError& e) {
    EXPECT_NE(std::string(e.what()).find("cdrom://D/MPEGAV/AVSEQ04.DAT"), std::string::npos) << e.what();
  }
}

// A plain ISO (2,048-byte sectors) made of the Video CD's first track: the file system is all
// there, the tracks it points at are not.
TEST(FolderListing, PlainIsoImage) {
  test::ImageCopy copy("pal3");
  const QByteArray bin = copy.binBytes();
  QByteArray iso;
  for (int s = 0; s < 450; ++s) iso.append(bin.mid(s * test::kRawSector + 24, 2048));  // track 2 starts at 450
  QFile isoFile(copy.dir.filePath("track1.ISO"));
  ASSERT_TRUE(isoFile.open(QIODevice::WriteOnly));
  isoFile.write(iso);
  isoFile.close();

  auto fromIso = test::driveWithImage(isoFile.fileName());
  auto fromCue = test::driveWithImage(copy.cue);
  EXPECT_EQ(names(fromIso->listFolder("cdrom://D")), QStringList({"EXT", "MPEGAV", "VCD"}));
  auto info = fromIso->openFile("cdrom://D/VCD/INFO.VCD");
  const QByteArray infoBytes = test::readToEnd(*info);
  EXPECT_TRUE(infoBytes.startsWith("VIDEO_CD")) << infoBytes.left(8).toStdString();
  EXPECT_LT(info->nominalDuration(), 0);
  EXPECT_EQ(infoBytes, test::readToEnd(*fromCue->openFile("cdrom://D/VCD/INFO.VCD")));

  // The directory still names the tracks, but they lie past the end of this image.
  for (const auto& e : fromIso->listFolder("cdrom://D/MPEGAV")) EXPECT_EQ(e.size, 0) << e.name.toStdString();
  EXPECT_TRUE(test::readToEnd(*fromIso->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT")).isEmpty());
}
