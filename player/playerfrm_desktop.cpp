// The window as a citizen of the desktop: the screen saver is held while a picture plays, and the
// media keys and the desktop's media applet drive the window through MPRIS 2.
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "ui/failure.h"
#include "player/fdnum.h"
#include "player/playerfrm.h"
#include "disc/disc_path.h"
#include "platform/log.h"

namespace vcd::player {

using ui::skipOnFailure;

// What the media keys and the applet ask for, done the way the window's own controls do it.
class PlayerfrmMpris : public platform::MprisControls {
 public:
  explicit PlayerfrmMpris(Playerfrm& w) : w_(w) {}

  State state() const override {
    State s;
    const int playState = w_.player->PlayState();
    // A track being opened counts as playing: between two tracks the applet does not flicker.
    const bool running = playState == kPlaying || playState == kWaiting;
    s.playbackStatus = running ? QStringLiteral("Playing")
                       : playState == kPaused ? QStringLiteral("Paused")
                                              : QStringLiteral("Stopped");
    const QString file = w_.player->FileName();
    s.canPlay = !file.isEmpty();
    s.canPause = running || playState == kPaused;
    s.canGoNext = w_.Nexttrackcmd->isEnabled();
    skipOnFailure("Media applet: volume", [&] { s.volume = std::clamp(w_.player->volume() / 100.0, 0.0, 1.0); });
    // The play order's three buttons: "&Repeat" loops the track, "Random" shuffles, "Order" neither.
    s.loopStatus = w_.optNone->isChecked() ? QStringLiteral("Track") : QStringLiteral("None");
    s.shuffle = w_.optRnd->isChecked();
    if (running || playState == kPaused) {
      // The name the status line shows: the file name alone, in proper case.
      s.title = Fdnum::ProperCase(QFileInfo(file).fileName());
      double seconds = 0;
      skipOnFailure("Media applet: track length", [&] { seconds = w_.player->Duration(); });
      if (seconds > 0) s.lengthUs = static_cast<qint64>(seconds * 1e6);
      if (w_.File1->ListIndex() >= 0 && w_.currentEntryPath() == file) s.trackNumber = w_.File1->ListIndex() + 1;
      // What the seek bar offers.
      skipOnFailure("Media applet: can seek", [&] { s.canSeek = s.lengthUs > 0 && w_.player->canSeek(); });
      s.album = discNameOf(file);
      // A film on several discs: its album, and which of its discs this is.
      const auto path = disc::parsePath(file);
      if (w_.discSet_ && w_.discSet_->volumeCount > 1 && path && path->letter == w_.discSetDrive_) {
        s.discNumber = w_.discSet_->volumeNumber;
        if (!w_.discSet_->albumId.isEmpty()) s.album = w_.discSet_->albumId;
      }
    }
    return s;
  }

  qint64 positionUs() const override {
    const int playState = w_.player->PlayState();
    if (playState != kPlaying && playState != kWaiting && playState != kPaused) return 0;
    double seconds = 0;
    skipOnFailure("Media applet: position", [&] { seconds = w_.player->CurrentPosition(); });
    return std::isfinite(seconds) && seconds > 0 ? static_cast<qint64>(seconds * 1e6) : 0;
  }
  void seekTo(qint64 us) override { skipOnFailure("Media applet: seek", [&] { w_.player->seek(us / 1e6); }); }
  void setVolume(double volume) override {
    if (!std::isfinite(volume)) return;
    // In hundredths of the slider's steps: 0.3 is 30, not 30.000000000000004.
    const double slider = std::round(std::clamp(volume, 0.0, 1.0) * 10000) / 100;
    skipOnFailure("Media applet: volume", [&] { w_.player->setVolume(slider); });
  }
  // The buttons are clicked, as the user would. "Playlist" asks for a loop: the one loop the
  // player has repeats the track. Switching a loop or shuffle off selects "Order".
  void setLoopStatus(const QString& status) override {
    if (status == QLatin1String("Track") || status == QLatin1String("Playlist")) w_.optNone->click();
    else if (status == QLatin1String("None")) { if (w_.optNone->isChecked()) w_.chkOrd->click(); }
    else qCDebug(lcWindow) << "MPRIS: no such loop status:" << status;
  }
  void setShuffle(bool on) override {
    if (on) w_.optRnd->click();
    else if (w_.optRnd->isChecked()) w_.chkOrd->click();
  }

