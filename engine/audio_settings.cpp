#include "engine/audio_settings.h"

#include <QFileInfo>

#include <algorithm>
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

QByteArray audioOutputs(const QProcessEnvironment& environment, const QString& systemFolder) {
  // Where the PipeWire client library connects: the remote's name (PIPEWIRE_REMOTE, else
  // "pipewire-0"), a path of its own or a name in the runtime folder (PIPEWIRE_RUNTIME_DIR, else
  // XDG_RUNTIME_DIR, else USERPROFILE). A server of the whole system has its socket in the
  // system's folder: looked for there too, which at worst costs the failed try as before.
  const QString remote = environment.value(QStringLiteral("PIPEWIRE_REMOTE"), QStringLiteral("pipewire-0"));
  QStringList sockets;
  if (remote.startsWith(u'/')) {
    sockets << remote;
  } else {
    for (const char* name : {"PIPEWIRE_RUNTIME_DIR", "XDG_RUNTIME_DIR", "USERPROFILE"}) {
      const QString folder = environment.value(QString::fromLatin1(name));
      if (folder.isEmpty()) continue;
      sockets << folder + u'/' + remote;
      break;
    }
    if (!systemFolder.isEmpty()) sockets << systemFolder + u'/' + remote;
  }
  const bool pipeWire = std::any_of(sockets.cbegin(), sockets.cend(), [](const QString& s) { return QFileInfo::exists(s); });
  return pipeWire ? QByteArray("pipewire,") + kAudioOutputsWithoutPipeWire : QByteArray(kAudioOutputsWithoutPipeWire);
}

}  // namespace vcd::engine
