// The status line, the track counter and the buttons that follow the player's state.
#include "ui/failure.h"
#include "player/fdnum.h"
#include "player/playerfrm.h"

namespace vcd::player {

void Playerfrm::player_PlayStateChange(int /*oldState*/, int /*newState*/) {
  // Each test reads the state afresh: a handler further up may have changed it.
  if (player->PlayState() == kPlaying)
    lblDisplay->setText(QStringLiteral("Playing ") + Fdnum::ProperCase(File1->FileName()) +
                        QStringLiteral("  ........"));
  if (player->PlayState() == kPlaying) tmrWrong_Format->setEnabled(false);
  if (player->PlayState() == kPlaying) opencdromcmd->setEnabled(false);
  if (player->PlayState() == kPlaying) Capturecmd->setEnabled(true);
  if (player->PlayState() == kPlaying) Fdnum::ShowTrackNumber(*this);
  // Whatever started it (a disc track or a file from the command line), a running picture
  // takes the video area from the logo.
  if (player->PlayState() == kPlaying) ui::skipOnFailure("Playing: show the video area", [this] { showVideoArea(); });
  if (player->PlayState() == kPaused) lblDisplay->setText(QStringLiteral("Paused ,hit spacebar to release"));
  if (player->PlayState() == kStopped) {
    lblDisplay->setText(QStringLiteral("Stop"));
    for (int i = 0; i < 27; ++i) player->Stop();
    opencdromcmd->setEnabled(true);
    Capturecmd->setEnabled(false);
    tmrWrong_Format->setEnabled(false);
    lblDisplay->setText(QString());
    lblTrack_Display->setText(QStringLiteral("00 of 0"));
    tmrWrong_Format->setEnabled(false);
    // A set's next disc is asked for until it comes.
    if (awaited_) lblDisplay->setText(insertDiscText(*awaited_));
  }
  watchDrives();
  scheduleDesktopUpdate();
}

}  // namespace vcd::player