  // The space bar on the control: pause, resume, or start the named file again.
  void playPause() override {
    if (w_.services_.togglePause) {
      skipOnFailure("Media applet: play/pause", [&] { w_.services_.togglePause(); });
    } else if (w_.player->PlayState() == kPlaying) {
      skipOnFailure("Media applet: pause", [&] { w_.player->Pause(); });
    } else {
      skipOnFailure("Media applet: play", [&] { w_.player->Play(); });
    }
  }
  void play() override {
    const int state = w_.player->PlayState();
    if (state != kPlaying && state != kWaiting) playPause();
  }
  void pause() override {
    if (w_.player->PlayState() == kPlaying) playPause();
  }
  void stop() override { skipOnFailure("Media applet: stop", [&] { w_.player->Stop(); }); }
  void next() override {
    if (w_.Nexttrackcmd->isEnabled()) w_.Nexttrackcmd_Click();
  }
  void raise() override {
    if (w_.isMinimized()) w_.showNormal();
    w_.show();
    w_.raise();
    w_.activateWindow();
  }
  // After the answer has gone back to the caller: Exit ends the process.
  void quit() override {
    QTimer::singleShot(0, &w_, [w = &w_] { w->Exitcmd_Click(); });
  }

  // Another disc may hold the same path (an image dropped in place of another).
  void forgetDiscName() { albumFile_.clear(); }

 private:
  // The name of the disc a track lies on, asked of the drives once per file and change of state.
  QString discNameOf(const QString& file) const {
    if (file != albumFile_) {
      albumFile_ = file;
      album_.clear();
      const auto path = disc::parsePath(file);
      if (path && w_.services_.drives)
        skipOnFailure("Media applet: disc name", [&] { album_ = w_.services_.drives->discName(path->letter); });
    }
    return album_;
  }

  Playerfrm& w_;
  mutable QString albumFile_, album_;
};

void Playerfrm::joinDesktop(QDBusConnection bus) {
  screenSaver_ = std::make_unique<platform::ScreenSaverInhibition>(bus);
  screenSaver_->setWindow([this] { return window()->windowHandle(); });
  mprisControls_ = std::make_unique<PlayerfrmMpris>(*this);
  mpris_ = std::make_unique<platform::MprisService>(*mprisControls_, bus);
  mpris_->publish();
  // What the applet shows besides the play state: the volume, a jump and the play order.
  connect(player, &MediaPlayer::VolumeChange, this, [this] { scheduleDesktopUpdate(); });
  connect(player, &MediaPlayer::PositionJump, this, [this] { mpris_->announceSeek(); });
  for (QRadioButton* order : {chkOrd, optRnd, optNone})
    connect(order, &QRadioButton::toggled, this, [this] { scheduleDesktopUpdate(); });
  scheduleDesktopUpdate();
}

// Several changes in one pass of the event loop (a track ends, the next one opens) make one
// update, so the screen saver is not let go and taken back between two tracks.
void Playerfrm::scheduleDesktopUpdate() {
  if (!mpris_ || desktopUpdateDue_) return;
  desktopUpdateDue_ = true;
  QTimer::singleShot(0, this, [this] {
    desktopUpdateDue_ = false;
    updateDesktop();
  });
}

void Playerfrm::updateDesktop() {
  const int state = player->PlayState();
  bool picture = true;
  if (services_.showsPicture) skipOnFailure("Screen saver: is a picture showing", [&] { picture = services_.showsPicture(); });
  // Held while a picture plays; kept while the next track opens, which the format watchdog bounds.
  const bool hold = (state == kPlaying && picture) || (state == kWaiting && screenSaver_->isHeld());
  screenSaver_->setHeld(hold);
  static_cast<PlayerfrmMpris&>(*mprisControls_).forgetDiscName();
  mpris_->refresh();
}

void Playerfrm::leaveDesktop() {
  if (screenSaver_) screenSaver_->releaseNow();
}

}  // namespace vcd::player
