#pragma once
// The two MPRIS 2 interfaces as Qt D-Bus adaptors of MprisService. Internal to platform/mpris.cpp.
#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QStringList>
#include <QVariantMap>

#include "platform/mpris.h"

namespace vcd::platform {

class MprisRootAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
  Q_PROPERTY(bool CanQuit READ canQuit)
  Q_PROPERTY(bool CanRaise READ canRaise)
  Q_PROPERTY(bool HasTrackList READ hasTrackList)
  Q_PROPERTY(QString Identity READ identity)
  Q_PROPERTY(QString DesktopEntry READ desktopEntry)
  Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
  Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)
 public:
  explicit MprisRootAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}
  bool canQuit() const { return true; }
  bool canRaise() const { return true; }
  bool hasTrackList() const { return false; }
  QString identity() const { return QStringLiteral("Voren VCD Player Lite"); }
  QString desktopEntry() const { return QStringLiteral("org.example.voren.vcdplayer"); }
  // It plays what it finds on the disc; nothing is opened through the applet.
  QStringList supportedUriSchemes() const { return {}; }
  QStringList supportedMimeTypes() const { return {}; }

 public slots:
  void Raise() { service_->controls().raise(); }
  void Quit() { service_->controls().quit(); }

 private:
  MprisService* service_;
};

class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
  Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
  Q_PROPERTY(double Rate READ rate)
  Q_PROPERTY(double MinimumRate READ rate)
  Q_PROPERTY(double MaximumRate READ rate)
  Q_PROPERTY(QVariantMap Metadata READ metadata)
  Q_PROPERTY(double Volume READ volume WRITE setVolume)
  Q_PROPERTY(QString LoopStatus READ loopStatus WRITE setLoopStatus)
  Q_PROPERTY(bool Shuffle READ shuffle WRITE setShuffle)
  Q_PROPERTY(qlonglong Position READ position)
  Q_PROPERTY(bool CanGoNext READ canGoNext)
  Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
  Q_PROPERTY(bool CanPlay READ canPlay)
  Q_PROPERTY(bool CanPause READ canPause)
  Q_PROPERTY(bool CanSeek READ canSeek)
  Q_PROPERTY(bool CanControl READ canControl)
 public:
  explicit MprisPlayerAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}
  QString playbackStatus() const { return state().playbackStatus; }
  double rate() const { return 1.0; }
  QVariantMap metadata() const { return MprisService::metadataOf(state()); }
  double volume() const { return state().volume; }
  void setVolume(double v) { service_->controls().setVolume(v); }
  QString loopStatus() const { return state().loopStatus; }
  void setLoopStatus(const QString& status) { service_->controls().setLoopStatus(status); }
  bool shuffle() const { return state().shuffle; }
  void setShuffle(bool on) { service_->controls().setShuffle(on); }
  qlonglong position() const { return service_->controls().positionUs(); }
  bool canGoNext() const { return state().canGoNext; }
  bool canGoPrevious() const { return false; }
  bool canPlay() const { return state().canPlay; }
  bool canPause() const { return state().canPause; }
  bool canSeek() const { return state().canSeek; }
  bool canControl() const { return true; }

 public slots:
  void Next() { service_->controls().next(); }
  void Previous() {}
  void Pause() { service_->controls().pause(); }
  void PlayPause() { service_->controls().playPause(); }
  void Stop() { service_->controls().stop(); }
  void Play() { service_->controls().play(); }
  void Seek(qlonglong offset) { service_->seekBy(offset); }
  void SetPosition(const QDBusObjectPath& trackId, qlonglong position) { service_->setPosition(trackId.path(), position); }
  void OpenUri(const QString&) {}

 signals:
  void Seeked(qlonglong position);

 private:
  MprisControls::State state() const { return service_->controls().state(); }
  MprisService* service_;
};

}  // namespace vcd::platform
