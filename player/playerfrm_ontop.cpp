// The "On Top" check box: the main window enters or leaves the always-on-top band.
#include "player/playerfrm.h"

#include "platform/log.h"
#include "ui/failure.h"

namespace vcd::player {

const QString Playerfrm::kNoOnTopHere = QStringLiteral(
    "This desktop does not let a window stay on top of the others, so \"On Top\" cannot keep the "
    "player above other windows here.");

// Runs on every change of the check box's value, also when code sets it (the switch-off step).
// The window keeps its position and size; the player gets the keyboard focus back. Where the
// desktop keeps no window on top (native Wayland, a window manager without an "above" layer) a
// check would promise what nothing does: the user is told so and the box is cleared again (which
// runs this handler once more, for the harmless way out of the band).
void Playerfrm::chkOnTop_Click() {
  const bool checked = chkOnTop->checkState() == Qt::Checked;
  const bool kept = setTopMost ? setTopMost(this, checked) : true;
  if (checked && !kept) {
    qCDebug(lcWindow, "On Top: the desktop keeps no window on top");
    ui::skipOnFailure("On Top: tell the user", [&] {
      if (services_.messageBox)
        services_.messageBox(ui::MessageIcon::Information, QStringLiteral("Voren VCD Player Lite"), kNoOnTopHere);
    });
    chkOnTop->setChecked(false);
    return;
  }
  FocusPlayer();
}

}  // namespace vcd::player
