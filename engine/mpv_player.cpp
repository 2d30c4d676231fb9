#include "engine/mpv_player.h"

#include <malloc.h>

#include "disc/disc_path.h"
#include "platform/drives.h"
#include "platform/log.h"
#include "engine/control_bar.h"
#include "engine/load_gate.h"
#include "engine/mpv_command.h"
#include "engine/mpv_library.h"
#include "engine/properties_dialog.h"
#include "engine/video_widget.h"

#include <QFileInfo>
#include <QMenu>
#include <QMetaObject>
#include <mpv/client.h>
#include <mpv/stream_cb.h>

#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vcd::mpv {

namespace {

constexpr char kProtocol[] = "cdrom";

// reply_userdata values of the properties and hooks we register.
enum : uint64_t { kObservePausedForCache = 1, kObserveDuration = 2, kObserveVoConfigured = 3, kObserveVolume = 4 };

void setOption(mpv_handle* mpv, const char* name, const char* value) {
  // Options this build of libmpv does not know (e.g. a build without a scripting backend has
  // no "osc") are not fatal: whatever they would switch off is not there in the first place.
  mpv_set_option_string(mpv, name, value);
}

using SharedStream = std::shared_ptr<platform::TrackStream>;

// The disc tracks libmpv has open, by the cookie its stream callbacks get. libmpv may call a
// stream's cancel callback just after its close callback (it unlinks the cancel only when it
// frees the stream, and a replaced file cancels everything on another thread meanwhile). So a
// cookie is a number, never used twice, that each callback looks up: a closed stream's is gone.
class OpenStreams {
 public:
  void* add(SharedStream stream) {
    std::lock_guard lock(m_mutex);
    const uintptr_t id = ++m_lastId;
    m_streams.emplace(id, std::move(stream));
    return reinterpret_cast<void*>(id);
  }
  SharedStream find(void* cookie) {
    std::lock_guard lock(m_mutex);
    const auto it = m_streams.find(reinterpret_cast<uintptr_t>(cookie));
    return it == m_streams.end() ? nullptr : it->second;
  }
  void remove(void* cookie) {
    SharedStream closing;  // let go of outside the lock
    std::lock_guard lock(m_mutex);
    if (const auto it = m_streams.find(reinterpret_cast<uintptr_t>(cookie)); it != m_streams.end()) {
      closing = std::move(it->second);
      m_streams.erase(it);
    }
  }

 private:
  std::mutex m_mutex;
  std::unordered_map<uintptr_t, SharedStream> m_streams;
  uintptr_t m_lastId = 0;
};

OpenStreams& openStreams() {
  static OpenStreams streams;
  return streams;
}

int64_t streamRead(void* cookie, char* buf, uint64_t n) {
  const SharedStream stream = openStreams().find(cookie);
  const int64_t got = stream ? stream->read(buf, n) : -1;
  return got < 0 ? -1 : got;
}
int64_t streamSeek(void* cookie, int64_t pos) {
  const SharedStream stream = openStreams().find(cookie);
  const int64_t at = stream ? stream->seek(pos) : -1;
  return at < 0 ? int64_t(MPV_ERROR_GENERIC) : at;
}
int64_t streamSize(void* cookie) {
  const SharedStream stream = openStreams().find(cookie);
  const int64_t size = stream ? stream->size() : -1;
  return size < 0 ? int64_t(MPV_ERROR_UNSUPPORTED) : size;
}
void streamClose(void* cookie) { openStreams().remove(cookie); }
void streamCancel(void* cookie) {
  if (const SharedStream stream = openStreams().find(cookie)) stream->cancel();
}

}  // namespace

