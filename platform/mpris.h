#pragma once
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace vcd::platform {

// What the desktop's media keys and media applet see of the player, and what they may ask of it.
class MprisControls {
 public:
  struct State {
    QString playbackStatus = QStringLiteral("Stopped");  // "Playing", "Paused" or "Stopped"
    bool canPlay = false;
    bool canPause = false;
    bool canGoNext = false;
    bool canSeek = false;  // a track plays (or is paused) and its position can be moved
    QString title;         // empty: no track
    QString album;         // the disc's name (empty: none)
    qint64 lengthUs = 0;   // the track's length in microseconds (0: unknown)
    int trackNumber = 0;   // 1-based place in the playlist (0: none)
    int discNumber = 0;    // the disc's place in its set of discs (0: not one of a set)
    double volume = 1.0;   // 0..1
    QString loopStatus = QStringLiteral("None");  // "None" or "Track"
    bool shuffle = false;
    bool operator==(const State&) const = default;
  };

  virtual ~MprisControls() = default;
  virtual State state() const = 0;
  virtual void playPause() = 0;
  virtual void play() = 0;
  virtual void pause() = 0;
  virtual void stop() = 0;
  virtual void next() = 0;
  virtual void raise() = 0;
  virtual void quit() = 0;
  // Where the track stands now, read when asked (microseconds; 0 without a track).
  virtual qint64 positionUs() const = 0;
  // Moves the track to `us`, which the service has held within 0..lengthUs.
  virtual void seekTo(qint64 us) = 0;
  virtual void setVolume(double volume) = 0;  // 0..1
  // "None", "Track" or "Playlist"; Shuffle on or off. The controls decide what each one means.
  virtual void setLoopStatus(const QString& status) = 0;
  virtual void setShuffle(bool on) = 0;
};

class MprisRootAdaptor;
class MprisPlayerAdaptor;

// MPRIS 2 on the session bus: the name org.mpris.MediaPlayer2.vcdplayer with the root and the
// Player interfaces at /org/mpris/MediaPlayer2. Methods go to the controls; properties are read
// from them, and refresh() announces what changed with org.freedesktop.DBus.Properties'
// PropertiesChanged, as applets expect.
class MprisService : public QObject {
  Q_OBJECT
 public:
  static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.vcdplayer";
  static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

  MprisService(MprisControls& controls, QDBusConnection bus, QObject* parent = nullptr);
  ~MprisService() override;

  // Registers the object and the name; false (and a line at debug level) when the bus is not
  // there or the name is taken by another instance.
  bool publish();
  bool isPublished() const { return published_; }

  // Reads the controls' state again and signals the properties that changed.
  void refresh();
  // Tells the applets that the position jumped (Seeked, with the position now).
  void announceSeek();

  // What Seek and SetPosition ask for, checked as MPRIS requires before the controls move.
  void seekBy(qint64 offsetUs);
  void setPosition(const QString& trackId, qint64 us);

  MprisControls& controls() { return controls_; }
  // The Metadata map of a state (empty map's trackid: no track).
  static QVariantMap metadataOf(const MprisControls::State& state);
  static QString trackIdOf(const MprisControls::State& state);

 private:
  MprisControls& controls_;
  QDBusConnection bus_;
  MprisRootAdaptor* root_ = nullptr;
  MprisPlayerAdaptor* player_ = nullptr;
  MprisControls::State last_;
  bool published_ = false;
};

}  // namespace vcd::platform
