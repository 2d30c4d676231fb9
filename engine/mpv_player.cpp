// The engine's core: libmpv's options, naming and opening a file, the transport and the figures.
// Of what is set up here, libmpv's threads call only the wakeup callback, which queues one drain
// on the GUI thread (mpv_player_events.cpp), and the stream protocol (stream_protocol.cpp).
#include "engine/mpv_player.h"

#include "disc/disc_path.h"
#include "disc/track_stream.h"
#include "platform/log.h"
#include "engine/load_gate.h"
#include "engine/mpv_command.h"
#include "engine/mpv_library.h"
#include "engine/video_widget.h"

#include <QFileInfo>
#include <QMetaObject>
#include <mpv/client.h>

#include <utility>

namespace vcd::engine {

namespace {

void setOption(mpv_handle* mpv, const char* name, const char* value) {
  // Options this build of libmpv does not know (e.g. a build without a scripting backend has
  // no "osc") are not fatal: whatever they would switch off is not there in the first place.
  mpv_set_option_string(mpv, name, value);
}

}  // namespace

QString MpvPlayer::unsupportedLibmpv() { return unsupportedLibmpv(mpv_client_api_version()); }

QString MpvPlayer::unsupportedLibmpv(unsigned long version) {
  // A new major version is a new library (libmpv.so.2 is API 2.x): its promises may differ.
  if (version >= kOldestClientApi && (version >> 16) == (kOldestClientApi >> 16)) return {};
  return QStringLiteral("This libmpv (client API %1.%2) is not supported: libmpv 0.35 or later of the 0.x series "
                        "(client API 2.x) is needed.")
      .arg(version >> 16)
      .arg(version & 0xffff);
}

MpvPlayer::MpvPlayer(platform::DriveManager* drives, Mode mode, QObject* parent)
    : MediaPlayer(parent), m_mode(mode), m_protocol(drives) {
  if (const disc::Result<void> loaded = libmpvLoaded(); !loaded)
    throw MediaError(QStringLiteral("libmpv cannot be loaded: %1").arg(loaded.reason()).toStdString());
  if (const QString refusal = unsupportedLibmpv(); !refusal.isEmpty()) throw MediaError(refusal.toStdString());
  platform::startupStep("libmpv: creating");
  m_mpv = MpvCore(mpv_create());
  if (!m_mpv) throw MediaError("libmpv could not be created");

  setOptions();
  if (mpv_initialize(m_mpv) < 0) throw MediaError("libmpv could not be started");
  platform::startupStep("libmpv initialised");
  // VCD_MPV_LOG=v (or debug, info, ...) passes libmpv's whole log to stderr, the gate's answers
  // with it.
  m_verboseLog = qEnvironmentVariableIsSet("VCD_MPV_LOG");
  m_gate = std::make_unique<LoadGate>(m_mpv, mode == Mode::Windowed, m_verboseLog);
  if (!m_gate->ok()) throw MediaError("libmpv could not be started");

  m_protocol.registerWith(m_mpv, *m_gate);
  mpv_observe_property(m_mpv, kObservePausedForCache, "paused-for-cache", MPV_FORMAT_FLAG);
  mpv_observe_property(m_mpv, kObserveDuration, "duration", MPV_FORMAT_DOUBLE);
  if (mode == Mode::Windowed) mpv_observe_property(m_mpv, kObserveVoConfigured, "vo-configured", MPV_FORMAT_FLAG);
  mpv_observe_property(m_mpv, kObserveVolume, "volume", MPV_FORMAT_DOUBLE);
  // libmpv's own error lines tell why a file failed.
  // VCD_MPV_LOG_FILE=path: libmpv's whole log with its own time stamps, written by libmpv as it
  // happens (the log above comes through the GUI thread, later than it happened).
  if (const QByteArray logFile = qgetenv("VCD_MPV_LOG_FILE"); !logFile.isEmpty())
    mpv_set_property_string(m_mpv, "log-file", logFile.constData());
  mpv_request_log_messages(m_mpv, m_verboseLog ? qgetenv("VCD_MPV_LOG").constData() : "error");

  mpv_set_wakeup_callback(m_mpv, [](void* ctx) {
    auto* self = static_cast<MpvPlayer*>(ctx);
    if (!self->m_wakeupPosted.exchange(true))
      QMetaObject::invokeMethod(self, [self] { self->drainEvents(); }, Qt::QueuedConnection);
  }, this);

  if (mode == Mode::Windowed) makeFace();
}

void MpvPlayer::setOptions() {
  // Nothing from the user's mpv setup, no scripts, no network helpers: the player opens
  // exactly the local files and disc tracks it is given, and nothing they point to.
  setOption(m_mpv, "config", "no");
  setOption(m_mpv, "load-scripts", "no");
  setOption(m_mpv, "ytdl", "no");
  setOption(m_mpv, "osc", "no");
  setOption(m_mpv, "load-stats-overlay", "no");
  // The built-in scripts, under every name they have had from 0.35 to 0.40.
  for (const char* script : {"load-osd-console", "load-console", "load-select", "load-commands", "load-positioning",
                             "load-context-menu"})
    setOption(m_mpv, script, "no");
  setOption(m_mpv, "load-auto-profiles", "no");
  setOption(m_mpv, "input-default-bindings", "no");
  setOption(m_mpv, "input-vo-keyboard", "no");
  setOption(m_mpv, "input-terminal", "no");
  setOption(m_mpv, "terminal", "no");
  setOption(m_mpv, "access-references", "no");
  setOption(m_mpv, "load-unsafe-playlists", "no");
  setOption(m_mpv, "resume-playback", "no");
  setOption(m_mpv, "save-position-on-quit", "no");
  setOption(m_mpv, "sub-auto", "no");
  setOption(m_mpv, "audio-file-auto", "no");
  setOption(m_mpv, "cover-art-auto", "no");
  setOption(m_mpv, "autoload-files", "no");
  setOption(m_mpv, "idle", "yes");
  setOption(m_mpv, "keep-open", "no");
  setOption(m_mpv, "osd-level", "0");
  // The control's stored settings: rate 1, each file played once and left at its end, the
  // sound at -2.9 dB and not muted, the picture fitted to the face (keeping its shape) on black.
  setOption(m_mpv, "speed", "1");
  setOption(m_mpv, "loop-file", "no");
  setOption(m_mpv, "loop-playlist", "no");
  setOption(m_mpv, "volume", QByteArray::number(mpvVolumeFromHundredthsDb(kStartVolumeHundredthsDb), 'f', 3).constData());
  setOption(m_mpv, "mute", "no");
  setOption(m_mpv, "keepaspect", "yes");
  // libmpv 0.40 calls the colour "background-color" ("background" became a choice of kind);
  // older ones call it "background".
  if (mpv_set_option_string(m_mpv, "background-color", "#000000") < 0) setOption(m_mpv, "background", "#000000");
  // Each frame is handed over at its display time, never ahead of it: drawing it then never
  // waits for that time on the GUI thread, and libmpv's video output never sleeps on a frame
  // queued ahead (up to 50 ms by default). A new track's set-up waits for the output's answer,
  // so that sleep would hold up a track change.
  setOption(m_mpv, "video-timing-offset", "0");
  if (m_mode == Mode::Headless) {
    setOption(m_mpv, "vo", "null");
    setOption(m_mpv, "ao", "null");
  } else {
    setOption(m_mpv, "hwdec", "no");
    // With hardware decoding off, libmpv's render context would still try every interop with
    // the GPU when it is made (CUDA, VA-API, VDPAU, DRM): nothing would use them, and a machine
    // without NVIDIA's driver gets "Cannot load libcuda.so.1" in its terminal from FFmpeg's
    // loader. Decoding stays in software, as it always has: none is needed.
    setOption(m_mpv, "gpu-hwdec-interop", "no");
    // No sound card: libmpv tries the outputs in turn and falls back to none; never wait long.
    setOption(m_mpv, "audio-fallback-to-null", "yes");
    // The outputs tried (see audioOutputs): on a machine where all of them fail, each failed
    // try is more time on the way to the first picture, as the file waits for its audio output.
    // A build of libmpv without PipeWire refuses a list with it: then it is the list without it.
    if (mpv_set_option_string(m_mpv, "ao", audioOutputs(QProcessEnvironment::systemEnvironment()).constData()) < 0)
      setOption(m_mpv, "ao", kAudioOutputsWithoutPipeWire);
  }

  if (m_mode == Mode::Windowed) {
    // The picture is drawn through the render API. Whether this display has OpenGL at all is
    // known later (VideoWidget::checkOpenGLAhead runs beside the start); without it the output
    // becomes the null one (pictureDecided), before any track of a file is chosen.
    setOption(m_mpv, "vo", "libmpv");
    // libmpv can only start a picture once the widget is on screen and has made its render
    // context; a file whose video started before that would lose it for good and end as failed.
    // So the video is off until the widget switches it on. The gate holds a file named before
    // that until then, once the file is open and before its tracks are chosen.
    setOption(m_mpv, "vid", "no");
  }
}

void MpvPlayer::pictureDecided(bool openGL) {
  platform::startupStep("OpenGL checked");
  if (!openGL) {
    // Nowhere to draw: the sound plays and the face stays black. The video is decoded into the
    // null output, as it always was here.
    mpv_set_property_string(m_mpv, "vo", "null");
    mpv_set_property_string(m_mpv, "vid", "auto");
  }
  // With a render context the widget has switched the video on already.
  m_gate->pictureSettled();
}

MpvPlayer::~MpvPlayer() {
  mpv_set_wakeup_callback(m_mpv, nullptr, nullptr);
  if (m_stream) m_stream->cancel();
  m_protocol.clear();
  dropFace();  // the render context must go before the core
  // The gate's client goes first: the core waits for every client to end.
  m_gate.reset();
  // The core ends here, while the stream table its threads may still ask is alive.
  m_mpv.reset();
}

// ---- opening -------------------------------------------------------------------------------

void MpvPlayer::setFileName(const QString& path) { open(path, disc::parsePath(path)); }

void MpvPlayer::open(const QString& path, const std::optional<disc::DiscPath>& disc) {
  // Everything that can refuse the file happens before anything changes.
  std::shared_ptr<disc::TrackStream> stream;
  QString url;
  if (disc) {
    stream = openDiscTrack(m_protocol.drives(), *disc);
    // One spelling for libmpv (its protocol names are lower case), whatever the caller's case.
    url = disc->text();
  } else {
    if (path.isEmpty()) throw MediaError("No file named");
    QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
      throw MediaError(QStringLiteral("Cannot open %1").arg(path).toStdString());
    // An absolute path starts with "/", so libmpv cannot take any part of it for a protocol.
    url = info.absoluteFilePath();
  }

  // Named again before it started (the start routine names its first track twice): the
  // loadfile on its way opens it from its beginning, as a second one would. A second loadfile
  // would replace it at whatever point libmpv had reached: it may already have opened the
  // first and begun reading and probing it, only to throw that away and read it all again (on
  // a real drive, seeks and waits; here, several MiB of libmpv's probing left on a thread).
  if (url == m_url && m_phase == Phase::Loading) {
    m_fileName = path;
    setPause(false);
    updateState();
    return;
  }

  // The same file named again while it ran or had just ended (a track repeated) starts over:
  // its position jumps back, though no other file starts.
  const bool startsOver =
      url == m_url && (m_phase == Phase::Active || m_phase == Phase::Ended || (m_phase == Phase::Loading && m_startsOver));
  ++m_generation;
  if (m_stream) m_stream->cancel();  // the old track must not hold libmpv up
  m_stream = stream;
  const uint64_t ticket = m_gate->naming(url.toUtf8());
  if (disc) m_protocol.name(url, *disc, stream, ticket);
  else m_protocol.clear();
  m_fileName = path;
  m_discFile = disc;
  m_url = url;
  m_lastEngineError.clear();
  m_phase = Phase::Loading;
  m_pausedForCache = false;
  m_seeking = false;
  m_startsOver = startsOver;
  m_mpvDuration = -1;
  m_endedDuration = 0;
  setPause(false);
  loadEntry(url, disc.has_value());
  platform::startupStep("file handed to libmpv");
  updateState();
}

void MpvPlayer::loadEntry(const QString& url, bool discTrack) {
  const QByteArray u = url.toUtf8();
  NodeMap options;
  if (discTrack) {
    // A Video CD track is an MPEG program stream. Naming the demuxer means a track that holds
    // anything else (a text playlist, say) is never interpreted as such, and it spares the
    // format probing reads. A Video CD track's length comes from its size, so lavf need not
    // read the end of the file to estimate it; a Super Video CD's MPEG-2 track has no fixed
    // rate, and lavf reads its length off the time stamps at its end.
    options.add("demuxer", "lavf");
    options.add("demuxer-lavf-format", "mpeg");
    if (m_stream && m_stream->nominalDuration() > 0)
      options.add("demuxer-lavf-o", "skip_estimate_duration_from_pts=1");
    options.add("demuxer-lavf-probesize", kDiscProbeSize);
    options.add("demuxer-lavf-analyzeduration", kDiscAnalyzeDuration);
    options.add("demuxer-readahead-secs", kDiscReadahead);
  }
  // Named arguments: the positions of loadfile's arguments changed in libmpv 0.38 (an index
  // came before the options), their names did not.
  NodeMap command;
  command.add("name", "loadfile");
  command.add("url", u.constData());
  command.add("flags", "replace");
  command.add("options", options.node());
  MpvNode result;
  m_entryId = -2;  // nothing from libmpv matches until we know the entry
  if (const int error = namedCommand(m_mpv, command, &result); error < 0) {
    m_gate->named(-1);
    qCWarning(lcEngine, "libmpv refused to load %s: %s", qPrintable(platform::withDriveSource(url)), mpv_error_string(error));
    throw MediaError(QStringLiteral("libmpv refused to load %1").arg(url).toStdString());
  }
  if (const mpv_node* entry = result.find("playlist_entry_id"); entry && entry->format == MPV_FORMAT_INT64)
    m_entryId = entry->u.int64;
  m_gate->named(m_entryId >= 0 ? m_entryId : -1);
}

// ---- transport -----------------------------------------------------------------------------

void MpvPlayer::setPause(bool pause) {
  // Every change of libmpv's `pause` comes through here, so an unchanged one need not be sent:
  // setting a property waits for libmpv's core, which is busy while a track changes.
  if (pause == m_pause) return;
  m_pause = pause;
  int flag = pause ? 1 : 0;
  mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &flag);
}

