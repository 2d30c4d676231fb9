#pragma once
#include "engine/media_player.h"
#include "engine/audio_settings.h"
#include "engine/mpv_handles.h"
#include "engine/stream_protocol.h"
#include "disc/disc_path.h"

#include <QPointer>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

class QMenu;

namespace vcd::disc {
class TrackStream;
}
namespace vcd::platform {
class DriveManager;
}

namespace vcd::engine {

class VideoWidget;
class ControlBar;
class PropertiesDialog;
class LoadGate;

// The media engine: plays local files and disc tracks through libmpv.
//
// Every event libmpv reports is drained on the GUI thread (the wakeup callback only posts a
// queued call), so all signals come from the thread that owns the player. Only libmpv's question
// before it opens a file (which file may be opened, and in the windowed engine when its tracks
// may be chosen) is answered on a thread of its own (LoadGate), from what the GUI thread told it
// when it named the file. Disc tracks (cdrom://D/...) are read through the DriveManager by a
// stream protocol registered with libmpv, on libmpv's threads (StreamProtocol); nothing else but
// local files and that protocol is ever opened.
//
// The core (mpv_player.cpp: options, opening, transport, figures; mpv_player_events.cpp: the
// event drain and the phase machine) is apart from the face (mpv_player_face.cpp: the picture,
// the control bar, the context menu and Properties, sound and seeking as the face uses them).
//
// PlayState: 3 while a file opens (or buffers), 2 once libmpv shows its first frame and runs
// unpaused, 1 paused, 8 after a natural end, 0 after Stop or when the disc went away, and 6
// before any file or when the named file could not be played (not a medium libmpv can decode).
class MpvPlayer : public MediaPlayer {
  Q_OBJECT
 public:
  enum class Mode {
    Headless,  // no picture and no sound (vo=null, ao=null); widget() is nullptr
    Windowed,  // picture rendered into an OpenGL widget, default sound output
  };

  // The oldest libmpv client API the engine works with: 2.0, libmpv 0.35 (Debian 12).
  static constexpr unsigned long kOldestClientApi = (2ul << 16) | 0;
  // Why a libmpv of this client API version (mpv_client_api_version()) cannot be used, or empty
  // when it can; without an argument, the libmpv this process runs with.
  static QString unsupportedLibmpv(unsigned long clientApiVersion);
  static QString unsupportedLibmpv();

  // `drives` may be null (then only local files can be played); it must outlive the player.
  // Throws MediaError when libmpv cannot be used (too old, cannot start).
  MpvPlayer(platform::DriveManager* drives, Mode mode, QObject* parent = nullptr);
  ~MpvPlayer() override;

  void setFileName(const QString& path) override;
  QString FileName() const override { return m_fileName; }
  void Play() override;
  void Pause() override;
  void Stop() override;
  void setDisplaySize(int mode) override;
  int DisplaySize() const override { return m_displaySize; }
  double Duration() const override;
  double CurrentPosition() const override;
  int PlayState() const override { return m_state; }
  void SetFocus() override;
  QWidget* widget() override;
  // The picture libmpv decoded last, at the size the video is shown at (its stored size with its
  // pixel shape applied: 384 x 288 for a PAL Video CD), headless too; null when no picture of
  // the named file has been decoded yet.
  QImage currentFrame() override;

  Mode mode() const { return m_mode; }

  // The control's settings at start: sound at -2.9 dB, not muted, rate 1, played once, left at
  // its end (no rewind), on black; a windowed face shows its control bar and context menu.

  // Sound. The volume is on libmpv's 0..100 scale (see mpvVolumeFromHundredthsDb).
  void setVolume(double volume) override;
  double volume() const override;
  void setMute(bool mute);
  bool isMuted() const;

  // Which channel of the audio reaches both speakers (the MPEG Audio Decoder's "Channel"
  // setting). Takes effect at once on the playing file and holds for every later file, until
  // the player goes away. False (and the choice unchanged) when libmpv refuses the filter.
  bool setAudioChannel(AudioChannel channel);
  AudioChannel audioChannel() const { return m_channel; }

  // Headless only: from the next file on, the sound goes as a WAV file to `wavFile` instead of
  // nowhere, as 16-bit samples (an empty name sends it nowhere again). Each file that starts after a stop or an
  // end writes the file anew; tests measure what the speakers would have got.
  void setSoundCapture(const QString& wavFile);

  // Moves the playing (or paused) file to `seconds`; nothing happens while no file runs.
  void seek(double seconds) override;
  bool canSeek() const override { return m_phase == Phase::Active; }

