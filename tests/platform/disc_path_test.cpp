#include "platform/disc_path.h"

#include <gtest/gtest.h>

using namespace vcd;

TEST(DiscPath, SplitsOnlyWellFormedDiscPaths) {
  const std::pair<const char*, const char*> good[] = {{"cdrom://D/Mpegav/AVSEQ01.DAT", "/Mpegav/AVSEQ01.DAT"},
                                                      {"cdrom://e", "/"},
                                                      {"cdrom://z/", "/"},
                                                      {"cdrom://D/a..b/.hidden", "/a..b/.hidden"}};
  for (const auto& [path, inside] : good) {
    const auto p = disc_path::parse(path);
    ASSERT_TRUE(p) << path;
    EXPECT_EQ(p->letter, QChar(path[8]).toUpper()) << path;
    EXPECT_EQ(p->path, inside) << path;
  }
  for (const char* bad : {"", "/media/cdrom/MPEGAV/AVSEQ01.DAT", "D:/Mpegav", "file:///tmp/x.dat", "cdrom:/D/x",
                          "cdrom://", "cdrom://DE/Mpegav", "cdrom://1/Mpegav", "cdrom://D:/Mpegav", " cdrom://D/x",
                          "cdrom://D/..", "cdrom://D/Mpegav/../../etc/passwd", "cdrom://\u00c9/x"})
    EXPECT_FALSE(disc_path::isDiscPath(QString::fromUtf8(bad))) << bad;
}

TEST(DiscPath, FoldersAndJoinedNamesStayDiscPathsLocalOnesStayLocal) {
  EXPECT_EQ(disc_path::driveFolder(QChar('d'), "/Mpegav"), "cdrom://D/Mpegav");
  EXPECT_EQ(disc_path::parse("cdrom://d/Mpegav/AVSEQ01.DAT")->text(), "cdrom://D/Mpegav/AVSEQ01.DAT");  // as shown
  EXPECT_EQ(disc_path::driveFolder(QChar('E'), ""), "cdrom://E/");
  EXPECT_EQ(disc_path::join("cdrom://D/Mpegav", "AVSEQ01.DAT"), "cdrom://D/Mpegav/AVSEQ01.DAT");
  EXPECT_EQ(disc_path::join("cdrom://D/", "AVSEQ01.DAT"), "cdrom://D/AVSEQ01.DAT");
  EXPECT_EQ(disc_path::join("/media/vcd/MPEGAV", "AVSEQ01.DAT"), "/media/vcd/MPEGAV/AVSEQ01.DAT");
  EXPECT_FALSE(disc_path::isDiscPath("/media/vcd/MPEGAV/AVSEQ01.DAT"));
}
