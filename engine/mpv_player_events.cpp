// The core's event drain and phase machine: every libmpv event of the player's core is taken
// on the GUI thread and turned into the contract's states and signals.
#include "engine/mpv_player.h"

#include <malloc.h>

#include "disc/track_stream.h"
#include "engine/mpv_command.h"
#include "engine/video_widget.h"
#include "platform/log.h"

#include <mpv/client.h>

#include <cstdio>
#include <utility>

namespace vcd::engine {

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

}  // namespace vcd::engine
