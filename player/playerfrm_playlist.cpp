// The playlist, the play order, the start routines and the button routines they share.
#include "ui/failure.h"
#include "player/playerfrm.h"
#include "platform/log.h"

namespace vcd::player {

using ui::skipOnFailure;

void Playerfrm::loadAndStart() {
  player->setFileName(currentEntryPath());
  player->Play();
}

void Playerfrm::randomPick() {
  const float r = rnd_.next();
  File1->setListIndex(Rnd::pick(File1->ListCount(), r));
}

// The steps both start routines share: the playlist from the folder in Text2, the first entry
// (or a random one), and its start. "Order" hands the same entry over a second time and the start
// is complete (true); "Random" and "Repeat" go on exactly as after a failure (false). A failure
// throws.
bool Playerfrm::startFromText2Folder() {
  setPlaylistFolder(Text2->text());
  File1->setListIndex(0);
  tmrWrong_Format->setEnabled(true);
  readDiscSet(Text2->text());
  // The set's next disc goes on where the last one ended: at its first track.
  const bool next = nextDiscOfSet();
  awaited_.reset();
  if (optRnd->isChecked() && !next) randomPick();
  loadAndStart();
  EnableTrackButtons();
  if (!chkOrd->isChecked()) return false;
  loadAndStart();
  EnableTrackButtons();
  return true;
}

void Playerfrm::Mp3playcmd_Click() {
  DisableTrackButtons();
  try {
    FindVcdFolder();
    if (startFromText2Folder()) {
      FocusPlayer();
      return;
    }
  } catch (const std::exception& e) {
    qCDebug(lcWindow) << "Start from the first drive abandoned:" << e.what();
  }
  skipOnFailure("Start: try the second drive", [this] { TrySecondCdDrive(); });
  tmrWrong_Format->setEnabled(false);
  DisableTrackButtons();
  FocusPlayer();
}

void Playerfrm::Command30_Click() {
  DisableTrackButtons();
  try {
    if (startFromText2Folder()) {
      FocusPlayer();
      return;
    }
  } catch (const std::exception& e) {
    qCDebug(lcWindow) << "Start from the second drive abandoned:" << e.what();
  }
  tmrWrong_Format->setEnabled(false);
  DisableTrackButtons();
  FocusPlayer();
}

void Playerfrm::DisableTrackButtons() {
  for (int i = 0; i <= 19; ++i) skipOnFailure("Disable track button", [&] { Songcmd(i).setEnabled(false); });
  skipOnFailure("Disable >>", [&] { Nexttrackcmd->setEnabled(false); });
}

void Playerfrm::EnableTrackButtons() {
  const int n = File1->ListCount();
  for (int i = 0; i < n; ++i) skipOnFailure("Enable track button", [&] { Songcmd(i).setEnabled(true); });
  skipOnFailure("Enable >>", [&] { Nexttrackcmd->setEnabled(true); });
  skipOnFailure("Show the video area", [&] { showVideoArea(); });
}

void Playerfrm::showVideoArea() {
  // The logo goes for good; the player's picture takes the video area.
  PicLogo->setVisible(false);
  DVD->stackUnder(playerFace);
}

void Playerfrm::BeginTrackLoad() {
  const int n = File1->ListCount();
  for (int i = 0; i < n; ++i) skipOnFailure("Track load: disable track button", [&] { Songcmd(i).setEnabled(false); });
  skipOnFailure("Track load: disable >>", [&] { Nexttrackcmd->setEnabled(false); });
  skipOnFailure("Track load: caption", [&] { lblDisplay->setText(QStringLiteral("Loading... Please be patient...")); });
}

void Playerfrm::FocusPlayer() {
  skipOnFailure("Focus the player", [&] { player->SetFocus(); });
}

void Playerfrm::tmrWrong_Format_Timer() {
  // With nothing named (no disc was found: that has its own line) there is no file to blame.
  if (player->FileName().isEmpty())
    qCDebug(lcWindow) << "The format watchdog fired with no file named";
  else
    qCWarning(lcWindow).noquote() << "Nothing played within" << tmrWrong_Format->Interval() / 1000
                                  << "s of starting" << platform::withDriveSource(player->FileName())
                                  << "- stopped: the format is not supported or the track cannot be read";
  skipOnFailure("Wrong format: stop", [&] { player->Stop(); });
  opencdromcmd->setEnabled(true);
  Capturecmd->setEnabled(false);
  BeginTrackLoad();
  lblDisplay->setText(QStringLiteral("The file format is not supported."));
}

}  // namespace vcd::player