// A copy of what we need from one libmpv event.
struct MpvPlayer::Event {
  mpv_event_id id = MPV_EVENT_NONE;
  uint64_t reply = 0;
  int64_t entryId = -1;          // START_FILE / END_FILE
  int endReason = 0;             // END_FILE
  int error = 0;                 // END_FILE
  QByteArray propName;           // PROPERTY_CHANGE
  bool hasValue = false;
  bool flag = false;
  double number = 0;
};

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
    : MediaPlayer(parent), m_drives(drives), m_mode(mode) {
  if (QString why; !libmpvLoaded(&why))
    throw MediaError(QStringLiteral("libmpv cannot be loaded: %1").arg(why).toStdString());
  if (const QString refusal = unsupportedLibmpv(); !refusal.isEmpty()) throw MediaError(refusal.toStdString());
  platform::startupStep("libmpv: creating");
  m_mpv = MpvCore(mpv_create());
  if (!m_mpv) throw MediaError("libmpv could not be created");

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
  if (mode == Mode::Headless) {
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
    // The outputs tried, in libmpv's own order, without SDL's: SDL only goes through the same
    // sound servers and ALSA again (on a machine where all of them failed, 20-30 ms more on the
    // way to the first picture, as the file waits for its audio output). A build of libmpv without
    // PipeWire refuses the list: then it is the list without it.
    if (mpv_set_option_string(m_mpv, "ao", "pipewire,pulse,alsa,jack") < 0) setOption(m_mpv, "ao", "pulse,alsa,jack");
  }

  if (mode == Mode::Windowed) {
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

  if (mpv_initialize(m_mpv) < 0) throw MediaError("libmpv could not be started");
  platform::startupStep("libmpv initialised");
  // VCD_MPV_LOG=v (or debug, info, ...) passes libmpv's whole log to stderr, the gate's answers
  // with it.
  m_verboseLog = qEnvironmentVariableIsSet("VCD_MPV_LOG");
  m_gate = std::make_unique<LoadGate>(m_mpv, mode == Mode::Windowed, m_verboseLog);
  if (!m_gate->ok()) throw MediaError("libmpv could not be started");

  mpv_stream_cb_add_ro(m_mpv, kProtocol, this, [](void* user, char* uri, mpv_stream_cb_info* info) {
    return openStream(user, uri, info);
  });
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

  if (mode == Mode::Windowed) {
    m_widget = new VideoWidget(m_mpv);
    connect(m_widget, &VideoWidget::pictureDecided, this, &MpvPlayer::pictureDecided);
    connect(m_widget, &VideoWidget::togglePauseRequested, this, &MpvPlayer::togglePause);
    connect(m_widget, &VideoWidget::firstFrameDrawn, this, &MpvPlayer::firstPictureShown);
    connect(m_widget, &VideoWidget::fullScreenLeft, this, [this] { m_displaySize = kDisplayFitToControl; });
    connect(m_widget, &VideoWidget::contextMenuRequested, this, [this](const QPoint& at) {
      QMenu* menu = buildContextMenu(m_widget);
      menu->setAttribute(Qt::WA_DeleteOnClose);
      connect(menu, &QMenu::aboutToHide, this, [] { qCDebug(lcEngine, "context menu closed"); });
      menu->popup(at);
      qCDebug(lcEngine, "context menu shown");
    });
    m_bar = new ControlBar(*this);
    m_widget->setControlBar(m_bar);
    m_widget->preparePicture();
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
  {
    std::lock_guard lock(m_pendingMutex);
    m_pendingStreams.clear();
  }
  // The render context must go before the core; the widget may live on in a window that
  // outlives us, so it only keeps a dead picture.
  if (m_properties) delete m_properties.data();  // it works on this player
  if (m_bar) delete m_bar.data();                 // so does the bar, wherever the face lives on
  if (m_widget) {
    m_widget->detachPlayer();
    if (!m_widget->parent()) delete m_widget.data();
  }
  // The gate's client goes first: the core waits for every client to end.
  m_gate.reset();
  // The core ends here, while the stream table its threads may still ask is alive.
  m_mpv.reset();
}

QWidget* MpvPlayer::widget() { return m_widget.data(); }

// ---- opening -------------------------------------------------------------------------------

std::shared_ptr<platform::TrackStream> MpvPlayer::openDiscTrack(const disc::DiscPath& track) {
  if (!m_drives) throw MediaError(QStringLiteral("No drives to read %1 from").arg(track.text()).toStdString());
  try {
    std::shared_ptr<platform::TrackStream> stream = m_drives->openFile(track);
    if (!stream) throw MediaError(QStringLiteral("Cannot open %1").arg(track.text()).toStdString());
    return stream;
  } catch (const platform::DiscError& e) {
    throw MediaError(e.what());
  }
}

int MpvPlayer::openStream(void* user, char* uri, void* rawInfo) {
  auto* self = static_cast<MpvPlayer*>(user);
  auto* info = static_cast<mpv_stream_cb_info*>(rawInfo);
  SharedStream stream;
  try {
    stream = self->streamFor(QString::fromUtf8(uri));
  } catch (const std::exception& e) {
    qCDebug(lcEngine, "libmpv cannot open %s: %s", uri, e.what());
    return MPV_ERROR_LOADING_FAILED;
  }
  if (!stream) {
    qCDebug(lcEngine, "libmpv asked for %s, which is not the named track", uri);
    return MPV_ERROR_LOADING_FAILED;
  }
  info->cookie = openStreams().add(std::move(stream));
  info->read_fn = streamRead;
  info->seek_fn = streamSeek;
  info->size_fn = streamSize;
  info->close_fn = streamClose;
  info->cancel_fn = streamCancel;
  return 0;
}

std::shared_ptr<platform::TrackStream> MpvPlayer::streamFor(const QString& uri) {
  disc::DiscPath again;
  {
    std::lock_guard lock(m_pendingMutex);
    auto it = m_pendingStreams.find(uri);
    if (it == m_pendingStreams.end() || it->second.ticket != m_gate->admittedTicket()) return nullptr;
    // setFileName opened the track already (to refuse a missing one at once); use that stream.
    if (it->second.stream) return std::move(it->second.stream);
    again = it->second.path;
  }
  // libmpv opens the same track again (e.g. when it retries); the drive table is thread-safe.
  return openDiscTrack(again);
}

void MpvPlayer::setFileName(const QString& path) { open(path, disc::parsePath(path)); }

void MpvPlayer::open(const QString& path, const std::optional<disc::DiscPath>& disc) {
  // Everything that can refuse the file happens before anything changes.
  std::shared_ptr<platform::TrackStream> stream;
  QString url;
  if (disc) {
    stream = openDiscTrack(*disc);
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

  // The same file named again while it ran or had just ended (a track repeated) starts over:
  // its position jumps back, though no other file starts.
  const bool startsOver =
      url == m_url && (m_phase == Phase::Active || m_phase == Phase::Ended || (m_phase == Phase::Loading && m_startsOver));
  ++m_generation;
  if (m_stream) m_stream->cancel();  // the old track must not hold libmpv up
  m_stream = stream;
  const uint64_t ticket = m_gate->naming(url.toUtf8());
  {
    std::lock_guard lock(m_pendingMutex);
    m_pendingStreams.clear();
    if (disc) m_pendingStreams[url] = DiscTrack{*disc, stream, ticket};
  }
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
  mpv_node cmd = command.node();

  mpv_node result;
  m_entryId = -2;  // nothing from libmpv matches until we know the entry
  if (const int error = mpv_command_node(m_mpv, &cmd, &result); error < 0) {
    m_gate->named(-1);
    qCWarning(lcEngine, "libmpv refused to load %s: %s", qPrintable(platform::withDriveSource(url)), mpv_error_string(error));
    throw MediaError(QStringLiteral("libmpv refused to load %1").arg(url).toStdString());
  }
  if (result.format == MPV_FORMAT_NODE_MAP) {
    for (int i = 0; i < result.u.list->num; ++i) {
      if (std::strcmp(result.u.list->keys[i], "playlist_entry_id") == 0 &&
          result.u.list->values[i].format == MPV_FORMAT_INT64)
        m_entryId = result.u.list->values[i].u.int64;
    }
  }
  mpv_free_node_contents(&result);
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
  {
    std::lock_guard lock(m_pendingMutex);
    m_pendingStreams.clear();
  }
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
  char* id = mpv_get_property_string(m_mpv, property);
  const bool selected = id && std::strcmp(id, "no") != 0;
  if (id) mpv_free(id);
  return selected;
}

bool MpvPlayer::playsVideo() const { return (m_phase == Phase::Active || m_phase == Phase::Loading) && hasTrack("vid"); }
bool MpvPlayer::playsAudio() const { return (m_phase == Phase::Active || m_phase == Phase::Loading) && hasTrack("aid"); }

bool MpvPlayer::engineIdle() const {
  int idle = 0;
  return mpv_get_property(m_mpv, "idle-active", MPV_FORMAT_FLAG, &idle) >= 0 && idle;
}

QByteArray MpvPlayer::engineProperty(const char* name) const {
  char* value = mpv_get_property_string(m_mpv, name);
  const QByteArray text(value ? value : "");
  if (value) mpv_free(value);
  return text;
}

int64_t MpvPlayer::sectorsRead() const { return m_stream ? m_stream->sectorsRead() : 0; }

// ---- display -------------------------------------------------------------------------------

void MpvPlayer::setDisplaySize(int mode) {
  if (mode != kDisplayFullScreen && mode != kDisplayFitToControl)
    throw MediaError(QStringLiteral("Unknown display size %1").arg(mode).toStdString());
  m_displaySize = mode;
  if (m_widget) m_widget->setFullScreen(mode == kDisplayFullScreen);
}

void MpvPlayer::SetFocus() {
  if (m_widget) m_widget->setFocus(Qt::OtherFocusReason);
}

// ---- events --------------------------------------------------------------------------------

void MpvPlayer::setState(int state) {
  if (state == m_state) return;
  int old = m_state;
  m_state = state;
  emit PlayStateChange(old, state);
}

void MpvPlayer::updateState() {
  int state = m_state;
  switch (m_phase) {
    case Phase::Closed:
    case Phase::Failed: state = kClosed; break;
    case Phase::Stopped: state = kStopped; break;
    case Phase::Ended: state = kMediaEnded; break;
    case Phase::Loading: state = m_pause ? kPaused : kWaiting; break;
    case Phase::Active: state = m_pause ? kPaused : m_pausedForCache ? kWaiting : kPlaying; break;
  }
  setState(state);
}

void MpvPlayer::drainEvents() {
  m_wakeupPosted = false;
  // A slot that spins an event loop of its own must not handle later events before the
  // current one is done with, or the window would see them out of order.
  if (m_draining) {
    m_drainAgain = true;
    return;
  }
  m_draining = true;
  do {
    m_drainAgain = false;
    for (;;) {
      mpv_event* raw = mpv_wait_event(m_mpv, 0);
      if (raw->event_id == MPV_EVENT_NONE) break;
      Event ev;
      ev.id = raw->event_id;
      ev.reply = raw->reply_userdata;
      switch (raw->event_id) {
        case MPV_EVENT_START_FILE:
          ev.entryId = static_cast<mpv_event_start_file*>(raw->data)->playlist_entry_id;
          break;
        case MPV_EVENT_END_FILE: {
          m_trimDue = true;
          auto* end = static_cast<mpv_event_end_file*>(raw->data);
          ev.entryId = end->playlist_entry_id;
          ev.endReason = end->reason;
          ev.error = end->error;
          break;
        }
        case MPV_EVENT_PROPERTY_CHANGE: {
          auto* prop = static_cast<mpv_event_property*>(raw->data);
          ev.propName = prop->name;
          if (prop->format == MPV_FORMAT_FLAG && prop->data) {
            ev.hasValue = true;
            ev.flag = *static_cast<int*>(prop->data) != 0;
          } else if (prop->format == MPV_FORMAT_DOUBLE && prop->data) {
            ev.hasValue = true;
            ev.number = *static_cast<double*>(prop->data);
          }
          break;
        }
        case MPV_EVENT_LOG_MESSAGE: {
          auto* msg = static_cast<mpv_event_log_message*>(raw->data);
          if (m_verboseLog) fprintf(stderr, "[mpv %s] %s: %s", msg->level, msg->prefix, msg->text);
          if (msg->log_level <= MPV_LOG_LEVEL_ERROR) {
            // Kept to explain a file that fails; alone it is no failure (libmpv reports some
            // errors it recovers from).
            m_lastEngineError = QString::fromUtf8(msg->prefix) + QStringLiteral(": ") + QString::fromUtf8(msg->text).trimmed();
            qCDebug(lcEngine, "libmpv: %s", qPrintable(m_lastEngineError));
          }
          break;
        }
        default: break;
      }
      handle(ev);
    }
  } while (m_drainAgain);
  m_draining = false;
  // libmpv takes several MiB per file on its own threads; they are free once the file has
  // ended. Hand them back to the system, or a long session keeps the peak for good. Not while
  // the next file opens: the trim holds each malloc arena in turn, which libmpv's threads
  // setting up the file wait for. Once that file plays (or nothing opens), it is done.
  if (m_trimDue && m_phase != Phase::Loading) {
    m_trimDue = false;
    malloc_trim(0);
  }
}

void MpvPlayer::handle(const Event& ev) {
  // Everything between a START_FILE and the next one belongs to that START_FILE's entry;
  // only the named file's entry is reported.
  switch (ev.id) {
    case MPV_EVENT_START_FILE:
      platform::startupStep("libmpv: file starts");
      m_mpvEntryId = ev.entryId;
      return;
    case MPV_EVENT_PROPERTY_CHANGE:
      if (ev.reply == kObservePausedForCache) {
        m_pausedForCache = ev.hasValue && ev.flag;
      } else if (ev.reply == kObserveVoConfigured) {
        // The picture's window shows exactly while libmpv has a video to draw into it.
        if (ev.hasValue && ev.flag) platform::startupStep("libmpv: video output configured");
        if (m_widget) m_widget->setPictureShown(ev.hasValue && ev.flag);
      } else if (ev.reply == kObserveVolume) {
        if (ev.hasValue && ev.number != m_volume) emit VolumeChange(m_volume = ev.number);
        return;
      } else if (ev.reply == kObserveDuration) {
        // Only while the named file is loaded: after its end the property goes away, and the
        // ended file keeps its figures.
        if (m_mpvEntryId == m_entryId && (m_phase == Phase::Loading || m_phase == Phase::Active) && ev.hasValue)
          m_mpvDuration = ev.number;
      }
      if (m_phase == Phase::Active) updateState();
      return;
    case MPV_EVENT_SEEK:
      // A jump within the running file (the start of a file is no jump).
      if (m_mpvEntryId == m_entryId && m_phase == Phase::Active) m_seeking = true;
      return;
    case MPV_EVENT_PLAYBACK_RESTART: {
      if (m_mpvEntryId != m_entryId) return;
      platform::startupStep("libmpv: playback starts");
      bool jumped = std::exchange(m_seeking, false);
      if (m_phase == Phase::Loading) {
        m_phase = Phase::Active;
        jumped = std::exchange(m_startsOver, false);
      }
      const uint64_t generation = m_generation;
      updateState();
      if (jumped && generation == m_generation && m_phase == Phase::Active) emit PositionJump();
      return;
    }
    case MPV_EVENT_END_FILE: {
      if (ev.entryId != m_entryId) return;
      m_mpvEntryId = -1;
      if (m_stream && m_stream->discGone()) {
        // The disc left the drive: playback cannot go on.
        m_phase = Phase::Stopped;
        updateState();
        return;
      }
      if (ev.endReason == MPV_END_FILE_REASON_EOF && m_phase == Phase::Active) {
        // Keep the ended file's figures: libmpv no longer has any.
        m_endedDuration = liveDuration();
        m_phase = Phase::Ended;
        const uint64_t generation = m_generation;
        updateState();
        // A handler of the state change may already have named the next file; then this
        // file's end is no longer news.
        if (generation == m_generation) emit EndOfStream(0);
        return;
      }
      if (ev.endReason == MPV_END_FILE_REASON_STOP || ev.endReason == MPV_END_FILE_REASON_QUIT) return;
      // Could not be opened or decoded, or it turned out to be a playlist: nothing plays.
      qCWarning(lcEngine, "%s cannot be played: %s%s", qPrintable(platform::withDriveSource(m_fileName)),
                ev.endReason == MPV_END_FILE_REASON_REDIRECT ? "it is a playlist, not a film" : mpv_error_string(ev.error),
                m_lastEngineError.isEmpty() ? "" : qPrintable(QStringLiteral(" (libmpv: %1)").arg(m_lastEngineError)));
      m_phase = Phase::Failed;
      if (ev.endReason == MPV_END_FILE_REASON_REDIRECT) {
        namedCommand(m_mpv, {{"name", "stop"}});
      }
      updateState();
      return;
    }
    default:
      return;
  }
}

}  // namespace vcd::mpv
