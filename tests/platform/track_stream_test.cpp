// Video CD tracks read as byte streams from real images: whole sectors, exact seeking, a disc
// that leaves or is scratched, a BIN cut short, and reads on several threads at once.
#include <atomic>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "platform/disc_track_stream.h"
#include "platform/iso9660_folders.h"
#include "tests/support/media.h"

using namespace vcd;
using namespace vcd::platform;
using test::kPayload;

namespace {

bool allZero(const QByteArray& b) { return b.count('\0') == b.size(); }
QString track(int n) { return QStringLiteral("cdrom://D/MPEGAV/AVSEQ%1.DAT").arg(n, 2, 10, QChar('0')); }

// A disc with scratches: chosen sectors never read, others fail a few times first, and from
// `deadFrom` on nothing reads at all.
class ScratchedDisc : public DiscHandle {
 public:
  explicit ScratchedDisc(std::unique_ptr<DiscHandle> real) : real_(std::move(real)) {}
  std::set<uint32_t> bad;
  std::map<uint32_t, int> flaky;
  uint32_t deadFrom = UINT32_MAX;
  bool medium = true;
  bool readSectors(uint8_t* buf, uint32_t lsn, uint32_t count, bool form2) override {
    for (uint32_t s = lsn; s < lsn + count; ++s) {
      if (s >= deadFrom || bad.count(s)) return false;
      if (auto it = flaky.find(s); it != flaky.end() && it->second > 0) return --it->second, false;
    }
    return real_->readSectors(buf, lsn, count, form2);
  }
  uint32_t endLsn() override { return real_->endLsn(); }
  bool mediumPresent() override { return medium; }

