#include "platform/disc_track_stream.h"
#include "platform/iso9660_folders.h"
#include "tests/platform/disc_fixtures.h"

#include <QProcess>
#include <QtEndian>
#include <atomic>
#include <map>
#include <random>
#include <set>
#include <thread>

using namespace vcd;
using namespace vcd::platform;

namespace {

uint32_t startLsn(TrackStream& s) { return dynamic_cast<DiscTrackStream&>(s).extent().lsn; }

bool allZero(const QByteArray& b) { return b.count('\0') == b.size(); }

// A real disc with scratches: chosen sectors never read, others fail a few times first, and
// from `deadFrom` on nothing reads at all.
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

std::pair<std::unique_ptr<ScratchedDisc>, DiscEntry> scratched(const char* cue, const char* track) {
  QString why;
  auto handle = std::make_unique<ScratchedDisc>(openVirtualDisc(inspectDiscImage(test::mediaPath(cue), &why), "D:"));
  const auto entries = readFolderAt(*handle, "/MPEGAV");
  for (const DiscEntry& e : entries.value())
    if (nameMatches(track, e.storedName)) return {std::move(handle), e};
  ADD_FAILURE() << "no " << track;
  return {std::move(handle), DiscEntry{}};
}

QString probeVideo(const QByteArray& bytes) {
  QTemporaryDir dir;
  QFile f(dir.filePath("track.mpg"));
  if (!f.open(QIODevice::WriteOnly)) return "cannot write";
  f.write(bytes);
  f.close();
  QProcess ffprobe;
  ffprobe.start("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries", "stream=codec_name,width,height",
                            "-of", "csv=p=0", f.fileName()});
  ffprobe.waitForFinished(-1);
  // ffprobe 7 ends the line with an empty field ("mpeg1video,352,288,"); older ones do not.
  QString line = QString::fromUtf8(ffprobe.readAllStandardOutput()).trimmed();
  while (line.endsWith(u',')) line.chop(1);
  return line;
}

}  // namespace

class VideoCdTrack : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(VideoCdTrack, IsAnMpegProgramStreamOfWholeSectors) {
  auto m = test::driveWithImage(test::mediaPath(GetParam().first));
  const int64_t listed = m->listFolder("cdrom://D/MPEGAV").at(0).size;
  auto s = m->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT");
  ASSERT_EQ(s->size(), listed);
  const int64_t sectors = s->size() / 2324;
  EXPECT_DOUBLE_EQ(s->nominalDuration(), sectors / 75.0);

  int64_t last = -2;
  const QByteArray data = test::readToEnd(*s, 4096, &last);
  EXPECT_EQ(last, 0);
  ASSERT_EQ(data.size(), s->size());
  EXPECT_EQ(s->sectorsRead(), sectors);  // each sector read once, nothing beyond the file

  // A Video CD sector carries exactly one pack, or nothing (the margins around a track).
  int packs = 0;
  for (int i = 0; i < sectors; ++i) {
    const QByteArray sector = data.mid(i * 2324, 2324);
    if (allZero(sector)) continue;
    ASSERT_TRUE(sector.startsWith(QByteArray("\0\0\1\xba", 4))) << "sector " << i;
    EXPECT_EQ(sector[4] & 0xf0, 0x20) << "MPEG-1 pack header in sector " << i;
    ++packs;
  }
  EXPECT_GT(packs, sectors / 3);
  EXPECT_EQ(probeVideo(data), GetParam().second);

  EXPECT_EQ(s->seek(s->size()), s->size());
  char byte;
  EXPECT_EQ(s->read(&byte, 1), 0);
  EXPECT_FALSE(s->discGone());
}

INSTANTIATE_TEST_SUITE_P(PalAndNtsc, VideoCdTrack,
                         ::testing::Values(std::pair{"pal3.cue", "mpeg1video,352,288"},
                                           std::pair{"ntsc3.cue", "mpeg1video,352,240"}));

