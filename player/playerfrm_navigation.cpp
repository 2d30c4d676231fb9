// Moving through the playlist: Next, the track buttons and the end of a track.
#include "ui/failure.h"
#include "player/playerfrm.h"
#include "platform/log.h"

namespace vcd::player {

using ui::skipOnFailure;

void Playerfrm::Nexttrackcmd_Click() {
  auto loadAndStartSkipping = [this] {
    skipOnFailure("Next track: name the file", [this] { player->setFileName(currentEntryPath()); });
    skipOnFailure("Next track: play", [this] { player->Play(); });
  };
  BeginTrackLoad();
  if (optRnd->isChecked()) {
    skipOnFailure("Next track: random pick", [this] { randomPick(); });
    loadAndStartSkipping();
    EnableTrackButtons();
  } else {
    // "Order" and "Repeat" hand the same entry over twice in a row.
    loadAndStartSkipping();
    loadAndStartSkipping();
    EnableTrackButtons();
  }
  if (chkOrd->isChecked()) {
    // On the last entry the playlist refuses the next index: the last entry starts again.
    skipOnFailure("Next track: next entry", [this] { File1->setListIndex(File1->ListIndex() + 1); });
    loadAndStartSkipping();
    EnableTrackButtons();
  }
  FocusPlayer();
}

void Playerfrm::Songcmd_Click(int Index) {
  BeginTrackLoad();
  // A button without a playlist entry leaves the index, so the current entry starts again.
  if (Index >= 0 && Index <= 17) skipOnFailure("Track button: select the entry", [&] { File1->setListIndex(Index); });
  skipOnFailure("Track button: name the file", [this] { player->setFileName(currentEntryPath()); });
  skipOnFailure("Track button: play", [this] { player->Play(); });
  EnableTrackButtons();
  FocusPlayer();
}

void Playerfrm::player_EndOfStream(int /*result*/) {
  bool lastEntry = false;
  try {
    const double duration = player->Duration();
    const bool random = optRnd->isChecked();
    const double position = player->CurrentPosition();
    if (random && duration == position) {
      randomPick();
      loadAndStart();
    } else {
      loadAndStart();
      loadAndStart();
    }
    if (chkOrd->isChecked()) {
      // After the last entry the index is refused: playback stops there.
      lastEntry = File1->ListIndex() == File1->ListCount() - 1;
      File1->setListIndex(File1->ListIndex() + 1);
      loadAndStart();
    }
  } catch (const std::exception& e) {
    // After the last entry this is the end of the disc.
    qCDebug(lcWindow) << "End of track: playback stops:" << e.what();
    skipOnFailure("End of disc: stop", [this] { player->Stop(); });
    // A disc of a set that goes on: the next one is asked for.
    if (lastEntry) skipOnFailure("End of disc: ask for the next", [this] { askForNextDisc(); });
  }
}

}  // namespace vcd::player
