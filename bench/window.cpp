// The main window with the real engine (headless) and the disc layer, in this process: how long
// a track button takes to bring its track to the playing state, and how resident memory grows
// over many track changes.
#include "bench/bench.h"
#include "engine/mpv_player.h"
#include "platform/media_watcher.h"
#include "player/playerfrm.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <mpv/client.h>

namespace vcd::bench {

namespace {

QString trackName(int index) { return QStringLiteral("cdrom://D/MPEGAV/AVSEQ%1.DAT").arg(index + 1, 2, 10, QLatin1Char('0')); }

// The window as app/main.cpp builds it, with a headless engine and the disc image in the
// virtual drive; Form_Load finds the disc and starts its first track.
class WindowRig {
 public:
  // `watch`: with the drives' watcher the program has (on a bus without UDisks2, so polled).
  WindowRig(const QString& image, double rate, bool watch = false) : drives_(drivesWith(image, rate)) {
    engine_ = std::make_unique<engine::MpvPlayer>(drives_.get(), engine::MpvPlayer::Mode::Headless);
    player::PlayerfrmServices services;
    if (watch) {
      watcher_ = std::make_unique<platform::MediaWatcher>([d = drives_.get()](bool optical) { return d->media(optical); },
                                                          [] { return QDBusConnection(QStringLiteral("vcd-bench-no-bus")); });
      services.mediaWatcher = watcher_.get();
    }
    services.player = engine_.get();
    services.drives = drives_.get();
    services.endProgram = [] {};
    services.messageBox = [](ui::MessageIcon, const QString&, const QString&) {};
    window_ = std::make_unique<player::Playerfrm>(std::move(services));
    QObject::connect(engine_.get(), &MediaPlayer::PlayStateChange, [this](int, int now) {
      if (now == kPlaying && loop_.isRunning()) {
        playingAfter_ = timer_.nsecsElapsed() / 1e6;
        loop_.quit();
      }
    });
  }

  // Runs `step` and returns the milliseconds until the engine reports playing (-1: never did).
  double timeToPlaying(const std::function<void()>& step, int timeoutMs = 60000) {
    playingAfter_ = -1;
    timer_.start();
    step();
    if (engine_->PlayState() != kPlaying || playingAfter_ < 0) {
      QTimer timeout;
      timeout.setSingleShot(true);
      QObject::connect(&timeout, &QTimer::timeout, &loop_, &QEventLoop::quit);
      timeout.start(timeoutMs);
      loop_.exec();
    }
    return playingAfter_;
  }

  player::Playerfrm& window() { return *window_; }
  platform::LinuxDriveManager& drives() { return *drives_; }
  MediaPlayer& engine() { return *engine_; }
  platform::MediaWatcher* watcher() { return watcher_.get(); }
  int tracks() const { return window_->File1->ListCount(); }