TEST(TrackStream, RandomAccessMatchesSequentialReading) {
  auto m = test::driveWithImage(test::mediaPath("demo.cue"));
  auto s = m->openFile("cdrom://D/MPEGAV/AVSEQ02.DAT");
  const QByteArray whole = test::readToEnd(*s, 7001);  // chunks that straddle sectors and batches
  ASSERT_EQ(whole.size(), s->size());

  std::mt19937 rng(20260101);
  std::uniform_int_distribution<int64_t> at(0, s->size());
  std::uniform_int_distribution<int> len(1, 80000);
  QByteArray buf(80000, '\0');
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

TEST(TrackStream, SmallReadsFetchOnlyTheSectorsTheyCover) {
  auto m = test::driveWithImage(test::mediaPath("demo.cue"));
  auto s = m->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT");
  QByteArray buf(1 << 20, '\0');
  ASSERT_EQ(s->read(buf.data(), 2048), 2048);
  EXPECT_EQ(s->sectorsRead(), 1);
  ASSERT_GT(s->read(buf.data(), 200), 0);  // still inside the first sector
  EXPECT_EQ(s->sectorsRead(), 1);
  const int64_t got = s->read(buf.data(), buf.size());  // a large request reads one bounded batch
  EXPECT_GT(got, 0);
  EXPECT_LE(s->sectorsRead(), 1 + int64_t(DiscTrackStream::kMaxBatch));
}

TEST(TrackStream, EjectingTheVirtualDiscStopsEverythingUntilItIsClosed) {
  auto m = test::driveWithImage(test::mediaPath("pal3.cue"));
  auto s = m->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT");
  QByteArray buf(10000, '\0');
  ASSERT_EQ(s->read(buf.data(), buf.size()), buf.size());

  m->ejectVirtualDisc();
  EXPECT_FALSE(m->virtualDiscPresent());
  EXPECT_EQ(m->driveRoots().size(), 1u);  // the drive stays, empty
  EXPECT_THROW(m->listFolder("cdrom://D/MPEGAV"), DiscError);
  EXPECT_THROW(m->openFile("cdrom://D/MPEGAV/AVSEQ02.DAT"), DiscError);
  ASSERT_EQ(s->seek(s->size() / 2), s->size() / 2);
  EXPECT_EQ(s->read(buf.data(), buf.size()), -1);
  EXPECT_TRUE(s->discGone());

  m->closeVirtualDisc();
  EXPECT_TRUE(m->virtualDiscPresent());
  EXPECT_EQ(m->listFolder("cdrom://D/MPEGAV").size(), 3u);
  EXPECT_EQ(s->read(buf.data(), buf.size()), -1);  // a stream that lost its disc stays stopped
  auto again = m->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT");
  EXPECT_EQ(test::readToEnd(*again).size(), again->size());

  // Another image replaces the disc: streams on the old one stop.
  ASSERT_TRUE(m->insertImage(test::mediaPath("ntsc3.cue")));
  ASSERT_EQ(again->seek(0), 0);
  EXPECT_EQ(again->read(buf.data(), buf.size()), -1);
  EXPECT_TRUE(again->discGone());
}

TEST(TrackStream, CancelEndsAReadWaitingOnTheRateLimit) {
  auto m = test::driveWithImage(test::mediaPath("pal3.cue"));
  auto s = m->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT");
  m->setReadRateLimit(0.001);  // one sector in a quarter of an hour: the read can only end by cancel
  std::atomic<int64_t> result{1};
  std::atomic<bool> returned{false};
  std::thread reader([&] {
    char buf[4096];
    result = s->read(buf, sizeof buf);
    returned = true;
  });
  while (s->sectorsRead() == 0) std::this_thread::yield();  // the read has reached the disc
  EXPECT_FALSE(returned);
  s->cancel();
  reader.join();
  EXPECT_EQ(result, -1);
  EXPECT_FALSE(s->discGone());  // cancelled, not lost
  char b;
  EXPECT_EQ(s->read(&b, 1), -1);

  m->setReadRateLimit(0);
  auto fresh = m->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT");
  EXPECT_EQ(test::readToEnd(*fresh).size(), fresh->size());
}

// The lead-out of a BIN/CUE image is the BIN's length, so a BIN cut short
// before it is opened is simply a shorter disc; one cut while a track is read fails the
// sectors past the cut.
TEST(TrackStream, TruncatedImage) {
  test::ImageCopy copy("pal3");
  const QByteArray bin = copy.binBytes();
  auto intact = test::driveWithImage(copy.cue);
  auto original = intact->openFile("cdrom://D/MPEGAV/AVSEQ03.DAT");
  const QByteArray expected = test::readToEnd(*original);
  const uint32_t lsn = startLsn(*original);
  const QByteArray firstTrack = test::readToEnd(*intact->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT"));
  constexpr int kKept = 70;
  const qint64 cut = qint64(lsn + kKept) * test::kRawSector;

  auto reading = intact->openFile("cdrom://D/MPEGAV/AVSEQ03.DAT");
  ASSERT_TRUE(QFile::resize(copy.bin, cut));
  auto shorter = test::driveWithImage(copy.cue);
  auto s = shorter->openFile("cdrom://D/MPEGAV/AVSEQ03.DAT");
  EXPECT_EQ(s->size(), kKept * 2324);
  EXPECT_EQ(test::readToEnd(*s), expected.left(kKept * 2324));
  EXPECT_EQ(test::readToEnd(*shorter->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT")), firstTrack);

  // The stream opened before the cut reads 30 sectors past it, then the BIN is whole again.
  QByteArray got(100 * 2324, '\0');
  for (int64_t done = 0, n; done < got.size(); done += n) {
    n = reading->read(got.data() + done, got.size() - done);
    ASSERT_GT(n, 0) << "at " << done;
  }
  copy.writeBin(bin);
  got += test::readToEnd(*reading);
  EXPECT_FALSE(reading->discGone());
  ASSERT_EQ(got.size(), expected.size());
  EXPECT_EQ(got.left(kKept * 2324), expected.left(kKept * 2324));
  EXPECT_TRUE(allZero(got.mid(kKept * 2324, 30 * 2324)));
  EXPECT_EQ(got.mid(100 * 2324), expected.mid(100 * 2324));
  EXPECT_EQ(dynamic_cast<DiscTrackStream&>(*reading).unreadableSectors(), 30);
}

TEST(TrackStream, ScratchesAreSkippedButADeadDiscStopsReading) {
  auto intact = test::driveWithImage(test::mediaPath("demo.cue"));
  const QByteArray expected = test::readToEnd(*intact->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT"));

  auto [disc, entry] = scratched("demo.cue", "AVSEQ01.DAT");
  const uint32_t lsn = entry.lsn;
  for (uint32_t i = 100; i < 105; ++i) disc->bad.insert(lsn + i);  // a scratch in mid-track
  disc->flaky[lsn + 200] = 2;                                      // reads on the third try
  DiscTrackStream s(std::move(disc), entry);
  const QByteArray got = test::readToEnd(s, 30000);
  EXPECT_FALSE(s.discGone());
  ASSERT_EQ(got.size(), expected.size());
  EXPECT_EQ(s.unreadableSectors(), 5);
  EXPECT_TRUE(allZero(got.mid(100 * 2324, 5 * 2324)));
  EXPECT_EQ(got.left(100 * 2324), expected.left(100 * 2324));
  EXPECT_EQ(got.mid(105 * 2324), expected.mid(105 * 2324));  // including the sector that needed retries
  EXPECT_GT(s.sectorsRead(), s.extent().sectors);              // retries are counted

  // Nothing reads any more although the drive claims a disc: after a long run it counts as gone.
  auto [dead, entry2] = scratched("demo.cue", "AVSEQ01.DAT");
  dead->deadFrom = entry2.lsn + 50;
  DiscTrackStream silent(std::move(dead), entry2);
  int64_t last = 0;
  const QByteArray partial = test::readToEnd(silent, 30000, &last);
  EXPECT_EQ(last, -1);
  EXPECT_TRUE(silent.discGone());
  EXPECT_LT(partial.size(), silent.size());
  EXPECT_EQ(partial.left(50 * 2324), expected.left(50 * 2324));

  // The drive reports the disc out: the first failed sector ends reading, no zeros delivered.
  auto [gone, entry3] = scratched("demo.cue", "AVSEQ01.DAT");
  gone->deadFrom = entry3.lsn + 50;
  gone->medium = false;
  DiscTrackStream removed(std::move(gone), entry3);
  const QByteArray before = test::readToEnd(removed, 2324, &last);
  EXPECT_EQ(last, -1);
  EXPECT_TRUE(removed.discGone());
  EXPECT_EQ(before, expected.left(50 * 2324));
}

TEST(TrackStream, OversizedDirectoryRecordStopsAtTheLeadOut) {
  test::ImageCopy copy("pal3");
  QByteArray bin = copy.binBytes();
  const qsizetype name = bin.indexOf("AVSEQ03.DAT;1");
  ASSERT_GT(name, 33);
  const qsizetype record = name - 33;
  ASSERT_EQ(bin[record + 32], 13);  // the record's name length: this is the directory record
  qToLittleEndian<quint32>(0x7ffff800u, bin.data() + record + 10);
  qToBigEndian<quint32>(0x7ffff800u, bin.data() + record + 14);
  copy.writeBin(bin);
  const int64_t leadOut = bin.size() / test::kRawSector;

  auto m = test::driveWithImage(copy.cue);
  auto s = m->openFile("cdrom://D/MPEGAV/AVSEQ03.DAT");
  const int64_t available = leadOut - startLsn(*s);
  EXPECT_EQ(s->size(), available * 2324);
  EXPECT_EQ(m->listFolder("cdrom://D/MPEGAV").back().size, s->size());
  int64_t last = -2;
  EXPECT_EQ(test::readToEnd(*s, 65536, &last).size(), s->size());
  EXPECT_EQ(last, 0);
  EXPECT_EQ(s->sectorsRead(), available);
}

TEST(TrackStream, TracksReadOnEngineThreadsWhileTheWindowLists) {
  auto m = test::driveWithImage(test::mediaPath("pal3.cue"));
  std::vector<QByteArray> expected;
  for (const char* t : {"AVSEQ01.DAT", "AVSEQ02.DAT", "AVSEQ03.DAT"})
    expected.push_back(test::readToEnd(*m->openFile(QStringLiteral("cdrom://D/MPEGAV/") + t)));
  ASSERT_NE(expected[0], expected[1]);

  std::vector<QByteArray> got(3);
  std::atomic<int> errors{0};
  std::vector<std::thread> readers;
  for (int i = 0; i < 3; ++i)
    readers.emplace_back([&, i] {
      try {
        auto s = m->openFile(QStringLiteral("cdrom://D/MPEGAV/AVSEQ%1.DAT").arg(i + 1, 2, 10, QChar('0')));
        got[i] = test::readToEnd(*s, 3000);
      } catch (const DiscError&) {
        ++errors;
      }
    });
  for (int i = 0; i < 20; ++i) {
    try {
      EXPECT_EQ(m->listFolder("cdrom://D/mpegav").size(), 3u);
    } catch (const DiscError& e) {
      ADD_FAILURE() << e.what();
    }
  }
  for (auto& r : readers) r.join();
  EXPECT_EQ(errors, 0);
  EXPECT_EQ(got, expected);
}
