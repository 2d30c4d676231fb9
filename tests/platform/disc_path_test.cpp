#include "platform/disc_path.h"

#include <gtest/gtest.h>

using namespace vcd;

TEST(DiscPath, SplitsLetterAndPath) {
  const std::pair<const char*, const char*> cases[] = {{"cdrom://D/Mpegav/AVSEQ01.DAT", "/Mpegav/AVSEQ01.DAT"},
                                                       {"cdrom://e", "/"},
                                                       {"cdrom://z/", "/"},
                                                       {"cdrom://D/a..b/.hidden", "/a..b/.hidden"}};
  for (const auto& [path, inside] : cases) {
    const auto p = disc_path::parse(path);
    ASSERT_TRUE(p) << path;
    EXPECT_EQ(p->letter, QChar(path[8]).toUpper()) << path;
    EXPECT_EQ(p->path, inside) << path;
  }
}

TEST(DiscPath, RejectsEverythingElse) {
  for (const char* bad : {"", "/media/cdrom/MPEGAV/AVSEQ01.DAT", "D:/Mpegav", "file:///tmp/x.dat", "cdrom:/D/x",
                          "cdrom//D/x", "cdrom://", "cdrom:///Mpegav", "cdrom://DE/Mpegav", "cdrom://1/Mpegav",
                          "cdrom://D:/Mpegav", "cdrom://D\\Mpegav", " cdrom://D/x", "cdrom://D/..",
                          "cdrom://D/Mpegav/../../etc/passwd", "cdrom://D/../x"}) {
    EXPECT_FALSE(disc_path::parse(QString::fromUtf8(bad))) << bad;
    EXPECT_FALSE(disc_path::isDiscPath(QString::fromUtf8(bad))) << bad;
  }
  EXPECT_FALSE(disc_path::parse(QString::fromUtf8("cdrom://\u00c9/x")));  // only A-Z name drives
}

TEST(DiscPath, BuildsFoldersAndJoinsNames) {
  const QString folder = disc_path::driveFolder(QChar('d'), "Mpegav");
  EXPECT_EQ(folder, "cdrom://D/Mpegav");
  EXPECT_EQ(disc_path::driveFolder(QChar('E'), ""), "cdrom://E/");
  EXPECT_EQ(disc_path::driveFolder(QChar('E'), "/Mpegav"), "cdrom://E/Mpegav");

  const QString file = disc_path::join(folder, "AVSEQ01.DAT");
  EXPECT_EQ(file, "cdrom://D/Mpegav/AVSEQ01.DAT");
  EXPECT_TRUE(disc_path::isDiscPath(file));
  EXPECT_EQ(disc_path::parse(file)->path, "/Mpegav/AVSEQ01.DAT");
  EXPECT_EQ(disc_path::join("cdrom://D/", "AVSEQ01.DAT"), "cdrom://D/AVSEQ01.DAT");

  // Local folders join the same way and stay local paths.
  EXPECT_EQ(disc_path::join("/media/vcd/MPEGAV", "AVSEQ01.DAT"), "/media/vcd/MPEGAV/AVSEQ01.DAT");
  EXPECT_FALSE(disc_path::isDiscPath(disc_path::join("/media/vcd", "x.dat")));
}
