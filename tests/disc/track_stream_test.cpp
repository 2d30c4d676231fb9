// Video CD tracks read as byte streams by the disc layer alone, from a real image: a disc that
// is scratched, dies or leaves; the volume label read with the root.
#include <gtest/gtest.h>
#include <map>
#include <set>

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