 private:
  std::unique_ptr<DiscHandle> real_;
};

// The first track of demo.cue on a disc that can be scratched.
std::pair<std::unique_ptr<ScratchedDisc>, DiscEntry> scratched() {
  QString why;
  auto disc = std::make_unique<ScratchedDisc>(openVirtualDisc(inspectDiscImage(test::mediaPath("demo.cue"), &why), "D:"));
  const auto entries = readFolderAt(*disc, "/MPEGAV").value();
  for (const DiscEntry& e : entries)
    if (nameMatches("AVSEQ01.DAT", e.storedName)) return {std::move(disc), e};
  ADD_FAILURE() << "no first track";
  return {std::move(disc), DiscEntry{}};
}

class VideoCdTrack : public ::testing::TestWithParam<const char*> {};

TEST_P(VideoCdTrack, IsAnMpegProgramStreamOfWholeSectorsEachReadOnce) {
  auto m = test::driveWithImage(test::mediaPath(GetParam()));
  auto s = m->openFile(track(1));
  ASSERT_EQ(s->size(), m->listFolder("cdrom://D/MPEGAV").at(0).size);
  const int64_t sectors = s->size() / kPayload;
  EXPECT_DOUBLE_EQ(s->nominalDuration(), sectors / 75.0);
  int64_t last = -2;
  const QByteArray data = test::readToEnd(*s, 4096, &last);
  EXPECT_EQ(last, 0);
  ASSERT_EQ(data.size(), s->size());
  EXPECT_EQ(s->sectorsRead(), sectors);
  // A Video CD sector carries exactly one MPEG-1 pack, or nothing (the margins around a track).
  int packs = 0;
  for (int i = 0; i < sectors; ++i) {
    const QByteArray sector = data.mid(i * kPayload, kPayload);
    if (allZero(sector)) continue;
    ASSERT_TRUE(sector.startsWith(QByteArray("\0\0\1\xba", 4)) && (sector[4] & 0xf0) == 0x20) << "sector " << i;
    ++packs;
  }
  EXPECT_GT(packs, sectors / 3);
  EXPECT_FALSE(s->discGone());
}

INSTANTIATE_TEST_SUITE_P(PalAndNtsc, VideoCdTrack, ::testing::Values("pal3.cue", "ntsc3.cue"));

TEST(TrackStream, RandomAccessMatchesSequentialReadingAndSmallReadsFetchLittle) {
  auto m = test::driveWithImage(test::mediaPath("demo.cue"));
  auto s = m->openFile(track(2));
  QByteArray buf(80000, '\0');
  ASSERT_EQ(s->read(buf.data(), 2048), 2048);
  ASSERT_GT(s->read(buf.data(), 200), 0);
  EXPECT_EQ(s->sectorsRead(), 1);  // both inside the first sector
  ASSERT_EQ(s->seek(0), 0);
  const QByteArray whole = test::readToEnd(*s, 7001);  // chunks that straddle sectors and batches
  ASSERT_EQ(whole.size(), s->size());

  std::mt19937 rng(20260101);
  std::uniform_int_distribution<int64_t> at(0, s->size());
  std::uniform_int_distribution<int> len(1, 80000);
  for (int i = 0; i < 300; ++i) {
    const int64_t pos = i == 0 ? s->size() - 5 : at(rng);
    const int want = len(rng);
    ASSERT_EQ(s->seek(pos), pos);
    QByteArray got;
    for (int64_t n; got.size() < want && (n = s->read(buf.data(), want - got.size())) > 0;) got.append(buf.constData(), n);
    ASSERT_EQ(got, whole.mid(pos, want)) << "at " << pos << " length " << want;
  }
  ASSERT_EQ(s->seek(1000), 1000);
  EXPECT_EQ(s->seek(-1), -1);
  EXPECT_EQ(s->seek(s->size() + 1), -1);
  ASSERT_EQ(s->read(buf.data(), 10), 10);  // a refused seek leaves the position alone
  EXPECT_EQ(buf.left(10), whole.mid(1000, 10));
}

TEST(TrackStream, EjectingStopsOpenStreamsForGoodAndClosingBringsTheDiscBack) {
  auto m = test::driveWithImage(test::mediaPath("pal3.cue"));
  auto s = m->openFile(track(1));
  QByteArray buf(10000, '\0');
  ASSERT_EQ(s->read(buf.data(), buf.size()), buf.size());
  m->ejectVirtualDisc();
  EXPECT_EQ(m->driveRoots().size(), 1u);  // the drive stays, empty
  EXPECT_THROW(m->listFolder("cdrom://D/MPEGAV"), DiscError);
  ASSERT_EQ(s->seek(s->size() / 2), s->size() / 2);
  EXPECT_EQ(s->read(buf.data(), buf.size()), -1);
  EXPECT_TRUE(s->discGone());
  m->closeVirtualDisc();
  EXPECT_EQ(s->read(buf.data(), buf.size()), -1);
  auto again = m->openFile(track(1));
  EXPECT_EQ(test::readToEnd(*again).size(), again->size());
  ASSERT_TRUE(m->insertImage(test::mediaPath("ntsc3.cue")));  // another disc: streams on the old one stop
  ASSERT_EQ(again->seek(0), 0);
  EXPECT_EQ(again->read(buf.data(), buf.size()), -1);
  EXPECT_TRUE(again->discGone());
}

TEST(TrackStream, ScratchesAreSkippedButADeadOrRemovedDiscStopsReading) {
  auto intact = test::driveWithImage(test::mediaPath("demo.cue"));
  const QByteArray expected = test::readToEnd(*intact->openFile(track(1)));

  auto [disc, entry] = scratched();
  for (uint32_t i = 100; i < 105; ++i) disc->bad.insert(entry.lsn + i);
  disc->flaky[entry.lsn + 200] = 2;  // reads on the third try
  DiscTrackStream s(std::move(disc), entry);
  const QByteArray got = test::readToEnd(s, 30000);
  EXPECT_FALSE(s.discGone());
  ASSERT_EQ(got.size(), expected.size());
  EXPECT_EQ(s.unreadableSectors(), 5);
  EXPECT_TRUE(allZero(got.mid(100 * kPayload, 5 * kPayload)));
  EXPECT_EQ(got.left(100 * kPayload) + got.mid(105 * kPayload), expected.left(100 * kPayload) + expected.mid(105 * kPayload));

  // Nothing reads any more: with the drive claiming a disc, a long run of failures counts as
  // gone; with the drive reporting it out, the first failed sector ends reading.
  for (bool medium : {true, false}) {
    auto [dead, e] = scratched();
    dead->deadFrom = e.lsn + 50;
    dead->medium = medium;
    DiscTrackStream stream(std::move(dead), e);
    int64_t last = 0;
    const QByteArray partial = test::readToEnd(stream, kPayload, &last);
    EXPECT_EQ(last, -1);
    EXPECT_TRUE(stream.discGone());
    EXPECT_EQ(partial.left(50 * kPayload), expected.left(50 * kPayload));
    if (!medium) {
      EXPECT_EQ(partial.size(), 50 * kPayload);  // no zeros delivered
    }
  }
}

TEST(TrackStream, TracksReadOnEngineThreadsWhileTheWindowLists) {
  auto m = test::driveWithImage(test::mediaPath("pal3.cue"));
  std::vector<QByteArray> expected, got(3);
  for (int i = 1; i <= 3; ++i) expected.push_back(test::readToEnd(*m->openFile(track(i))));
  std::atomic<int> errors{0};
  std::vector<std::thread> readers;
  for (int i = 0; i < 3; ++i)
    readers.emplace_back([&, i] {
      try {
        got[i] = test::readToEnd(*m->openFile(track(i + 1)), 3000);
      } catch (const DiscError&) {
        ++errors;
      }
    });
  for (int i = 0; i < 20; ++i) EXPECT_NO_THROW(EXPECT_EQ(m->listFolder("cdrom://D/mpegav").size(), 3u));
  for (auto& r : readers) r.join();
  EXPECT_EQ(errors, 0);
  EXPECT_EQ(got, expected);
}

}  // namespace
