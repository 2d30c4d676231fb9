// How fast a Video CD track starts: sectors read from the disc and time from naming the track
// to its first frame, for this player's engine (headless) and for plain libmpv with default
// settings reading the same track through the same disc layer, at 1x (75 sectors/s) and 8x.
#include "bench/bench.h"
#include "engine/mpv_player.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <mpv/client.h>

namespace vcd::bench {

namespace {

struct Sample {
  double sectors = -1;
  double ms = -1;
};

Sample runEngine(const Settings& s, double rate) {
  auto drives = drivesWith(s.image, rate);
  engine::MpvPlayer player(drives.get(), engine::MpvPlayer::Mode::Headless);
  Sample out;
  QEventLoop loop;
  QElapsedTimer timer;
  QObject::connect(&player, &MediaPlayer::PlayStateChange, [&](int, int now) {
    if (now == kPlaying && out.ms < 0) {
      out.ms = timer.nsecsElapsed() / 1e6;
      out.sectors = double(player.sectorsRead());
      loop.quit();
    }
  });
  QTimer::singleShot(120000, &loop, &QEventLoop::quit);
  timer.start();
  player.setFileName(s.track);
  loop.exec();
  return out;
}

Sample runReference(const Settings& s, double rate) {
  auto drives = drivesWith(s.image, rate);
  mpv_handle* mpv = plainHeadlessMpv(drives.get());
  Sample out;
  QElapsedTimer timer;
  timer.start();
  const QByteArray url = s.track.toUtf8();
  const char* cmd[] = {"loadfile", url.constData(), nullptr};
  mpv_command(mpv, cmd);
  if (waitForFirstFrame(mpv)) {
    out.ms = timer.nsecsElapsed() / 1e6;
    out.sectors = double(plainSectorsRead());
  }
  mpv_terminate_destroy(mpv);
  return out;
}

}  // namespace

std::vector<Row> startupRows(const Settings& s) {
  std::vector<Row> rows;
  for (double rate : {75.0, 600.0}) {
    std::vector<double> refSectors, refMs, ourSectors, ourMs;
    for (int r = 0; r < s.runs; ++r) {
      const Sample ref = runReference(s, rate);
      const Sample ours = runEngine(s, rate);
      if (ref.ms < 0 || ours.ms < 0) {
        std::fprintf(stderr, "a start-up run never reached its first frame (reference %.0f ms, engine %.0f ms)\n",
                     ref.ms, ours.ms);
        continue;
      }
      refSectors.push_back(ref.sectors);
      refMs.push_back(ref.ms);
      ourSectors.push_back(ours.sectors);
      ourMs.push_back(ours.ms);
    }
    const QString speed = rate == 75 ? QStringLiteral("1x") : QStringLiteral("8x");
    const double rs = median(refSectors), os = median(ourSectors), rm = median(refMs), om = median(ourMs);
    rows.push_back({"1 sectors to 1st frame @" + speed, rs, os, "<= 250", os >= 0 && os <= 250});
    rows.push_back({"1 ms to 1st frame @" + speed, rm, om, "< 1.0x", om >= 0 && om < rm});
  }
  return rows;
}

}  // namespace vcd::bench
