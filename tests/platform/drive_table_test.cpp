// The machine's optical drives as the drive table lists them, and the virtual drive before them.
#include <sys/sysmacros.h>

#include <algorithm>
#include <gtest/gtest.h>

#include "tests/support/media.h"

using namespace vcd;
using namespace vcd::platform;

namespace {

OpticalDevice dev(const char* path, unsigned minor) { return {QString::fromUtf8(path), makedev(11, minor)}; }
std::vector<QString> devices(const std::vector<DriveRoot>& roots) {
  std::vector<QString> out;
  for (const auto& r : roots) out.push_back(r.device);
  return out;
}

TEST(DriveTable, OneEntryPerDriveInDeviceNumberOrderLetteredFromDToZ) {
  std::vector<OpticalDevice> found = {dev("/dev/cdrom", 0), dev("/dev/sr10", 10), dev("/dev/dvd", 2),
                                      dev("/dev/sr2", 2), dev("/dev/sr0", 0)};
  const std::vector<QString> expected = {"/dev/sr0", "/dev/sr2", "/dev/sr10"};
  EXPECT_EQ(uniqueDrives(found), expected);
  std::reverse(found.begin(), found.end());
  EXPECT_EQ(uniqueDrives(found), expected);

  std::vector<QString> many;
  for (int i = 0; i < 30; ++i) many.push_back(QStringLiteral("/dev/sr%1").arg(i));
  const auto roots = assignDriveLetters(many);
  ASSERT_EQ(roots.size(), 23u);  // D..Z; the rest get no letter
  EXPECT_EQ(QString(roots[0].letter) + roots[1].letter + roots.back().letter, "DEZ");
  EXPECT_EQ(roots.back().device, "/dev/sr22");
  EXPECT_EQ(roots[0].type, DriveType::CdRom);
}

TEST(DriveTable, VirtualDriveComesFirstAndUnpluggedDrivesGo) {
  std::vector<OpticalDevice> attached = {dev("/dev/cdrom", 0), dev("/dev/sr1", 1), dev("/dev/sr0", 0)};
  LinuxDriveManager m([&] { return attached; });
  EXPECT_EQ(devices(m.driveRoots()), (std::vector<QString>{"/dev/sr0", "/dev/sr1"}));
  const QString image = test::mediaPath("pal3.cue");
  ASSERT_TRUE(m.insertImage(image));
  const auto roots = m.driveRoots();
  EXPECT_EQ(devices(roots), (std::vector<QString>{image, "/dev/sr0", "/dev/sr1"}));
  EXPECT_EQ(QString(roots[0].letter) + roots[2].letter, "DF");

  attached.resize(1);  // unplugged: the next enumeration shows it
  EXPECT_EQ(devices(m.driveRoots()), (std::vector<QString>{image, "/dev/cdrom"}));
  EXPECT_NO_THROW(m.listFolder("cdrom://d/"));
  for (const char* path : {"cdrom://E/", "cdrom://F/", "/tmp"}) EXPECT_THROW(m.listFolder(path), DiscError) << path;
  EXPECT_THROW(m.openFile("cdrom://Q/MPEGAV/AVSEQ01.DAT"), DiscError);

  // What the media applet calls the disc: the image's own name; nothing for a drive whose disc
  // cannot be read, and that is no failure.
  EXPECT_EQ(m.discName('d'), "pal3.cue");
  EXPECT_EQ(m.discName('E'), "");
}

}  // namespace
