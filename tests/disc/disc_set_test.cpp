// What a disc says of itself: the info record of VCD/INFO.VCD (SVCD/INFO.SVD), good records as
// vcdimager writes them and hostile ones, the records of the built set's discs read off their
// images; and the volume label.
#include "disc/disc_set.h"
#include "disc/iso9660_folders.h"
#include "disc_images.h"

#include <gtest/gtest.h>

using namespace vcd::disc;

namespace {

// A record's first 30 bytes: system id, version, profile, album id, count, number.
QByteArray record(const char* id, uint8_t version, const QByteArray& album, int count, int number) {
  QByteArray b(id, 8);
  b += char(version);
  b += '\0';
  b += album.leftJustified(16, ' ', true);
  for (int v : {count, number}) {
    b += char(v >> 8);
    b += char(v & 0xff);
  }
  return b + QByteArray(2018, '\0');  // the rest of the sector
}

}  // namespace

TEST(DiscSet, GoodAndHostileRecords) {
  struct Good {
    QByteArray bytes;
    DiscSetInfo want;
  };
  const Good good[] = {
      {record("VIDEO_CD", 2, "MYFILM", 2, 1), {"VIDEO_CD", 2, "MYFILM", 2, 1}},
      {record("VIDEO_CD", 1, "", 1, 1), {"VIDEO_CD", 1, "", 1, 1}},
      {record("SUPERVCD", 1, "SV FILM  ", 3, 3), {"SUPERVCD", 1, "SV FILM", 3, 3}},
      {record("HQ-VCD  ", 1, QByteArray("HQ\0garbage", 10), 2, 2), {"HQ-VCD", 1, "HQ", 2, 2}},
      {record("VIDEO_CD", 2, "A", 300, 258), {"VIDEO_CD", 2, "A", 300, 258}},  // both bytes of each number
      {record("VIDEO_CD", 2, "SHORT", 2, 2).left(30), {"VIDEO_CD", 2, "SHORT", 2, 2}},
  };
  for (const Good& g : good) {
    const auto info = parseDiscSetInfo(g.bytes);
    ASSERT_TRUE(info) << info.reason().toStdString() << " " << g.bytes.left(30).toHex().constData();
    EXPECT_EQ(*info, g.want) << g.bytes.left(30).toHex().constData();
  }
  const QByteArray hostile[] = {
      QByteArray(), record("VIDEO_CD", 2, "CUT", 2, 1).left(29), record("VIDEO_XX", 2, "A", 2, 1),
      record("video_cd", 2, "A", 2, 1), record("VIDEO_CD", 2, "A", 0, 0), record("VIDEO_CD", 2, "A", 2, 0),
      record("VIDEO_CD", 2, "A", 2, 3), record("VIDEO_CD", 2, "A", 1, 65535), record("VIDEO_CD", 2, "BAD\x1b[2J", 2, 1),
      QByteArray(2048, '\0'), QByteArray(2048, '\xff')};
  for (const QByteArray& h : hostile) EXPECT_FALSE(parseDiscSetInfo(h)) << h.left(30).toHex().constData();
}

TEST(DiscSet, NextDiscIsTheSameAlbumNumberedOneOn) {
  const DiscSetInfo first{"VIDEO_CD", 2, "FILM", 2, 1};
  EXPECT_TRUE(first.continues());
  EXPECT_TRUE(first.isFollowedBy({"VIDEO_CD", 2, "FILM", 2, 2}));
  EXPECT_TRUE(first.isFollowedBy({"SUPERVCD", 1, "FILM", 2, 2}));  // the system plays no part
  EXPECT_FALSE(first.isFollowedBy(first));
  EXPECT_FALSE(first.isFollowedBy({"VIDEO_CD", 2, "OTHER", 2, 2}));
  EXPECT_FALSE(first.isFollowedBy({"VIDEO_CD", 2, "FILM", 3, 2}));
  const DiscSetInfo last{"VIDEO_CD", 2, "FILM", 2, 2};
  EXPECT_FALSE(last.continues());
  EXPECT_FALSE(last.isFollowedBy({"VIDEO_CD", 2, "FILM", 2, 3}));
}

// What vcdimager writes, read off the built discs: the two of a set, a disc of another set and a
// Super Video CD.
TEST(DiscSet, BuiltDiscsCarryTheirSet) {
  struct Disc {
    const char* cue;
    const char16_t* file;
    DiscSetInfo want;
  };
  const Disc discs[] = {{"set1of2.cue", kVideoCdInfoFile, {"VIDEO_CD", 2, "VOREN_FILM", 2, 1}},
                        {"set2of2.cue", kVideoCdInfoFile, {"VIDEO_CD", 2, "VOREN_FILM", 2, 2}},
                        {"other1of2.cue", kVideoCdInfoFile, {"VIDEO_CD", 2, "OTHER_FILM", 2, 1}},
                        {"pal3.cue", kVideoCdInfoFile, {"VIDEO_CD", 2, "", 1, 1}},
                        {"svcd2n.cue", kSvcdInfoFile, {"SUPERVCD", 1, "", 1, 1}}};
  for (const Disc& d : discs) {
    const auto disc = vcd::test::imageDisc(d.cue);
    ASSERT_TRUE(disc) << d.cue;
    auto handle = vcd::test::openImage(disc);
    ASSERT_TRUE(handle) << d.cue;
    const QString path = QString::fromUtf16(d.file);
    const DiscEntry entry = vcd::test::fileOnDisc(*handle, ("/" + path.section(u'/', 1, 1)).toUtf8().constData(),
                                                  path.section(u'/', 2).toUtf8().constData());
    DiscTrackStream stream(std::move(handle), entry);
    const auto info = parseDiscSetInfo(vcd::test::readToEnd(stream));
    ASSERT_TRUE(info) << d.cue << ": " << info.reason().toStdString();
    EXPECT_EQ(*info, d.want) << d.cue;
  }
}

// A disc goes by its volume label, read from the sector that names the root; a disc taken out
// of its drive reads nothing.
TEST(DiscImage, TheVolumeLabelIsReadWithTheRootAndAnEjectedDiscReadsNothing) {
  const auto demo = vcd::test::imageDisc("demo.cue");
  ASSERT_TRUE(demo);
  auto disc = vcd::test::openImage(demo);
  QString label = "stale";
  ASSERT_TRUE(rootFolder(*disc, &label));
  EXPECT_EQ(label, "VOREN_DEMO");
  demo->setPresent(false);
  EXPECT_FALSE(rootFolder(*disc));
  EXPECT_FALSE(disc->mediumPresent());
}