void MpvPlayer::Play() {
  if (m_fileName.isEmpty()) throw MediaError("No file named");
  switch (m_phase) {
    case Phase::Loading:
      // Still on its way in from the beginning: just let it run.
      setPause(false);
      updateState();
      break;
    case Phase::Active: {
      // A paused file resumes where its picture was held; a running one starts over.
      if (!m_pause) namedCommand(m_mpv, {{"name", "seek"}, {"target", "0"}, {"flags", "absolute"}});
      setPause(false);
      updateState();
      break;
    }
    case Phase::Closed:
    case Phase::Ended:
    case Phase::Stopped:
    case Phase::Failed:
      open(m_fileName, m_discFile);
      break;
  }
}

void MpvPlayer::Pause() {
  if (m_phase != Phase::Loading && m_phase != Phase::Active) return;
  setPause(true);
  updateState();
}

void MpvPlayer::togglePause() {
  switch (m_phase) {
    case Phase::Loading:
    case Phase::Active:
      setPause(!m_pause);
      updateState();
      break;
    default:
      if (!m_fileName.isEmpty()) {
        try {
          Play();
        } catch (const MediaError& e) {
          // A click on a dead picture: nothing to play; the window learns it when it asks.
          qCDebug(lcEngine, "a click on the picture cannot start it again: %s", e.what());
        }
      }
  }
}

