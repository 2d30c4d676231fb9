#pragma once
#include <QByteArray>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

struct mpv_handle;

namespace vcd::engine {

// Which file libmpv may open, answered on a thread of its own.
//
// libmpv asks before it opens each file (its on_load hook) and holds the file until it has the
// answer. Only the entry the engine named last, under the very name it gave, may be opened; an
// entry a playlist-like file adds on its own, or one named before the last, is turned away. The
// answer comes from what the GUI thread told the gate when it named the file, through a libmpv
// client of the gate's own with its own event wait: the file's start never waits for the GUI
// thread (which, for the first file, is making and showing the window meanwhile).
//
// With `holdForPicture` (the windowed engine) the gate also holds the named file once it is open
// and before libmpv chooses its tracks (its on_preloaded hook), until the picture is settled: its
// render context made (the video switched on) or none to come. So the file's opening runs beside
// the OpenGL driver's loading and the window's making, and the video is chosen from the start
// instead of being switched on later in the middle of the file. A picture that has not settled
// kPictureWaitMs after the first file was held (a face that is never shown) holds no file up.
//
// Thread rules: naming(), named(), closed() and pictureSettled() are called on the GUI thread and
// never wait for the gate's thread; admittedTicket() may be called on any thread. The destructor
// stops the thread (waking it from any wait) and ends the client: it must run before the core
// ends.
class LoadGate {
 public:
  static constexpr int kPictureWaitMs = 1500;

  LoadGate(mpv_handle* core, bool holdForPicture, bool logAnswers);
  ~LoadGate();
  LoadGate(const LoadGate&) = delete;
  LoadGate& operator=(const LoadGate&) = delete;

  // False when libmpv gave no client for the gate: then nothing is answered (and no file opens).
  bool ok() const { return m_client != nullptr; }

  // A loadfile of `url` is on its way to libmpv; until named() tells its entry, the gate answers
  // nothing (the entry is known once the command returns). Returns the naming's ticket, which
  // admittedTicket() gives back once libmpv has been let open that file.
  uint64_t naming(const QByteArray& url);
  // libmpv took the loadfile as playlist entry `entry` (-1 when it refused it).
  void named(int64_t entry);
  // Nothing named may be opened any more (the file was stopped).
  void closed();
  // The picture's render context is made, or none will be: the video can be chosen.
  void pictureSettled();

  // The ticket of the naming whose file libmpv was let open last (0: none yet).
  uint64_t admittedTicket() const;

 private:
  void run();
  void answerLoad(uint64_t hookId);
  void holdUntilPicture();

  mpv_handle* m_client = nullptr;
  const bool m_logAnswers;

  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  uint64_t m_ticket = 0;        // the last naming (or closing)
  QByteArray m_url;             // what the last naming named
  int64_t m_entry = -1;         // libmpv's entry of the last naming; -1 for none
  bool m_inFlight = false;      // the last naming's loadfile has not returned yet
  uint64_t m_admitted = 0;      // the ticket of the file let open last
  bool m_pictureSettled = false;
  bool m_quit = false;

  std::optional<std::chrono::steady_clock::time_point> m_holdSince;  // the first hold's start
  int64_t m_fileEntry = -1;     // the entry libmpv is starting (gate thread only)
  std::thread m_thread;
};

}  // namespace vcd::engine
