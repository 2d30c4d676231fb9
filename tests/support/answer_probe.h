#pragma once
// How long the GUI thread takes to answer a queued call, asked from another thread every 20 ms
// for as long as the probe lives: the worst round trip seen, counting a call still unanswered with
// its age so far, and how many calls were answered.
#include <QCoreApplication>
#include <QMetaObject>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

namespace vcd::test {

class AnswerProbe {
 public:
  AnswerProbe() : asker_([this] { ask(); }) {}
  ~AnswerProbe() { stop(); }
  // Stops asking; a call still waiting counts with its age so far.
  void stop() {
    stopping_ = true;
    if (asker_.joinable()) asker_.join();
  }
  long worstMs() const { return *worst_; }
  int answered() const { return answered_; }
  // The worst round trip from now on (say, once the window is up).
  void restart() { *worst_ = 0; }

 private:
  void ask() {
    using Clock = std::chrono::steady_clock;
    const auto since = [](Clock::time_point t) {
      return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
    };
    while (!stopping_) {
      auto answer = std::make_shared<std::promise<void>>();
      std::future<void> answered = answer->get_future();
      const auto asked = Clock::now();
      // Timed where the GUI thread runs it: the asking thread's own waits on a busy machine do not count.
      // (A call left waiting may run after the probe is gone: it holds what it writes to.)
      QMetaObject::invokeMethod(qApp, [worst = worst_, answer, asked, since] {
        note(*worst, since(asked));
        answer->set_value();
      }, Qt::QueuedConnection);
      bool done = false;
      while (!done && !stopping_) done = answered.wait_for(std::chrono::milliseconds(5)) == std::future_status::ready;
      if (!done) note(*worst_, since(asked));  // still unanswered: its age so far
      if (done) ++answered_, std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the asking thread's pace
    }
  }
  static void note(std::atomic<long>& worst, long ms) {
    for (long seen = worst; ms > seen && !worst.compare_exchange_weak(seen, ms);) {
    }
  }
  std::atomic<bool> stopping_{false};
  std::shared_ptr<std::atomic<long>> worst_ = std::make_shared<std::atomic<long>>(0);
  std::atomic<int> answered_{0};
  std::thread asker_;
};

}  // namespace vcd::test
