// The "About" and "&Help" buttons: each opens its information window, or brings the open one
// forward. The main window leaves the always-on-top band first, so that it never competes with
// the information window there.
#include "player/playerfrm.h"

namespace vcd::player {

void Playerfrm::Command23_Click() {
  SwitchOffOnTop();
  FocusPlayer();
  aboutWindow.openOrBringForward([this] { return new info_windows::frmAbout(setTopMost, aboutServices); });
}

void Playerfrm::Command24_Click() {
  SwitchOffOnTop();
  FocusPlayer();
  helpWindow.openOrBringForward([this] { return new info_windows::frmHelp(setTopMost); });
}

}  // namespace vcd::player
