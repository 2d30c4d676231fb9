#include "platform/mpris.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <algorithm>

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

QString MprisService::trackIdOf(const MprisControls::State& state) {
  if (state.title.isEmpty()) return QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
  return QStringLiteral("/org/example/voren/vcdplayer/track/%1").arg(state.trackNumber);
}

// No artist: a Video CD names none, and an empty one shows as "Unknown artist".
QVariantMap MprisService::metadataOf(const MprisControls::State& state) {
  QVariantMap m;
  m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackIdOf(state))));
  if (state.title.isEmpty()) return m;
  m.insert(QStringLiteral("xesam:title"), state.title);
  if (!state.album.isEmpty()) m.insert(QStringLiteral("xesam:album"), state.album);
  if (state.lengthUs > 0) m.insert(QStringLiteral("mpris:length"), state.lengthUs);
  if (state.trackNumber > 0) m.insert(QStringLiteral("xesam:trackNumber"), state.trackNumber);
  if (state.discNumber > 0) m.insert(QStringLiteral("xesam:discNumber"), state.discNumber);
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
  if (now.canSeek != last_.canSeek) changed.insert(QStringLiteral("CanSeek"), now.canSeek);
  if (now.volume != last_.volume) changed.insert(QStringLiteral("Volume"), now.volume);
  if (now.loopStatus != last_.loopStatus) changed.insert(QStringLiteral("LoopStatus"), now.loopStatus);
  if (now.shuffle != last_.shuffle) changed.insert(QStringLiteral("Shuffle"), now.shuffle);
  if (now.title != last_.title || now.album != last_.album || now.lengthUs != last_.lengthUs ||
      now.trackNumber != last_.trackNumber)
    changed.insert(QStringLiteral("Metadata"), metadataOf(now));
  last_ = now;
  QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                   QStringLiteral("org.freedesktop.DBus.Properties"),
                                                   QStringLiteral("PropertiesChanged"));
  signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
  bus_.send(signal);
}

void MprisService::announceSeek() {
  if (!published_) return;
  // The properties that changed with the jump (a track that became seekable) go first.
  refresh();
  emit player_->Seeked(controls_.positionUs());
}

// Before the start the track starts; past its end it ends, as the seek bar dragged there does,
// and the play order decides what follows.
void MprisService::seekBy(qint64 offsetUs) {
  const MprisControls::State now = controls_.state();
  if (!now.canSeek) return;
  qint64 to = controls_.positionUs() + offsetUs;
  to = std::max<qint64>(to, 0);
  if (now.lengthUs > 0) to = std::min(to, now.lengthUs);
  controls_.seekTo(to);
}

// Only for the track the caller means, and only to a place within it; anything else is ignored.
void MprisService::setPosition(const QString& trackId, qint64 us) {
  const MprisControls::State now = controls_.state();
  if (!now.canSeek || trackId != trackIdOf(now) || us < 0 || (now.lengthUs > 0 && us > now.lengthUs)) {
    qCDebug(lcWindow) << "MPRIS: SetPosition" << trackId << us << "ignored; the track is" << trackIdOf(now);
    return;
  }
  controls_.seekTo(us);
}

}  // namespace vcd::platform