void MpvPlayer::Stop() {
  if (m_phase == Phase::Stopped || m_phase == Phase::Closed) return;
  ++m_generation;
  m_entryId = -2;
  m_gate->closed();
  if (m_stream) m_stream->cancel();
  m_protocol.clear();
  namedCommand(m_mpv, {{"name", "stop"}});
  m_phase = Phase::Stopped;
  updateState();
}

// ---- figures -------------------------------------------------------------------------------

double MpvPlayer::liveDuration() const {
  if (m_stream) {
    double nominal = m_stream->nominalDuration();
    if (nominal > 0) return nominal;
  }
  return m_mpvDuration > 0 ? m_mpvDuration : 0;
}

double MpvPlayer::Duration() const {
  switch (m_phase) {
    case Phase::Ended: return m_endedDuration;
    case Phase::Loading:
    case Phase::Active: return liveDuration();
    default: return 0;
  }
}

double MpvPlayer::CurrentPosition() const {
  switch (m_phase) {
    case Phase::Ended: return m_endedDuration;
    case Phase::Active: {
      double pos = 0;
      if (mpv_get_property(m_mpv, "time-pos", MPV_FORMAT_DOUBLE, &pos) < 0) return 0;
      double dur = liveDuration();
      if (pos < 0) pos = 0;
      if (dur > 0 && pos > dur) pos = dur;
      return pos;
    }
    default: return 0;
  }
}

bool MpvPlayer::hasTrack(const char* property) const {
  const MpvString id = propertyString(m_mpv, property);
  return id && id.bytes() != "no";
}

bool MpvPlayer::playsVideo() const { return (m_phase == Phase::Active || m_phase == Phase::Loading) && hasTrack("vid"); }
bool MpvPlayer::playsAudio() const { return (m_phase == Phase::Active || m_phase == Phase::Loading) && hasTrack("aid"); }

bool MpvPlayer::engineIdle() const {
  int idle = 0;
  return mpv_get_property(m_mpv, "idle-active", MPV_FORMAT_FLAG, &idle) >= 0 && idle;
}

QByteArray MpvPlayer::engineProperty(const char* name) const {
  return propertyString(m_mpv, name).bytes();
}

int64_t MpvPlayer::sectorsRead() const { return m_stream ? m_stream->sectorsRead() : 0; }

}  // namespace vcd::engine
