// Video CD tracks read as byte streams by the disc layer alone, from a real image: a disc that
// is scratched, dies or leaves; the volume label read with the root.
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <thread>

#include "disc/iso9660_folders.h"
#include "disc/track_stream.h"
#include "disc_images.h"

using namespace vcd;
using namespace vcd::disc;

namespace {

constexpr int kPayload = kForm2SectorBytes;

bool allZero(const QByteArray& b) { return b.count('\0') == b.size(); }

// A disc with scratches: chosen sectors never read, others fail a few times first, and from
// `deadFrom` on nothing reads at all.
class ScratchedDisc : public DiscHandle {
 public:
  explicit ScratchedDisc(std::unique_ptr<DiscHandle> real) : real_(std::move(real)) {}
  std::set<uint32_t> bad;
  std::map<uint32_t, int> flaky;
  uint32_t deadFrom = UINT32_MAX;
  bool medium = true;
  std::chrono::milliseconds failLatency{0};  // what a failed read costs (the drive's own retries)
  std::vector<bool> speedChanges;            // true: slower
  bool readSectors(uint8_t* buf, uint32_t lsn, uint32_t count, bool form2) override {
    for (uint32_t s = lsn; s < lsn + count; ++s) {
      bool fails = s >= deadFrom || bad.count(s);
      if (auto it = flaky.find(s); !fails && it != flaky.end() && it->second > 0) fails = true, --it->second;
      if (fails) return std::this_thread::sleep_for(failLatency), false;
    }
    return real_->readSectors(buf, lsn, count, form2);
  }
  uint32_t endLsn() override { return real_->endLsn(); }
  bool mediumPresent() override { return medium; }
  bool setSlowReading(bool slow) override { return speedChanges.push_back(slow), true; }
  bool slowReading() override { return !speedChanges.empty() && speedChanges.back(); }

 private:
  std::unique_ptr<DiscHandle> real_;
};

// The first track of demo.cue on a disc that can be scratched.
std::pair<std::unique_ptr<ScratchedDisc>, DiscEntry> scratched(const std::shared_ptr<VirtualDisc>& demo) {
  auto disc = std::make_unique<ScratchedDisc>(test::openImage(demo));
  const DiscEntry first = test::fileOnDisc(*disc, "/MPEGAV", "AVSEQ01.DAT");
  return {std::move(disc), first};
}

TEST(TrackStream, ScratchesAreSkippedButADeadOrRemovedDiscStopsReading) {
  const auto demo = test::imageDisc("demo.cue");
  ASSERT_TRUE(demo);
  auto intact = test::openImage(demo);
  const QByteArray expected = test::readToEnd(*std::make_unique<DiscTrackStream>(
      test::openImage(demo), test::fileOnDisc(*intact, "/MPEGAV", "AVSEQ01.DAT")));
  ASSERT_GT(expected.size(), 300 * kPayload);

  auto [disc, entry] = scratched(demo);
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
    auto [dead, e] = scratched(demo);
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

// A drive that spends its own retries on every bad sector: a patch of forty costs a few failed
// reads, the sectors after it play as they are, the drive reads slower meanwhile and at full
// speed again after a clean stretch; a disc where nothing reads any more is still found gone
// after a bounded number of reads.
TEST(TrackStream, ABadPatchOnASlowDriveIsCrossedInAFewReads) {
  const auto demo = test::imageDisc("demo.cue");
  ASSERT_TRUE(demo);
  auto [disc, entry] = scratched(demo);
  const QByteArray expected = test::readToEnd(*std::make_unique<DiscTrackStream>(test::openImage(demo), entry));
  ASSERT_GT(expected.size(), 400 * kPayload);
  ScratchedDisc* drive = disc.get();
  drive->failLatency = std::chrono::milliseconds(60);
  for (uint32_t i = 100; i < 140; ++i) drive->bad.insert(entry.lsn + i);
  DiscTrackStream s(std::move(disc), entry);
  const QByteArray got = test::readToEnd(s, 30000);
  EXPECT_FALSE(s.discGone());
  ASSERT_EQ(got.size(), expected.size());
  EXPECT_LE(s.failedReads(), 6);  // not one (or three) per sector
  const int64_t blanks = s.unreadableSectors();
  EXPECT_GE(blanks, 40);
  EXPECT_LE(blanks, 40 + 2 * DiscTrackStream::kFirstStride);
  EXPECT_TRUE(allZero(got.mid(100 * kPayload, blanks * kPayload)));
  EXPECT_EQ(got.left(100 * kPayload), expected.left(100 * kPayload));
  EXPECT_EQ(got.mid((100 + blanks) * kPayload), expected.mid((100 + blanks) * kPayload));
  EXPECT_EQ(drive->speedChanges, std::vector<bool>{true});

  drive->bad.clear();  // read again, cleanly: past the clean stretch the drive may hurry again
  ASSERT_EQ(s.seek(0), 0);
  EXPECT_EQ(test::readToEnd(s, 30000), expected);
  EXPECT_EQ(drive->speedChanges, (std::vector<bool>{true, false}));

  auto [dead, e] = scratched(demo);
  dead->deadFrom = e.lsn + 50;
  dead->failLatency = std::chrono::milliseconds(60);
  DiscTrackStream stream(std::move(dead), e);
  int64_t last = 0;
  const QByteArray partial = test::readToEnd(stream, kPayload, &last);
  EXPECT_EQ(last, -1);
  EXPECT_TRUE(stream.discGone());
  EXPECT_LE(stream.failedReads(), 10);
  EXPECT_EQ(partial.left(50 * kPayload), expected.left(50 * kPayload));
}

// A disc goes by its volume label, read from the sector that names the root; a disc taken out
// of its drive reads nothing.
TEST(DiscImage, TheVolumeLabelIsReadWithTheRootAndAnEjectedDiscReadsNothing) {
  const auto demo = test::imageDisc("demo.cue");
  ASSERT_TRUE(demo);
  auto disc = test::openImage(demo);
  QString label = "stale";
  ASSERT_TRUE(rootFolder(*disc, &label));
  EXPECT_EQ(label, "VOREN_DEMO");
  demo->setPresent(false);
  EXPECT_FALSE(rootFolder(*disc));
  EXPECT_FALSE(disc->mediumPresent());
}

}  // namespace
