// The "On Top" check box: the main window enters or leaves the always-on-top band.
#include "player/playerfrm.h"

namespace vcd {

// Runs on every change of the check box's value, also when code sets it (the switch-off step).
// The window keeps its position and size; the player gets the keyboard focus back.
void Playerfrm::chkOnTop_Click() {
  const bool checked = chkOnTop->checkState() == Qt::Checked;
  if (setTopMost) setTopMost(this, checked);
  FocusPlayer();
}

}  // namespace vcd
