#pragma once
#include "platform/drives.h"

#include <memory>

namespace vcd::mpv {

// One opened disc track, shared between the player (which may cancel it and asks it whether
// the disc went away) and libmpv's stream (which reads it on libmpv's demuxer thread).
class StreamHandle {
 public:
  explicit StreamHandle(std::unique_ptr<platform::TrackStream> stream) : m_stream(std::move(stream)) {}
  platform::TrackStream& stream() { return *m_stream; }
  const platform::TrackStream& stream() const { return *m_stream; }

 private:
  std::unique_ptr<platform::TrackStream> m_stream;
};

}  // namespace vcd::mpv
