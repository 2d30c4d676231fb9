// Start-up and the two ways the program ends.
#include "player/command_line.h"
#include "player/playerfrm.h"
#include "platform/log.h"

namespace vcd::player {

void Playerfrm::Form_Load() {
  // 1-2. The system family; the screenshot button is hidden on the old NT family only.
  OsVersion->setText(modosver::DetectOsFamily(services_.versionQuery));
  if (OsVersion->text() == QLatin1String("NT")) HideCaptureButton();

  // 3. Find the disc and start it.
  Command29_Click();

  // 4. Fit the picture to the control.
  player->setDisplaySize(kDisplayFitToControl);

  // 5. The capture timers get their working state: off, with a period of 100 ms.
  for (ui::Timer* t : {Timer1, Timer2, Timer3}) {
    t->setEnabled(false);
    t->setInterval(100);
  }

  // 6. A file named on the command line. It plays only when no playable disc was found: the start
  // routine searches the disc again and a disc track replaces it.
  // Quotes go; a command line that names nothing (empty, "", "%1") is passed over.
  const QString commandLine = command_line::fileToPlay(services_.commandLine);
  if (!commandLine.isEmpty()) playNamedFile(commandLine);

  // 7. From now on a disc put into a drive is found by itself.
  watchDrives();
  if (services_.mediaWatcher) services_.mediaWatcher->start();
}

// The file is handed to the control, which starts it by itself; the start routine then searches
// the disc again.
void Playerfrm::playNamedFile(const QString& file) {
  try {
    player->setFileName(file);
  } catch (const std::exception& e) {
    // The engine refused the file outright; say so and carry on with whatever the disc gave.
    qCWarning(lcWindow).noquote() << "The file" << file << "cannot be opened:" << e.what();
    lblDisplay->setText(QStringLiteral("The file \"%1\" cannot be opened.").arg(file));
    return;
  }
  Mp3playcmd_Click();
}

void Playerfrm::SwitchOffOnTop() {
  // Clearing the check box runs its handler at once, which takes the window out of the
  // always-on-top band before the caller goes on.
  if (chkOnTop->checkState() == Qt::Checked) chkOnTop->setCheckState(Qt::Unchecked);
}

void Playerfrm::HideCaptureButton() { Capturecmd->setVisible(false); }

void Playerfrm::Exitcmd_Click() {
  SwitchOffOnTop();
  try {
    player->Stop();
  } catch (const std::exception& e) {
    // Ending anyway: nothing is left to protect.
    qCDebug(lcWindow, "Exit: the player did not stop: %s", e.what());
  }
  lblDisplay->setText(QStringLiteral("Please wait, VCD Player is shut down ....."));
  leaveDesktop();
  if (services_.endProgram) services_.endProgram();
}

void Playerfrm::Form_QueryUnload() {
  // Any request to close the window ends the program at once; playback is not stopped first.
  // The screen saver is given back before the process goes.
  leaveDesktop();
  if (services_.endProgram) services_.endProgram();
}

}  // namespace vcd::player
