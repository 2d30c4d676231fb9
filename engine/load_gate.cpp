#include "engine/load_gate.h"

#include "engine/mpv_handles.h"
#include "platform/log.h"

#include <mpv/client.h>

#include <chrono>
#include <cstdio>

namespace vcd::engine {

namespace {
// reply_userdata of the gate's hooks.
enum : uint64_t { kHookOnLoad = 1, kHookOnPreloaded = 2 };
}  // namespace

LoadGate::LoadGate(mpv_handle* core, bool holdForPicture, bool logAnswers) : m_logAnswers(logAnswers) {
  m_client = mpv_create_client(core, "load-gate");
  if (!m_client) {
    qCWarning(lcEngine, "libmpv gave no client to answer its hooks: no file could be opened");
    return;
  }
  mpv_hook_add(m_client, kHookOnLoad, "on_load", 0);
  if (holdForPicture) mpv_hook_add(m_client, kHookOnPreloaded, "on_preloaded", 0);
  m_pictureSettled = !holdForPicture;
  m_thread = std::thread([this] { run(); });
}

LoadGate::~LoadGate() {
  if (!m_client) return;
  {
    std::lock_guard lock(m_mutex);
    m_quit = true;
  }
  m_changed.notify_all();
  mpv_wakeup(m_client);
  m_thread.join();
  // A hook still registered on this client is let go by libmpv with the client.
  mpv_destroy(m_client);
}

uint64_t LoadGate::naming(const QByteArray& url) {
  std::lock_guard lock(m_mutex);
  m_url = url;
  m_entry = -1;
  m_inFlight = true;
  return ++m_ticket;
}

void LoadGate::named(int64_t entry) {
  {
    std::lock_guard lock(m_mutex);
    m_entry = entry;
    m_inFlight = false;
  }
  m_changed.notify_all();
}

void LoadGate::closed() {
  {
    std::lock_guard lock(m_mutex);
    ++m_ticket;
    m_url.clear();
    m_entry = -1;
    m_inFlight = false;
  }
  m_changed.notify_all();
}

void LoadGate::pictureSettled() {
  {
    std::lock_guard lock(m_mutex);
    if (m_pictureSettled) return;
    m_pictureSettled = true;
  }
  m_changed.notify_all();
}

uint64_t LoadGate::admittedTicket() const {
  std::lock_guard lock(m_mutex);
  return m_admitted;
}

void LoadGate::run() {
  for (;;) {
    {
      std::lock_guard lock(m_mutex);
      if (m_quit) return;
    }
    mpv_event* ev = mpv_wait_event(m_client, -1);
    switch (ev->event_id) {
      case MPV_EVENT_SHUTDOWN: return;
      case MPV_EVENT_START_FILE:
        // Comes before the hooks of the file it starts.
        m_fileEntry = static_cast<mpv_event_start_file*>(ev->data)->playlist_entry_id;
        break;
      case MPV_EVENT_HOOK: {
        const auto* hook = static_cast<mpv_event_hook*>(ev->data);
        const uint64_t id = hook->id;
        if (ev->reply_userdata == kHookOnLoad) answerLoad(id);
        if (ev->reply_userdata == kHookOnPreloaded) holdUntilPicture();
        mpv_hook_continue(m_client, id);
        if (ev->reply_userdata == kHookOnLoad) platform::startupStep("libmpv: on_load answered (own thread)");
        break;
      }
      default: break;
    }
  }
}

void LoadGate::answerLoad(uint64_t) {
  const MpvString name = propertyString(m_client, "stream-open-filename");
  bool ours = false;
  {
    std::unique_lock lock(m_mutex);
    // A loadfile on its way: its entry is known the moment the command returns (libmpv runs
    // commands while it waits for a hook, so this wait is short).
    m_changed.wait(lock, [this] { return !m_inFlight || m_quit; });
    ours = name && m_fileEntry == m_entry && m_entry >= 0 && m_url == name.get();
    if (ours) m_admitted = m_ticket;
    if (m_logAnswers)
      std::fprintf(stderr, "[engine] on_load %s (entry %lld, named %lld, %s): %s\n", name ? name.get() : "-",
                   static_cast<long long>(m_fileEntry), static_cast<long long>(m_entry), m_url.constData(),
                   ours ? "opened" : "refused");
  }
  if (!ours) mpv_set_property_string(m_client, "stream-open-filename", "refused://");
}

void LoadGate::holdUntilPicture() {
  std::unique_lock lock(m_mutex);
  if (m_logAnswers)
    std::fprintf(stderr, "[engine] on_preloaded (entry %lld, named %lld): %s\n", static_cast<long long>(m_fileEntry),
                 static_cast<long long>(m_entry), m_pictureSettled ? "picture settled" : "held for the picture");
  if (m_pictureSettled) return;
  // Only the named file waits; one named before it is on its way out.
  const uint64_t ticket = m_ticket;
  if (m_inFlight || m_fileEntry != m_entry) return;
  // One bound for the whole wait, counted from the first file held: a face that is not shown
  // within it holds no file after it (each file then starts as it would without the gate, its
  // video switched on whenever the render context comes).
  if (!m_holdSince) m_holdSince = std::chrono::steady_clock::now();
  const auto deadline = *m_holdSince + std::chrono::milliseconds(kPictureWaitMs);
  platform::startupStep("libmpv: file open, waiting for the picture (own thread)");
  m_changed.wait_until(lock, deadline, [&] { return m_pictureSettled || m_ticket != ticket || m_inFlight || m_quit; });
  if (!m_pictureSettled) qCDebug(lcEngine, "the file's tracks are chosen before the picture could be shown");
}

}  // namespace vcd::engine
