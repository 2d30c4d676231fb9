// Video CD tracks read as byte streams from real images: whole sectors, exact seeking, a disc
// that leaves, is scratched or dies on a quick or a slow drive, and reads on several threads at once.
#include <atomic>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "disc/track_stream.h"
#include "platform/read_faults.h"
#include "tests/support/media.h"

using namespace vcd;
using namespace vcd::platform;
using test::kPayload;

namespace {

bool allZero(const QByteArray& b) { return b.count('\0') == b.size(); }
QString track(int n) { return QStringLiteral("cdrom://D/MPEGAV/AVSEQ%1.DAT").arg(n, 2, 10, QChar('0')); }

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
  EXPECT_EQ(s->read(buf.data(), buf.size()), -1);  // the first sector it fails on ends it: no blanks
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

// Track 1 of the demo disc in the virtual drive, whose fault model the test sets; `expected` is
// the track as a clean drive reads it.
class FaultyTrack : public ::testing::Test {
 protected:
  void SetUp() override {
    expected = test::readToEnd(*m->openFile(track(1)));
    s = m->openFile(track(1));
    disc = dynamic_cast<const disc::DiscTrackStream*>(s.get());
    ASSERT_NE(disc, nullptr);
  }
  std::unique_ptr<LinuxDriveManager> m = test::driveWithImage(test::mediaPath("demo.cue"));
  ReadFaults& faults = m->readFaults();
  QByteArray expected;
  std::unique_ptr<TrackStream> s;
  const disc::DiscTrackStream* disc = nullptr;
};

// The virtual drive's faults reach a disc opened before they were set: a sector that fails twice
// reads on the third try, one that fails for a while reads once its time is up (within the retry
// second), two that fail for good play as blanks; cleared, the track reads whole again.
TEST_F(FaultyTrack, TheVirtualDrivesFaultsFailSectorsForAttemptsForAWhileOrForGood) {
  const uint32_t lsn = disc->extent().lsn;
  faults.setLatency({}, std::chrono::milliseconds(40));  // failures the drive answers quickly
  faults.failForAttempts(lsn + 10, 1, 2);
  faults.failForGood(lsn + 20, 2);
  faults.failFor(lsn + 30, 1, std::chrono::milliseconds(60));
  const QByteArray got = test::readToEnd(*s, 30000);
  ASSERT_EQ(got.size(), expected.size());
  EXPECT_EQ(disc->unreadableSectors(), 2);
  EXPECT_TRUE(allZero(got.mid(20 * kPayload, 2 * kPayload)));
  EXPECT_EQ(got.left(20 * kPayload) + got.mid(22 * kPayload), expected.left(20 * kPayload) + expected.mid(22 * kPayload));
  EXPECT_EQ(faults.failedReads(), disc->failedReads());
  EXPECT_FALSE(s->discGone());
  ASSERT_FALSE(faults.speedChanges().empty());
  EXPECT_TRUE(faults.speedChanges().front());  // failures in a row: the drive was asked to read slower

  faults.clear();
  ASSERT_EQ(s->seek(0), 0);
  EXPECT_EQ(test::readToEnd(*s), expected);
}

// A drive that spends its own retries on every bad sector: a patch of forty costs a few failed
// reads, the sectors after it play as they are, the drive reads slower meanwhile and at full
// speed again after a clean stretch.
TEST_F(FaultyTrack, ABadPatchOnASlowDriveIsCrossedInAFewReads) {
  ASSERT_GT(expected.size(), 400 * kPayload);
  faults.setLatency({}, std::chrono::milliseconds(60));
  faults.failForGood(disc->extent().lsn + 100, 40);
  const QByteArray got = test::readToEnd(*s, 30000);
  EXPECT_FALSE(s->discGone());
  ASSERT_EQ(got.size(), expected.size());
  EXPECT_LE(disc->failedReads(), 6);  // not one (or three) per sector
  const int64_t blanks = disc->unreadableSectors();
  EXPECT_GE(blanks, 40);
  EXPECT_LE(blanks, 40 + 2 * disc::DiscTrackStream::kFirstStride);
  EXPECT_TRUE(allZero(got.mid(100 * kPayload, blanks * kPayload)));
  EXPECT_EQ(got.left(100 * kPayload), expected.left(100 * kPayload));
  EXPECT_EQ(got.mid((100 + blanks) * kPayload), expected.mid((100 + blanks) * kPayload));
  EXPECT_EQ(faults.speedChanges(), std::vector<bool>{true});

  faults.clear();  // read again, cleanly: past the clean stretch the drive may hurry again
  ASSERT_EQ(s->seek(0), 0);
  EXPECT_EQ(test::readToEnd(*s, 30000), expected);
  EXPECT_EQ(faults.speedChanges(), (std::vector<bool>{true, false}));
}

// Nothing reads past sector 50 while the drive still claims a disc, on a quick drive and on one
// that retries: a long run of failures counts as gone (on the slow drive after a bounded number of
// reads), and what came before it was delivered as it is.
class DeadTrack : public FaultyTrack, public ::testing::WithParamInterface<int> {};

TEST_P(DeadTrack, IsFoundGoneAfterWhatCameBefore) {
  faults.setLatency({}, std::chrono::milliseconds(GetParam()));
  faults.failForGood(disc->extent().lsn + 50, disc->extent().sectors - 50);
  int64_t last = 0;
  const QByteArray partial = test::readToEnd(*s, kPayload, &last);
  EXPECT_EQ(last, -1);
  EXPECT_TRUE(s->discGone());
  EXPECT_EQ(partial.left(50 * kPayload), expected.left(50 * kPayload));
  if (GetParam() > 0) {
    EXPECT_LE(disc->failedReads(), 10);
  }
}
INSTANTIATE_TEST_SUITE_P(QuickAndRetryingDrives, DeadTrack, ::testing::Values(0, 60));

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
