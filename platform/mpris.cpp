#include "platform/mpris.h"

#include <QDBusMessage>
#include <QDBusObjectPath>

#include "platform/log.h"
#include "platform/mpris_adaptors.h"

namespace vcd::platform {

MprisService::MprisService(MprisControls& controls, QDBusConnection bus, QObject* parent)
    : QObject(parent), controls_(controls), bus_(std::move(bus)) {
  root_ = new MprisRootAdaptor(this);
  player_ = new MprisPlayerAdaptor(this);
}

MprisService::~MprisService() {
  if (!published_) return;
  bus_.unregisterService(QString::fromLatin1(kServiceName));
  bus_.unregisterObject(QString::fromLatin1(kObjectPath));
}

bool MprisService::publish() {
  if (published_) return true;
  if (!bus_.isConnected()) {
    qCDebug(lcWindow) << "No session bus: media keys and the desktop's media applet do not reach the player";
    return false;
  }
  if (!bus_.registerObject(QString::fromLatin1(kObjectPath), this, QDBusConnection::ExportAdaptors)) {
    qCDebug(lcWindow) << "MPRIS: the object" << kObjectPath << "cannot be registered:" << bus_.lastError().message();
    return false;
  }
  if (!bus_.registerService(QString::fromLatin1(kServiceName))) {
    // A second player already answers the media keys.
    qCDebug(lcWindow) << "MPRIS: the name" << kServiceName << "is taken:" << bus_.lastError().message();
    bus_.unregisterObject(QString::fromLatin1(kObjectPath));
    return false;
  }
  published_ = true;
  last_ = controls_.state();
  return true;
}

QVariantMap MprisService::metadataOf(const MprisControls::State& state) {
  if (state.title.isEmpty())
    return {{QStringLiteral("mpris:trackid"),
             QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack")))}};
  QVariantMap m;
  m.insert(QStringLiteral("mpris:trackid"),
           QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/example/voren/vcdplayer/track/%1")
                                                   .arg(state.trackNumber))));
  m.insert(QStringLiteral("xesam:title"), state.title);
  if (state.lengthUs > 0) m.insert(QStringLiteral("mpris:length"), state.lengthUs);
  if (state.trackNumber > 0) m.insert(QStringLiteral("xesam:trackNumber"), state.trackNumber);
  return m;
}

void MprisService::refresh() {
  if (!published_) return;
  const MprisControls::State now = controls_.state();
  if (now == last_) return;
  QVariantMap changed;
  if (now.playbackStatus != last_.playbackStatus) changed.insert(QStringLiteral("PlaybackStatus"), now.playbackStatus);
  if (now.canPlay != last_.canPlay) changed.insert(QStringLiteral("CanPlay"), now.canPlay);
  if (now.canPause != last_.canPause) changed.insert(QStringLiteral("CanPause"), now.canPause);
  if (now.canGoNext != last_.canGoNext) changed.insert(QStringLiteral("CanGoNext"), now.canGoNext);
  if (now.title != last_.title || now.lengthUs != last_.lengthUs || now.trackNumber != last_.trackNumber)
    changed.insert(QStringLiteral("Metadata"), metadataOf(now));
  last_ = now;
  QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                   QStringLiteral("org.freedesktop.DBus.Properties"),
                                                   QStringLiteral("PropertiesChanged"));
  signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
  bus_.send(signal);
}

}  // namespace vcd::platform
