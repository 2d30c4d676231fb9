// The code of the engine that libmpv's own threads run: the "cdrom" stream protocol through
// which libmpv reads disc tracks.
//
// Who calls what:
//   - StreamProtocol::name() and clear(): the GUI thread, when a file is named or stopped.
//   - openStream(): libmpv's thread that opens the file (its playback thread, or a loader).
//   - streamRead/Seek/Size/Close: the thread of libmpv's demuxer that reads the stream.
//   - streamCancel: any libmpv thread, also after streamClose (see OpenStreams).
// Locking rules:
//   - StreamProtocol::m_mutex guards the named track only. It is held to look the track up and
//     to take its opened stream, never while a track is opened or read. Under it the gate is
//     asked for its admitted ticket (the gate's own lock, taken inside this one; the gate never
//     calls back here, so the order is always this lock, then the gate's).
//   - OpenStreams has one mutex guarding the cookie table only. A stream is called (read, seek,
//     cancel) with that lock released, through a shared reference taken under it, and a closed
//     stream is let go of outside it (its end may close an image file or a drive).
//   - A TrackStream guards itself: reads on one thread, cancel from any.
// Nothing here waits for the GUI thread, and nothing here touches the player's own state.
#include "engine/stream_protocol.h"

#include "engine/load_gate.h"
#include "engine/media_player.h"
#include "platform/drives.h"
#include "platform/log.h"

#include <mpv/client.h>
#include <mpv/stream_cb.h>

#include <unordered_map>
#include <utility>

namespace vcd::engine {

namespace {

using SharedStream = std::shared_ptr<disc::TrackStream>;

// The disc tracks libmpv has open, by the cookie its stream callbacks get. libmpv may call a
// stream's cancel callback just after its close callback (it unlinks the cancel only when it
// frees the stream, and a replaced file cancels everything on another thread meanwhile). So a
// cookie is a number, never used twice, that each callback looks up: a closed stream's is gone.
// One table for the process: a cookie may be asked about after its engine has gone.
class OpenStreams {
 public:
  void* add(SharedStream stream) {
    std::lock_guard lock(m_mutex);
    const uintptr_t id = ++m_lastId;
    m_streams.emplace(id, std::move(stream));
    return reinterpret_cast<void*>(id);
  }
  SharedStream find(void* cookie) {
    std::lock_guard lock(m_mutex);
    const auto it = m_streams.find(reinterpret_cast<uintptr_t>(cookie));
    return it == m_streams.end() ? nullptr : it->second;
  }
  void remove(void* cookie) {
    SharedStream closing;  // let go of outside the lock
    std::lock_guard lock(m_mutex);
    if (const auto it = m_streams.find(reinterpret_cast<uintptr_t>(cookie)); it != m_streams.end()) {
      closing = std::move(it->second);
      m_streams.erase(it);
    }
  }

 private:
  std::mutex m_mutex;
  std::unordered_map<uintptr_t, SharedStream> m_streams;
  uintptr_t m_lastId = 0;
};

OpenStreams& openStreams() {
  static OpenStreams streams;
  return streams;
}

int64_t streamRead(void* cookie, char* buf, uint64_t n) {
  const SharedStream stream = openStreams().find(cookie);
  const int64_t got = stream ? stream->read(buf, n) : -1;
  return got < 0 ? -1 : got;
}
int64_t streamSeek(void* cookie, int64_t pos) {
  const SharedStream stream = openStreams().find(cookie);
  const int64_t at = stream ? stream->seek(pos) : -1;
  return at < 0 ? int64_t(MPV_ERROR_GENERIC) : at;
}
int64_t streamSize(void* cookie) {
  const SharedStream stream = openStreams().find(cookie);
  const int64_t size = stream ? stream->size() : -1;
  return size < 0 ? int64_t(MPV_ERROR_UNSUPPORTED) : size;
}
void streamClose(void* cookie) { openStreams().remove(cookie); }
void streamCancel(void* cookie) {
  if (const SharedStream stream = openStreams().find(cookie)) stream->cancel();
}

}  // namespace

std::shared_ptr<disc::TrackStream> openDiscTrack(platform::DriveManager* drives, const disc::DiscPath& track) {
  if (!drives) throw MediaError(QStringLiteral("No drives to read %1 from").arg(track.text()).toStdString());
  try {
    std::shared_ptr<disc::TrackStream> stream = drives->openFile(track);
    if (!stream) throw MediaError(QStringLiteral("Cannot open %1").arg(track.text()).toStdString());
    return stream;
  } catch (const platform::DiscError& e) {
    throw MediaError(e.what());
  }
}

void StreamProtocol::registerWith(mpv_handle* mpv, const LoadGate& gate) {
  m_gate = &gate;
  mpv_stream_cb_add_ro(mpv, disc::kSchemeName, this, [](void* user, char* uri, mpv_stream_cb_info* info) {
    auto* self = static_cast<StreamProtocol*>(user);
    SharedStream stream;
    try {
      stream = self->streamFor(QString::fromUtf8(uri));
    } catch (const std::exception& e) {
      qCDebug(lcEngine, "libmpv cannot open %s: %s", uri, e.what());
      return int(MPV_ERROR_LOADING_FAILED);
    }
    if (!stream) {
      qCDebug(lcEngine, "libmpv asked for %s, which is not the named track", uri);
      return int(MPV_ERROR_LOADING_FAILED);
    }
    info->cookie = openStreams().add(std::move(stream));
    info->read_fn = streamRead;
    info->seek_fn = streamSeek;
    info->size_fn = streamSize;
    info->close_fn = streamClose;
    info->cancel_fn = streamCancel;
    return 0;
  });
}

void StreamProtocol::name(const QString& url, const disc::DiscPath& track, std::shared_ptr<disc::TrackStream> opened,
                          uint64_t ticket) {
  std::map<QString, NamedTrack> old;  // let go of outside the lock
  std::lock_guard lock(m_mutex);
  old.swap(m_named);
  m_named.emplace(url, NamedTrack{track, std::move(opened), ticket});
}

void StreamProtocol::clear() {
  std::map<QString, NamedTrack> old;
  std::lock_guard lock(m_mutex);
  old.swap(m_named);
}

SharedStream StreamProtocol::streamFor(const QString& uri) {
  disc::DiscPath again;
  {
    std::lock_guard lock(m_mutex);
    const auto it = m_named.find(uri);
    if (it == m_named.end() || it->second.ticket != m_gate->admittedTicket()) return nullptr;
    // The track was opened when it was named (to refuse a missing one at once); use that stream.
    if (it->second.stream) return std::move(it->second.stream);
    again = it->second.path;
  }
  // libmpv opens the same track again (e.g. when it retries).
  return openDiscTrack(m_drives, again);
}

}  // namespace vcd::engine
