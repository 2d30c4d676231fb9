#include "engine/audio_settings.h"

#include <cmath>

namespace vcd::engine {

double mpvVolumeFromHundredthsDb(int hundredthsDb) {
  if (hundredthsDb <= -10000) return 0.0;
  if (hundredthsDb >= 0) return 100.0;
  return 100.0 * std::pow(10.0, hundredthsDb / 6000.0);
}

QByteArray channelFilter(AudioChannel channel) {
  switch (channel) {
    case AudioChannel::Stereo: return {};
    case AudioChannel::First: return "lavfi=[aformat=channel_layouts=stereo,pan=stereo|c0=c0|c1=c0]";
    case AudioChannel::Second: return "lavfi=[aformat=channel_layouts=stereo,pan=stereo|c0=c1|c1=c1]";
  }
  return {};
}

QString channelName(AudioChannel channel) {
  switch (channel) {
    case AudioChannel::Stereo: return QStringLiteral("Stereo");
    case AudioChannel::First: return QStringLiteral("First");
    case AudioChannel::Second: return QStringLiteral("Second");
  }
  return {};
}

}  // namespace vcd::engine