 private:
  std::unique_ptr<platform::LinuxDriveManager> drives_;
  std::unique_ptr<engine::MpvPlayer> engine_;
  std::unique_ptr<platform::MediaWatcher> watcher_;
  std::unique_ptr<player::Playerfrm> window_;
  QEventLoop loop_;
  QElapsedTimer timer_;
  double playingAfter_ = -1;
};

}  // namespace

std::vector<Row> trackSwitchRows(const Settings& s) {
  std::vector<Row> rows;
  for (double rate : {0.0, 600.0}) {
    const QString speed = rate == 0 ? QStringLiteral("image") : QStringLiteral("8x");
    const int switches = std::max(5, s.runs * 2);

    std::vector<double> ours;
    int n = 1;
    {
      WindowRig rig(s.image, rate);
      if (rig.timeToPlaying([&] { rig.window().Form_Load(); }) < 0) {
        std::fprintf(stderr, "the window never started its first track\n");
        return rows;
      }
      n = std::max(1, rig.tracks());
      for (int k = 0; k < switches; ++k) {
        const int index = (k + 1) % n;
        const double ms = rig.timeToPlaying([&] { rig.window().Songcmd_Click(index); });
        if (ms >= 0) ours.push_back(ms);
      }
    }

    std::vector<double> ref;
    {
      auto drives = drivesWith(s.image, rate);
      mpv_handle* mpv = plainHeadlessMpv(drives.get());
      const QByteArray first = trackName(0).toUtf8();
      const char* start[] = {"loadfile", first.constData(), nullptr};
      mpv_command(mpv, start);
      if (waitForFirstFrame(mpv)) {
        for (int k = 0; k < switches; ++k) {
          const QByteArray url = trackName((k + 1) % n).toUtf8();
          const char* cmd[] = {"loadfile", url.constData(), nullptr};
          QElapsedTimer t;
          t.start();
          mpv_command(mpv, cmd);
          if (waitForFirstFrame(mpv)) ref.push_back(t.nsecsElapsed() / 1e6);
        }
      }
      mpv_terminate_destroy(mpv);
    }
    const double r = median(ref), o = median(ours);
    rows.push_back({"3 track switch ms @" + speed, r, o, "<= 1.0x", o >= 0 && r > 0 && o <= 1.0 * r});
  }
  return rows;
}

// Waits, running the event loop, until `condition` holds (false after `ms`).
bool waitUntil(const std::function<bool()>& condition, int ms = 60000) {
  QElapsedTimer t;
  t.start();
  while (!condition()) {
    if (t.elapsed() > ms) return false;
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

std::vector<Row> lateDiscRows(const Settings& s) {
  std::vector<Row> rows;
  std::vector<double> ours, ref;
  WindowRig rig(s.image, 0, true);
  rig.drives().forgetNamedMedia();  // the player starts on empty drives
  rig.window().Form_Load();
  for (int k = 0; k < s.runs * 2; ++k) {
    // Put in while the player waits, found by the watcher; or put in and Close pressed.
    const bool byWatcher = k % 2 == 0;
    if (!waitUntil([&] { return rig.watcher()->ready(); })) break;
    const int polled = rig.watcher()->rounds();
    if (!waitUntil([&] { return rig.watcher()->rounds() >= polled + 2; })) break;  // it has seen the drive empty
    const double ms = rig.timeToPlaying([&] {
      rig.drives().insertImage(s.image);
      if (!byWatcher) rig.window().Command29_Click();
    });
    if (ms >= 0) (byWatcher ? ours : ref).push_back(ms);
    rig.engine().Stop();
    rig.drives().forgetNamedMedia();
    waitUntil([&] { return rig.engine().PlayState() == kStopped; });
  }
  const double r = median(ref), o = median(ours);
  Row row{"10 late disc to playing ms", r, o, "<= 2000 ms", o >= 0 && o <= 2000};
  row.note = QStringLiteral("10: the reference is the same disc put in and Close pressed at once.");
  rows.push_back(row);
  return rows;
}

std::vector<Row> growthRows(const Settings& s) {
  WindowRig rig(s.shortImage, 0);
  if (rig.timeToPlaying([&] { rig.window().Form_Load(); }) < 0) {
    std::fprintf(stderr, "the window never started its first track\n");
    return {};
  }
  const int buttons = std::min(rig.tracks(), 18);
  double after10 = -1;
  int missed = 0;
  QStringList trend;  // every 100 changes
  for (int k = 1; k <= s.changes; ++k) {
    const int index = k % buttons;
    if (rig.timeToPlaying([&] { rig.window().Songcmd_Click(index); }, 30000) < 0) ++missed;
    if (k == 10) after10 = residentMiB();
    if (k % 100 == 0) trend << QString::number(residentMiB(), 'f', 1);
  }
  const double afterN = residentMiB();
  Row row{QStringLiteral("6 RSS MiB after %1 changes").arg(s.changes), after10, afterN, "< +1 MiB",
          missed == 0 && afterN - after10 < 1};
  row.note = QStringLiteral("growth: RSS %1 MiB after 10 track changes, %2 MiB after %3 (%4%5 MiB)%6")
                 .arg(after10, 0, 'f', 1)
                 .arg(afterN, 0, 'f', 1)
                 .arg(s.changes)
                 .arg(afterN >= after10 ? "+" : "")
                 .arg(afterN - after10, 0, 'f', 1)
                 .arg(missed ? QStringLiteral("; %1 changes never reached playing").arg(missed) : QString()) +
             QStringLiteral("\n  RSS MiB every 100 changes: ") + trend.join(QLatin1Char(' '));
  return {row};
}

}  // namespace vcd::bench
