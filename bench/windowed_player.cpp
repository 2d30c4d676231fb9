// The player as users run it — the main window with the windowed engine drawing the picture —
// measured from inside: how long the GUI thread takes to answer a call queued from another
// thread (idle, then while the disc's first track plays) and how many frames the picture shows
// per second. Prints one line:
//   idle_median_ms idle_p90_ms playing_median_ms playing_p90_ms frames_per_s drops delayed
// and exits 0; exits 1 when the track did not play.
//   windowed_player DISC.cue SECONDS_OF_FRAMES
#include "bench/bench.h"
#include "platform/linux_drives.h"
#include "ui/fonts.h"
#include "engine/mpv_player.h"
#include "engine/video_widget.h"
#include "player/playerfrm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <functional>
#include <chrono>
#include <clocale>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Round trips of a call queued to the GUI thread from a thread of its own, one every 20 ms.
class RoundTrips {
 public:
  explicit RoundTrips(QObject* gui) : gui_(gui) {}

  // Takes `count` samples; `done` runs on the GUI thread with the median and 90th percentile.
  void measure(int count, std::function<void(double, double)> done) {
    worker_ = std::thread([this, count, done = std::move(done)] {
      std::vector<double> ms;
      for (int i = 0; i < count; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const auto sent = Clock::now();
        std::unique_lock lock(mutex_);
        answered_ = false;
        QMetaObject::invokeMethod(gui_, [this] {
          std::lock_guard l(mutex_);
          answered_ = true;
          cv_.notify_one();
        }, Qt::QueuedConnection);
        cv_.wait(lock, [this] { return answered_; });
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
      }
      std::sort(ms.begin(), ms.end());
      const double median = ms[ms.size() / 2], p90 = ms[ms.size() * 9 / 10];
      QMetaObject::invokeMethod(gui_, [done, median, p90] { done(median, p90); }, Qt::QueuedConnection);
    });
  }
  ~RoundTrips() {
    if (worker_.joinable()) worker_.join();
  }

 private:
  QObject* gui_;
  std::thread worker_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool answered_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  vcd::ui::registerWindowFonts();
  std::setlocale(LC_NUMERIC, "C");
  if (argc < 3) return 2;
  const int frameSeconds = std::atoi(argv[2]);
  vcd::platform::LinuxDriveManager drives([] { return std::vector<vcd::platform::OpticalDevice>{}; });
  if (!drives.insertImage(QString::fromLocal8Bit(argv[1]))) return 2;
  vcd::engine::MpvPlayer engine(&drives, vcd::engine::MpvPlayer::Mode::Windowed);
  vcd::player::PlayerfrmServices services;
  services.player = &engine;
  services.drives = &drives;
  services.endProgram = [] { _exit(1); };
  services.messageBox = [](vcd::ui::MessageIcon, const QString&, const QString&) {};
  vcd::player::Playerfrm window(std::move(services));
  window.show();
  auto* video = qobject_cast<vcd::engine::VideoWidget*>(engine.widget());

  QObject anchor;
  RoundTrips idle(&anchor), playing(&anchor);
  double idleMedian = -1, idleP90 = -1;
  QTimer::singleShot(180000, [] { _exit(1); });
  // Idle first: the window shown, nothing playing.
  QTimer::singleShot(1500, [&] {
    idle.measure(100, [&](double median, double p90) {
      idleMedian = median;
      idleP90 = p90;
      window.Form_Load();  // finds the disc and plays its first track
      auto* started = new QTimer(&anchor);
      QObject::connect(started, &QTimer::timeout, [&, started] {
        if (engine.PlayState() != vcd::kPlaying || engine.CurrentPosition() < 2.0) return;
        started->stop();
        playing.measure(300, [&](double pMedian, double pP90) {
          // Counted over the measured stretch only: the first frames of a file may be dropped
          // while it starts, which is no sign of frames being late.
          const int from = video ? video->framesRendered() : 0;
          const long dropsFrom = engine.engineProperty("frame-drop-count").toLong();
          const long delayedFrom = engine.engineProperty("vo-delayed-frame-count").toLong();
          QElapsedTimer clock;
          clock.start();
          QTimer::singleShot(frameSeconds * 1000, [&, from, dropsFrom, delayedFrom, clock, pMedian, pP90] {
            const double fps = (video ? video->framesRendered() - from : 0) / (clock.nsecsElapsed() / 1e9);
            std::printf("%.3f %.3f %.3f %.3f %.3f %ld %ld\n", idleMedian, idleP90, pMedian, pP90, fps,
                        engine.engineProperty("frame-drop-count").toLong() - dropsFrom,
                        engine.engineProperty("vo-delayed-frame-count").toLong() - delayedFrom);
            std::fflush(nullptr);
            _exit(engine.PlayState() == vcd::kPlaying ? 0 : 1);
          });
        });
      });
      started->start(50);
    });
  });
  return QApplication::exec();
}
