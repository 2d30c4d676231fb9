#include "disc/disc_path.h"
#include "disc/file_names.h"
#include "disc/image_kinds.h"
#include "disc/iso9660_folders.h"

#include <gtest/gtest.h>

using namespace vcd;

TEST(DiscPath, SplitsOnlyWellFormedDiscPaths) {
  const std::pair<const char*, const char*> good[] = {{"cdrom://D/Mpegav/AVSEQ01.DAT", "/Mpegav/AVSEQ01.DAT"},
                                                      {"cdrom://e", "/"},
                                                      {"cdrom://z/", "/"},
                                                      {"cdrom://D/a..b/.hidden", "/a..b/.hidden"}};
  for (const auto& [path, inside] : good) {
    const auto p = disc::parsePath(path);
    ASSERT_TRUE(p) << path;
    EXPECT_EQ(p->letter, QChar(path[8]).toUpper()) << path;
    EXPECT_EQ(p->path, inside) << path;
  }
  for (const char* bad : {"", "/media/cdrom/MPEGAV/AVSEQ01.DAT", "D:/Mpegav", "file:///tmp/x.dat", "cdrom:/D/x",
                          "cdrom://", "cdrom://DE/Mpegav", "cdrom://1/Mpegav", "cdrom://D:/Mpegav", " cdrom://D/x",
                          "cdrom://D/..", "cdrom://D/Mpegav/../../etc/passwd", "cdrom://\u00c9/x"})
    EXPECT_FALSE(disc::isDiscPath(QString::fromUtf8(bad))) << bad;
}

TEST(DiscPath, FoldersAndJoinedNamesStayDiscPathsLocalOnesStayLocal) {
  EXPECT_EQ(disc::driveFolder(QChar('d'), "/Mpegav"), "cdrom://D/Mpegav");
  EXPECT_EQ(disc::parsePath("cdrom://d/Mpegav/AVSEQ01.DAT")->text(), "cdrom://D/Mpegav/AVSEQ01.DAT");  // as shown
  EXPECT_EQ(disc::driveFolder(QChar('E'), ""), "cdrom://E/");
  EXPECT_EQ(disc::join("cdrom://D/Mpegav", "AVSEQ01.DAT"), "cdrom://D/Mpegav/AVSEQ01.DAT");
  EXPECT_EQ(disc::join("cdrom://D/", "AVSEQ01.DAT"), "cdrom://D/AVSEQ01.DAT");
  EXPECT_EQ(disc::join("/media/vcd/MPEGAV", "AVSEQ01.DAT"), "/media/vcd/MPEGAV/AVSEQ01.DAT");
  EXPECT_FALSE(disc::isDiscPath("/media/vcd/MPEGAV/AVSEQ01.DAT"));
}

// Every byte string is a name and comes back as the same bytes; UTF-8 reads as itself.
TEST(FileNames, AnyBytesComeBackAsTheyWereUtf8ReadsAsText) {
  EXPECT_EQ(disc::nameFromBytes("Caf\xc3\xa9"), QString::fromUtf8("Caf\xc3\xa9"));
  EXPECT_EQ(disc::bytesOfName(QString::fromUtf8("Caf\xc3\xa9 \xf0\x9f\x93\x80")), QByteArray("Caf\xc3\xa9 \xf0\x9f\x93\x80"));
  for (const QByteArray& bytes : {QByteArray("caf\xe9-disc.cue"), QByteArray("\xff\xfe"), QByteArray("\xc3"),
                                 QByteArray("\xed\xb3\xa9"),  // a surrogate written as UTF-8
                                 QByteArray("\xe0\x80\xaf"), QByteArray("a\xf4\x90\x80\x80z")}) {
    const QString name = disc::nameFromBytes(bytes);
    EXPECT_EQ(disc::bytesOfName(name), bytes) << bytes.toHex().constData();
    EXPECT_FALSE(name.contains(QChar::ReplacementCharacter)) << bytes.toHex().constData();
  }
}

