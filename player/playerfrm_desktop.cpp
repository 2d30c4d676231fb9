// The window as a citizen of the desktop: the screen saver is held while a picture plays, and the
// media keys and the desktop's media applet drive the window through MPRIS 2.
#include <QFileInfo>
#include <QTimer>

#include "ui/failure.h"
#include "player/fdnum.h"
#include "player/playerfrm.h"

namespace vcd {

using controls::skipOnFailure;

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
    if (running || playState == kPaused) {
      // The name the status line shows: the file name alone, in proper case.
      s.title = Fdnum::ProperCase(QFileInfo(file).fileName());
      double seconds = 0;
      skipOnFailure("Media applet: track length", [&] { seconds = w_.player->Duration(); });
      if (seconds > 0) s.lengthUs = static_cast<qint64>(seconds * 1e6);
      if (w_.File1->ListIndex() >= 0 && w_.currentEntryPath() == file) s.trackNumber = w_.File1->ListIndex() + 1;
    }
    return s;
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

 private:
  Playerfrm& w_;
};

void Playerfrm::joinDesktop(QDBusConnection bus) {
  screenSaver_ = std::make_unique<platform::ScreenSaverInhibition>(bus);
  screenSaver_->setWindow([this] { return window()->windowHandle(); });
  mprisControls_ = std::make_unique<PlayerfrmMpris>(*this);
  mpris_ = std::make_unique<platform::MprisService>(*mprisControls_, bus);
  mpris_->publish();
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
  mpris_->refresh();
}

void Playerfrm::leaveDesktop() {
  if (screenSaver_) screenSaver_->releaseNow();
}

}  // namespace vcd
