// The screenshot's side of the main window: its working control for the file's path, and the
// handlers that run the capture sequence it owns (capture/capture_sequence.h).
#include <QLineEdit>

#include "capture/capture_sequence.h"
#include "player/playerfrm.h"
#include "ui/twips.h"

namespace vcd::player {

void Playerfrm::createCaptureControls() {
  // Parked beside TxtCopyright, below the visible client area like the other working controls.
  txtcopyrname = new QLineEdit(this);
  txtcopyrname->setObjectName(QStringLiteral("txtcopyrname"));
  txtcopyrname->setGeometry(ui::twipsRect(5040, 8280, 2295, 300));

  capture::CaptureControls c;
  c.player = player;
  c.window = this;
  c.Timer1 = Timer1;
  c.Timer2 = Timer2;
  c.Timer3 = Timer3;
  c.picMain = picMain;
  c.TxtCopyright = TxtCopyright;
  c.txtcopyrname = txtcopyrname;
  c.switchOffOnTop = [this] { SwitchOffOnTop(); };
  c.focusPlayer = [this] { FocusPlayer(); };
  c.messageBox = services_.messageBox;
  c.grabScreen = services_.grabScreen;
  capture_ = std::make_unique<capture::CaptureSequence>(std::move(c));
}

void Playerfrm::Capturecmd_Click() { capture_->start(); }
void Playerfrm::Timer1_Timer() { capture_->step1(); }
void Playerfrm::Timer2_Timer() { capture_->step2(); }
void Playerfrm::Timer3_Timer() { capture_->step3(); }
void Playerfrm::CmdApply_Click() { capture_->apply(); }

capture::Capturefrm* Playerfrm::capturefrm() const { return capture_->cover(); }

}  // namespace vcd::player