  // The control's context menu (Play/Pause, Stop, Full Screen, Mute, Properties...), built for
  // the moment it is asked for; the caller owns it. A right click on the face pops it up.
  QMenu* buildContextMenu(QWidget* parent);
  // Opens the Properties dialog (without waiting for it), or raises the one already open.
  void showProperties();
  PropertiesDialog* propertiesDialog() const;

  // The control bar on the face; nullptr when headless.
  ControlBar* controlBar() const;

  // How disc tracks are opened: a Video CD track is a plain MPEG program stream whose
  // streams show up in the first few packs, so a short look is enough to start it.
  // (At 1x this is what decides how long the first frame takes: 32 KiB and 0.2 s of packets
  // still find both streams and the frame rate, in under 100 sectors.)
  static constexpr const char* kDiscProbeSize = "32768";
  static constexpr const char* kDiscAnalyzeDuration = "0.2";
  static constexpr const char* kDiscReadahead = "1";

  // The space bar and a click on the picture: pauses a running file, resumes a paused one where
  // it stands (as Play() does), and starts a stopped or ended one again from its beginning.
  void togglePause();

  // Whether the named file's picture / sound track is selected and running.
  bool playsVideo() const;
  bool playsAudio() const;

  // True while libmpv has nothing to play (no file loading or playing, nothing queued).
  bool engineIdle() const;

  // libmpv's current value of a property or option as text (empty when it has none); for
  // checks and diagnostics.
  QByteArray engineProperty(const char* name) const;

  // Sectors the current disc track has read so far (0 for local files). Benchmarks use it.
  int64_t sectorsRead() const;

 signals:
  // The windowed engine's picture has drawn its first frame.
  void firstPictureShown();

 private:
  // Where the named file stands, apart from pause/buffering which only refine "Active".
  enum class Phase { Closed, Loading, Active, Ended, Stopped, Failed };

  struct Event;  // a copy of one libmpv event (libmpv's own is valid only until the next wait)

  // reply_userdata values of the properties we observe.
  enum : uint64_t { kObservePausedForCache = 1, kObserveDuration = 2, kObserveVoConfigured = 3, kObserveVolume = 4 };

  void setOptions();
  void open(const QString& path, const std::optional<disc::DiscPath>& disc);
  void loadEntry(const QString& url, bool discTrack);
  void makeFace();  // the windowed engine's picture, control bar and context menu
  void dropFace();
  void drainEvents();
  void handle(const Event& ev);
  void pictureDecided(bool openGL);
  void updateState();
  void setState(int state);
  double liveDuration() const;
  void setPause(bool pause);
  bool hasTrack(const char* property) const;

  Mode m_mode;
  StreamProtocol m_protocol;  // outlives the core, whose threads call it
  MpvCore m_mpv;
  std::unique_ptr<LoadGate> m_gate;  // ends before the core
  QPointer<VideoWidget> m_widget;
  QPointer<ControlBar> m_bar;
  QPointer<PropertiesDialog> m_properties;
  AudioChannel m_channel = AudioChannel::Stereo;
  bool m_verboseLog = false;   // VCD_MPV_LOG: libmpv's log goes to stderr as it comes
  QString m_lastEngineError;   // libmpv's last error line for the named file

  QString m_fileName;
  std::optional<disc::DiscPath> m_discFile;  // m_fileName read as a disc path, if it is one
  QString m_url;               // what libmpv was asked to load for m_fileName
  int64_t m_entryId = -1;      // libmpv's playlist entry of the named file
  int64_t m_mpvEntryId = -1;   // the entry libmpv is working on (its last START_FILE)
  uint64_t m_generation = 0;   // bumps whenever the named file is replaced or reloaded
  Phase m_phase = Phase::Closed;
  bool m_pause = false;
  bool m_pausedForCache = false;
  bool m_seeking = false;      // a seek of the active file has begun and not yet landed
  bool m_startsOver = false;   // the loading file is the one that ran before, named again
  double m_volume = -1;        // the volume last told by VolumeChange
  int m_state = kClosed;
  int m_displaySize = kDisplayFitToControl;
  double m_mpvDuration = -1;   // libmpv's length of the named file, while it is loaded
  double m_endedDuration = 0;  // figures of a file that played to its end
  std::shared_ptr<disc::TrackStream> m_stream;  // the disc track being played, if any

  bool m_draining = false;
  bool m_drainAgain = false;
  bool m_trimDue = false;      // a file ended since libmpv's memory was last handed back
  std::atomic<bool> m_wakeupPosted{false};
};

}  // namespace vcd::engine
