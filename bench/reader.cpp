// Reader throughput: a Video CD track's Form 2 payload read through our stream from a BIN/CUE
// image at full speed, against plain sequential read() of the same sectors of the BIN file.
// The first pass also leaves the payload in a file, so the mpv command-line player can play
// exactly the bytes the engine gets.
#include "bench/bench.h"
#include "disc/track_stream.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace vcd::bench {

namespace {

constexpr size_t kChunk = 64 * 1024;  // what a demuxer asks for at a time, roughly
constexpr int kRawSectorBytes = 2352;
constexpr int kPasses = 10;  // times the track is read per sample: a single pass takes a few ms

struct Pass {
  double seconds = -1;
  int64_t sectors = 0;
};

Pass readStream(const Settings& s, const QString& saveTo) {
  auto drives = drivesWith(s.longImage, 0);
  std::unique_ptr<platform::TrackStream> stream = drives->openFile(s.track);
  QFile out(saveTo);
  if (!saveTo.isEmpty() && !out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(saveTo));
    std::exit(2);
  }
  std::vector<char> buf(kChunk);
  QElapsedTimer t;
  t.start();
  for (int pass = 0; pass < (out.isOpen() ? 1 : kPasses); ++pass) {
    stream->seek(0);
    for (;;) {
      const int64_t got = stream->read(buf.data(), buf.size());
      if (got <= 0) break;
      if (out.isOpen()) out.write(buf.data(), got);
    }
  }
  Pass p;
  p.seconds = t.nsecsElapsed() / 1e9;
  p.sectors = stream->sectorsRead();
  return p;
}

// Where the track lies in the BIN: its first sector and length, from our own stream.
std::pair<uint32_t, uint32_t> extentInImage(const Settings& s) {
  auto drives = drivesWith(s.longImage, 0);
  std::unique_ptr<platform::TrackStream> stream = drives->openFile(s.track);
  auto* disc = dynamic_cast<disc::DiscTrackStream*>(stream.get());
  if (!disc) {
    std::fprintf(stderr, "not a disc track stream\n");
    std::exit(2);
  }
  return {disc->extent().lsn, disc->extent().sectors};
}

Pass readBin(const QString& bin, uint32_t lsn, uint32_t sectors) {
  const int fd = ::open(QFile::encodeName(bin).constData(), O_RDONLY);
  if (fd < 0) {
    std::fprintf(stderr, "cannot open %s\n", qPrintable(bin));
    std::exit(2);
  }
  std::vector<char> buf(kChunk);
  QElapsedTimer t;
  t.start();
  for (int pass = 0; pass < kPasses; ++pass) {
    // A BIN holds 2,352-byte raw sectors from LSN 0 on.
    ::lseek(fd, off_t(lsn) * kRawSectorBytes, SEEK_SET);
    int64_t left = int64_t(sectors) * kRawSectorBytes;
    while (left > 0) {
      const ssize_t got = ::read(fd, buf.data(), size_t(std::min<int64_t>(left, int64_t(buf.size()))));
      if (got <= 0) break;
      left -= got;
    }
  }
  Pass p;
  p.seconds = t.nsecsElapsed() / 1e9;
  p.sectors = int64_t(sectors) * kPasses;
  ::close(fd);
  return p;
}

}  // namespace

QString extractedTrackPath(const Settings& s) { return s.mediaDir + QStringLiteral("/long60-track1.mpg"); }

std::vector<Row> readerRows(const Settings& s) {
  const auto [lsn, sectors] = extentInImage(s);
  QString bin = s.longImage;
  bin.replace(QRegularExpression(QStringLiteral("\\.cue$"), QRegularExpression::CaseInsensitiveOption), QStringLiteral(".bin"));
  // Warm both paths (the page cache holds the image afterwards) and keep the payload for mpv.
  readStream(s, extractedTrackPath(s));
  readBin(bin, lsn, sectors);
  std::vector<double> ours, ref;
  for (int r = 0; r < std::max(5, s.runs); ++r) {
    const Pass a = readBin(bin, lsn, sectors);
    const Pass b = readStream(s, QString());
    ref.push_back(a.sectors / a.seconds);
    ours.push_back(b.sectors / b.seconds);
  }
  const double r = median(ref), o = median(ours);
  const double oneX = disc::kSectorsPerSecond;
  Row row{"5 reader sectors/s vs 1x", oneX, o, ">= 100x", o >= 100 * oneX};
  row.note = QStringLiteral("reader: %1 M sectors/s, read() of the BIN %2 M sectors/s (%3x)")
                 .arg(o / 1e6, 0, 'f', 2)
                 .arg(r / 1e6, 0, 'f', 2)
                 .arg(r > 0 ? o / r : 0.0, 0, 'f', 2);
  return {row};
}

}  // namespace vcd::bench
