#pragma once
#include "disc/disc_path.h"

#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

struct mpv_handle;

namespace vcd::disc {
class TrackStream;
}
namespace vcd::platform {
class DriveManager;
}

namespace vcd::engine {

class LoadGate;

// Opens a track on a disc through the drive table. Throws MediaError when it cannot be opened
// (no drives, no disc, no such file). Any thread: the drive table is thread-safe.
std::shared_ptr<disc::TrackStream> openDiscTrack(platform::DriveManager* drives, const disc::DiscPath& track);

// libmpv's way to the disc: the "cdrom" stream protocol, whose callbacks libmpv's own threads
// call (see the rules at the top of stream_protocol.cpp). Only the disc track the engine named
// last, and only once the load gate has let libmpv open that naming's file, is handed out.
class StreamProtocol {
 public:
  // `drives` may be null (then no disc track opens); it must outlive the protocol.
  explicit StreamProtocol(platform::DriveManager* drives) : m_drives(drives) {}
  StreamProtocol(const StreamProtocol&) = delete;
  StreamProtocol& operator=(const StreamProtocol&) = delete;

  // Registers the protocol with `mpv`, asking `gate` which naming was let open. The protocol
  // and the gate must outlive the core's threads.
  void registerWith(mpv_handle* mpv, const LoadGate& gate);

  // GUI thread. The disc track named under `url` with the gate's `ticket` replaces whatever was
  // named before; `opened` is the stream opened for it to refuse a missing track at once, handed
  // to libmpv on its first open (a later open reads the track anew).
  void name(const QString& url, const disc::DiscPath& track, std::shared_ptr<disc::TrackStream> opened,
            uint64_t ticket);
  // GUI thread. Nothing named may be opened any more (a local file was named, or playback stopped).
  void clear();

  platform::DriveManager* drives() const { return m_drives; }

 private:
  std::shared_ptr<disc::TrackStream> streamFor(const QString& uri);

  // The named disc track by the URL libmpv was given: where it lies, the stream opened for it
  // until libmpv takes it over, and the gate's ticket of its naming (only the file the gate let
  // open may take it: a file named before it and let open just before it was named again is not).
  struct NamedTrack {
    disc::DiscPath path;
    std::shared_ptr<disc::TrackStream> stream;
    uint64_t ticket = 0;
  };

  platform::DriveManager* const m_drives;
  const LoadGate* m_gate = nullptr;  // set once, before libmpv can call
  std::mutex m_mutex;                // guards m_named
  std::map<QString, NamedTrack> m_named;
};

}  // namespace vcd::engine
