#include "tests/platform/disc_fixtures.h"

#include <sys/sysmacros.h>

#include <algorithm>

using namespace vcd;
using namespace vcd::platform;

namespace {
OpticalDevice dev(const char* path, unsigned minor) { return {QString::fromUtf8(path), makedev(11, minor)}; }
std::vector<QString> devices(const std::vector<DriveRoot>& roots) {
  std::vector<QString> out;
  for (const auto& r : roots) out.push_back(r.device);
  return out;
}
}  // namespace

TEST(DriveTable, OneEntryPerDriveInDeviceNumberOrder) {
  std::vector<OpticalDevice> found = {dev("/dev/cdrom", 0), dev("/dev/sr10", 10), dev("/dev/dvd", 2),
                                      dev("/dev/sr2", 2), dev("/dev/sr0", 0)};
  const std::vector<QString> expected = {"/dev/sr0", "/dev/sr2", "/dev/sr10"};
  EXPECT_EQ(uniqueDrives(found), expected);
  std::reverse(found.begin(), found.end());  // the order names are found in does not matter
  EXPECT_EQ(uniqueDrives(found), expected);
  EXPECT_TRUE(uniqueDrives({}).empty());
}

TEST(DriveTable, LettersRunFromDToZ) {
  EXPECT_TRUE(assignDriveLetters({}).empty());
  const auto three = assignDriveLetters({"/dev/sr0", "/dev/sr1", "/dev/sr2"});
  ASSERT_EQ(three.size(), 3u);
  EXPECT_EQ(QString(three[0].letter) + three[1].letter + three[2].letter, "DEF");
  EXPECT_EQ(three[1].device, "/dev/sr1");
  for (const auto& r : three) EXPECT_EQ(r.type, DriveType::CdRom);

  std::vector<QString> many;
  for (int i = 0; i < 30; ++i) many.push_back(QStringLiteral("/dev/sr%1").arg(i));
  const auto roots = assignDriveLetters(many);
  ASSERT_EQ(roots.size(), 23u);  // D..Z; the rest get no letter
  EXPECT_EQ(roots.back().letter, QChar('Z'));
  EXPECT_EQ(roots.back().device, "/dev/sr22");
}

TEST(DriveTable, VirtualDriveComesBeforeTheMachinesDrives) {
  std::vector<OpticalDevice> attached = {dev("/dev/cdrom", 0), dev("/dev/sr1", 1), dev("/dev/sr0", 0)};
  LinuxDriveManager m([&] { return attached; });
  EXPECT_EQ(devices(m.driveRoots()), (std::vector<QString>{"/dev/sr0", "/dev/sr1"}));

  const QString image = test::mediaPath("pal3.cue");
  ASSERT_TRUE(m.insertImage(image));
  const auto roots = m.driveRoots();
  EXPECT_EQ(devices(roots), (std::vector<QString>{image, "/dev/sr0", "/dev/sr1"}));
  EXPECT_EQ(roots[0].letter, QChar('D'));
  EXPECT_EQ(roots[2].letter, QChar('F'));

  attached.pop_back();  // a drive unplugged: the next enumeration shows it
  attached.pop_back();
  EXPECT_EQ(devices(m.driveRoots()), (std::vector<QString>{image, "/dev/cdrom"}));

  EXPECT_NO_THROW(m.listFolder("cdrom://d/"));
  EXPECT_THROW(m.listFolder("cdrom://E/"), DiscError);  // named, but no such device on this machine
  EXPECT_THROW(m.listFolder("cdrom://F/"), DiscError);  // no drive F any more
  EXPECT_THROW(m.openFile("cdrom://Q/MPEGAV/AVSEQ01.DAT"), DiscError);
  EXPECT_THROW(m.listFolder("/tmp"), DiscError);
}

TEST(DriveTable, RecognisesAndOpensDiscImages) {
  for (const char* name : {"a.cue", "A.CUE", "x.Bin", "disc.toc", "d.NRG", "/m/d.iso"})
    EXPECT_TRUE(LinuxDriveManager::looksLikeDiscImage(name)) << name;
  for (const char* name : {"a.mpg", "AVSEQ01.DAT", "cue", "x.cue.txt", ""})
    EXPECT_FALSE(LinuxDriveManager::looksLikeDiscImage(name)) << name;

  QTemporaryDir dir;
  QFile bogus(dir.filePath("bogus.cue"));
  ASSERT_TRUE(bogus.open(QIODevice::WriteOnly));
  bogus.write("this is not a cue sheet\n");
  bogus.close();
  QFile::copy(test::mediaPath("pal3.bin"), dir.filePath("lonely.bin"));

  auto m = test::driveWithImage(test::mediaPath("ntsc3.cue"));
  EXPECT_FALSE(m->insertImage(dir.filePath("missing.cue")));
  EXPECT_FALSE(m->insertImage(bogus.fileName()));
  EXPECT_FALSE(m->insertImage(dir.filePath("lonely.bin")));  // no cue sheet beside it
  EXPECT_FALSE(m->insertImage(test::mediaPath("pal3.bin") + ".mpg"));
  EXPECT_EQ(m->driveRoots().at(0).device, test::mediaPath("ntsc3.cue"));  // failures left the disc in
  EXPECT_EQ(m->listFolder("cdrom://D/MPEGAV").size(), 3u);

  // A .bin opens through its cue sheet, and the drive shows the file the user chose.
  ASSERT_TRUE(m->insertImage(test::mediaPath("pal25.bin")));
  EXPECT_EQ(m->driveRoots().at(0).device, test::mediaPath("pal25.bin"));
  EXPECT_EQ(m->listFolder("cdrom://D/MPEGAV").size(), 25u);
}

namespace vcd::platform {
namespace {

// Cue sheets as they come from ripping tools: the BIN named otherwise than the sheet, in another
// case, or with the ripper's own folder in front of it.
TEST(DriveTable, OpensCueSheetsWhoseBinIsNamedOtherwise) {
  QTemporaryDir dir;
  ASSERT_TRUE(QFile::copy(test::mediaPath("pal3.bin"), dir.filePath("Movie Disc.BIN")));
  QFile original(test::mediaPath("pal3.cue"));
  ASSERT_TRUE(original.open(QIODevice::ReadOnly));
  const QByteArray sheet = original.readAll();
  auto writeSheet = [&](const char* name, const QByteArray& fileLine) {
    QByteArray text = sheet;
    text.replace("FILE \"pal3.bin\" BINARY", fileLine);
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    return f.fileName();
  };

  auto m = test::driveWithImage(QString());
  EXPECT_TRUE(m->insertImage(writeSheet("movie.cue", "FILE \"Movie Disc.BIN\" BINARY")));
  EXPECT_EQ(m->listFolder("cdrom://D/MPEGAV").size(), 3u);
  EXPECT_TRUE(m->insertImage(writeSheet("rip.cue", "FILE \"C:\\rips\\movie disc.bin\" BINARY")));
  const QByteArray track = test::readToEnd(*m->openFile("cdrom://D/MPEGAV/AVSEQ02.DAT"));
  EXPECT_GT(track.size(), 0);
  EXPECT_EQ(track.size() % 2324, 0);
  // A sheet cannot send the reader outside its own folder.
  EXPECT_FALSE(m->insertImage(writeSheet("escape.cue", "FILE \"../../../etc/passwd\" BINARY")));
}

}  // namespace
}  // namespace vcd::platform
