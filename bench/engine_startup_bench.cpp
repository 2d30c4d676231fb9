// How fast a Video CD track starts: sectors read from the disc and time from naming the track
// to its first frame, for this player's engine and for plain libmpv with default settings
// reading the same track through the same disc layer. Disc speeds 1x (75 sectors/s) and 8x.
//
//   engine_startup_bench [--runs N] [--image demo.cue] [--track cdrom://D/MPEGAV/AVSEQ01.DAT]
#include "platform/linux_drives.h"
#include "player/mpv/mpv_player.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <mpv/client.h>
#include <mpv/stream_cb.h>
#include <vector>

using vcd::platform::LinuxDriveManager;
using vcd::platform::TrackStream;

namespace {

struct Sample {
  double sectors = -1;
  double ms = -1;
};

std::unique_ptr<LinuxDriveManager> drivesAt(const QString& image, double rate) {
  // A fresh table per run: the read pacer must not carry a previous run's backlog.
  auto drives = std::make_unique<LinuxDriveManager>([] { return std::vector<vcd::platform::OpticalDevice>{}; });
  if (!drives->insertImage(image)) {
    fprintf(stderr, "cannot insert %s\n", qPrintable(image));
    exit(2);
  }
  drives->setReadRateLimit(rate);
  return drives;
}

// This player's engine, headless.
Sample runEngine(const QString& image, const QString& track, double rate) {
  auto drives = drivesAt(image, rate);
  vcd::mpv::MpvPlayer player(drives.get(), vcd::mpv::MpvPlayer::Mode::Headless);
  Sample s;
  QEventLoop loop;
  QElapsedTimer timer;
  QObject::connect(&player, &vcd::MediaPlayer::PlayStateChange, [&](int, int n) {
    if (n == vcd::kPlaying && s.ms < 0) {
      s.ms = timer.nsecsElapsed() / 1e6;
      s.sectors = double(player.sectorsRead());
      loop.quit();
    }
  });
  QTimer::singleShot(120000, &loop, &QEventLoop::quit);
  timer.start();
  player.setFileName(track);
  loop.exec();
  return s;
}

// Plain libmpv: default settings (but no picture, no sound, no user config), the track handed
// over through a stream callback reading the same disc layer.
struct RefStream {
  std::unique_ptr<TrackStream> stream;
};
TrackStream* g_refStream = nullptr;

Sample runReference(const QString& image, const QString& track, double rate) {
  auto drives = drivesAt(image, rate);
  auto stream = drives->openFile(track);
  g_refStream = stream.get();
  mpv_handle* mpv = mpv_create();
  mpv_set_option_string(mpv, "config", "no");
  mpv_set_option_string(mpv, "vo", "null");
  mpv_set_option_string(mpv, "ao", "null");
  mpv_initialize(mpv);
  mpv_stream_cb_add_ro(mpv, "cdrom", nullptr, [](void*, char*, mpv_stream_cb_info* info) {
    info->cookie = g_refStream;
    info->read_fn = [](void* c, char* buf, uint64_t n) -> int64_t { return static_cast<TrackStream*>(c)->read(buf, n); };
    info->seek_fn = [](void* c, int64_t pos) -> int64_t {
      int64_t at = static_cast<TrackStream*>(c)->seek(pos);
      return at < 0 ? int64_t(MPV_ERROR_GENERIC) : at;
    };
    info->size_fn = [](void* c) -> int64_t { return static_cast<TrackStream*>(c)->size(); };
    info->close_fn = [](void*) {};
    info->cancel_fn = [](void* c) { static_cast<TrackStream*>(c)->cancel(); };
    return 0;
  });
  Sample s;
  QElapsedTimer timer;
  timer.start();
  const QByteArray url = track.toUtf8();
  const char* cmd[] = {"loadfile", url.constData(), nullptr};
  mpv_command(mpv, cmd);
  for (;;) {
    mpv_event* ev = mpv_wait_event(mpv, 120);
    if (ev->event_id == MPV_EVENT_PLAYBACK_RESTART) {
      s.ms = timer.nsecsElapsed() / 1e6;
      s.sectors = double(stream->sectorsRead());
      break;
    }
    if (ev->event_id == MPV_EVENT_END_FILE || ev->event_id == MPV_EVENT_NONE || ev->event_id == MPV_EVENT_SHUTDOWN) break;
  }
  stream->cancel();
  mpv_terminate_destroy(mpv);
  g_refStream = nullptr;
  return s;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("LC_NUMERIC", "C");
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  int runs = 3;
  QString image = QStringLiteral(VCD_MEDIA_DIR "/demo.cue");
  QString track = QStringLiteral("cdrom://D/MPEGAV/AVSEQ01.DAT");
  const QStringList args = app.arguments();
  for (int i = 1; i + 1 < args.size(); ++i) {
    if (args[i] == "--runs") runs = std::max(1, args[++i].toInt());
    else if (args[i] == "--image") image = args[++i];
    else if (args[i] == "--track") track = args[++i];
  }
  setvbuf(stdout, nullptr, _IOLBF, 0);
  printf("Track %s on %s, median of %d runs each\n\n", qPrintable(track), qPrintable(image), runs);

  struct Row {
    QString figure;
    double reference, ours;
    QString target;
    bool pass;
  };
  std::vector<Row> rows;
  bool allPass = true;
  for (double rate : {75.0, 600.0}) {
    std::vector<double> refSectors, refMs, ourSectors, ourMs;
    for (int r = 0; r < runs; ++r) {
      Sample ref = runReference(image, track, rate);
      Sample ours = runEngine(image, track, rate);
      if (ref.ms < 0 || ours.ms < 0) {
        fprintf(stderr, "a run never reached its first frame (reference %.0f ms, engine %.0f ms)\n", ref.ms, ours.ms);
        return 2;
      }
      refSectors.push_back(ref.sectors);
      refMs.push_back(ref.ms);
      ourSectors.push_back(ours.sectors);
      ourMs.push_back(ours.ms);
    }
    const QString speed = rate == 75 ? "1x" : "8x";
    const double rs = median(refSectors), os = median(ourSectors), rm = median(refMs), om = median(ourMs);
    rows.push_back({"sectors to first frame @" + speed, rs, os, "<= 250", os <= 250});
    rows.push_back({"ms to first frame @" + speed, rm, om, "< reference", om < rm});
  }

  printf("%-28s %10s %10s %8s %12s %6s\n", "figure", "reference", "engine", "ratio", "target", "result");
  for (const auto& r : rows) {
    allPass = allPass && r.pass;
    printf("%-28s %10.0f %10.0f %8.2f %12s %6s\n", qPrintable(r.figure), r.reference, r.ours,
           r.reference > 0 ? r.ours / r.reference : 0.0, qPrintable(r.target), r.pass ? "pass" : "FAIL");
  }
  return allPass ? 0 : 1;
}
