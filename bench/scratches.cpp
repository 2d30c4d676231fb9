// A scratched disc: demo.cue's first track with forty sectors three seconds in that never read,
// each failed read costing the drive two seconds of its own retries, played by the headless
// engine from a drive paced to 8x. How much later the track ends than on the clean disc, per bad
// sector, and how long calls queued to the GUI thread wait meanwhile, beside the clean disc.
#include "bench/bench.h"
#include "disc/track_stream.h"
#include "engine/mpv_player.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

namespace vcd::bench {

namespace {

constexpr uint32_t kPatchAt = 225;
constexpr uint32_t kBadSectors = 40;
constexpr auto kFailedReadCost = std::chrono::seconds(2);
constexpr double kDriveRate = 600;  // 8x

struct Sample {
  int64_t sentNs = 0;     // since the run's start
  int64_t failedReads = 0;  // the drive's count when it was sent
  double ms = 0;
};

struct Run {
  double playSeconds = -1;  // from naming the track to its end
  int64_t failedReads = 0;
  std::vector<double> roundTrips;  // during the patch (the whole track on a clean disc)
};

Run play(const Settings& s, bool scratched) {
  auto drives = drivesWith(s.image, kDriveRate);
  platform::ReadFaults& faults = drives->readFaults();
  if (scratched) {
    const auto stream = drives->openFile(s.track);
    const auto* track = dynamic_cast<const disc::DiscTrackStream*>(stream.get());
    if (!track) {
      std::fprintf(stderr, "not a disc track stream\n");
      std::exit(2);
    }
    faults.setLatency({}, kFailedReadCost);
    faults.failForGood(track->extent().lsn + kPatchAt, kBadSectors);
  }
  engine::MpvPlayer player(drives.get(), engine::MpvPlayer::Mode::Headless);
  QEventLoop loop;
  QElapsedTimer clock;
  Run run;
  QObject::connect(&player, &MediaPlayer::EndOfStream, &loop, [&](int) {
    run.playSeconds = clock.nsecsElapsed() / 1e9;
    loop.quit();
  });
  QTimer::singleShot(120000, &loop, &QEventLoop::quit);

  std::mutex samplesMutex;
  std::vector<Sample> samples;
  std::atomic<bool> stop{false};
  clock.start();
  std::thread sender([&] {
    while (!stop) {
      const int64_t sent = clock.nsecsElapsed();
      const int64_t failed = faults.failedReads();
      QMetaObject::invokeMethod(&loop, [&, sent, failed] {
        std::lock_guard lock(samplesMutex);
        samples.push_back({sent, failed, (clock.nsecsElapsed() - sent) / 1e6});
      }, Qt::QueuedConnection);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  player.setFileName(s.track);
  loop.exec();
  stop = true;
  sender.join();
  QCoreApplication::processEvents();
  run.failedReads = faults.failedReads();

  // The patch: from its first failed read to the end of its last one.
  int64_t from = 0, to = INT64_MAX;
  if (scratched) {
    from = to = -1;
    for (const Sample& x : samples) {
      if (from < 0 && x.failedReads > 0) from = x.sentNs;
      if (to < 0 && x.failedReads == run.failedReads)
        to = x.sentNs + std::chrono::duration_cast<std::chrono::nanoseconds>(kFailedReadCost).count();
    }
  }
  for (const Sample& x : samples)
    if (x.sentNs >= from && x.sentNs <= to) run.roundTrips.push_back(x.ms);
  return run;
}

}  // namespace

std::vector<Row> scratchRows(const Settings& s) {
  std::vector<double> lost, clean, patchMedian, cleanMedian, patchMax, cleanMax;
  int64_t failedReads = 0;
  for (int r = 0; r < std::min(s.runs, 3); ++r) {
    const Run c = play(s, false);
    const Run d = play(s, true);
    if (c.playSeconds < 0 || d.playSeconds < 0 || c.roundTrips.empty() || d.roundTrips.empty()) {
      std::fprintf(stderr, "a scratch run did not reach the end of its track\n");
      continue;
    }
    lost.push_back((d.playSeconds - c.playSeconds) * 1000 / kBadSectors);
    clean.push_back(c.playSeconds);
    patchMedian.push_back(median(d.roundTrips));
    cleanMedian.push_back(median(c.roundTrips));
    patchMax.push_back(*std::max_element(d.roundTrips.begin(), d.roundTrips.end()));
    cleanMax.push_back(*std::max_element(c.roundTrips.begin(), c.roundTrips.end()));
    failedReads = std::max(failedReads, d.failedReads);
  }
  const double perSector = median(lost);
  const double oneReadEach = std::chrono::duration<double, std::milli>(kFailedReadCost).count();
  Row lostRow{"11 ms lost per bad sector", oneReadEach, perSector, "<= 200 ms", perSector >= 0 && perSector <= 200};
  lostRow.note = QStringLiteral("scratch: %1 bad sectors, %2 s per failed read, at most %3 failed reads; the clean track "
                                "plays in %4 s; reference: one failed read per bad sector")
                     .arg(kBadSectors)
                     .arg(oneReadEach / 1000, 0, 'f', 0)
                     .arg(failedReads)
                     .arg(median(clean), 0, 'f', 2);
  const double m = median(patchMedian), mc = median(cleanMedian);
  const double x = median(patchMax), xc = median(cleanMax);
  Row medianRow{"11 GUI round trip in patch, median", mc, m, "<= 2 ms, 3x", m >= 0 && m <= 2 && m <= 3 * std::max(mc, 0.05)};
  Row maxRow{"11 GUI round trip in patch, max", xc, x, "<= 10 ms", x >= 0 && x <= 10};
  return {lostRow, medianRow, maxRow};
}

}  // namespace vcd::bench
