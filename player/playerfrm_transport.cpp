// Full screen, the CD tray and the window's key handler.
#include <QApplication>
#include <QKeyEvent>

#include "ui/failure.h"
#include "player/playerfrm.h"

namespace vcd::player {

void Playerfrm::Fullscreencmd_Click() {
  SwitchOffOnTop();
  FocusPlayer();
  try {
    player->setDisplaySize(kDisplayFullScreen);
  } catch (const std::exception& e) {
    // Nothing changed: say what failed and keep the picture in the window.
    services_.messageBox(ui::MessageIcon::Warning, QStringLiteral("Full Screen"),
                         QStringLiteral("The video cannot be shown over the whole screen: %1").arg(e.what()));
  }
}

void Playerfrm::opencdromcmd_Click() {
  // The caption is the only record of the tray; it changes before the tray moves.
  if (opencdromcmd->text() == QLatin1String("&Eject")) {
    opencdromcmd->setText(QStringLiteral("&Close"));
    if (services_.tray) ui::skipOnFailure("Eject: open the tray", [this] { services_.tray->openTray(); });
  } else if (opencdromcmd->text() == QLatin1String("&Close")) {
    opencdromcmd->setText(QStringLiteral("&Eject"));
    if (services_.tray) ui::skipOnFailure("Eject: close the tray", [this] { services_.tray->closeTray(); });
    Command29_Click();
  }
  FocusPlayer();
}

void Playerfrm::Form_KeyDown(int /*KeyCode*/, int Shift) {
  if (Shift & kAltMask) SwitchOffOnTop();
}

// Key preview: the window sees every key pressed in it before the control with the focus does,
// and lets it through. Access keys (Alt+E, Alt+C, ...) arrive as shortcut checks before any key
// press, and a key press travels up through the parents: the switch-off step is harmless when
// it runs more than once for one key.
bool Playerfrm::eventFilter(QObject* watched, QEvent* event) {
  // Whether Next can be pressed is what the media applet offers as "next".
  if (watched == Nexttrackcmd && event->type() == QEvent::EnabledChange) scheduleDesktopUpdate();
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
    auto* widget = qobject_cast<QWidget*>(watched);
    auto* key = static_cast<QKeyEvent*>(event);
    if (widget && widget->window() == this) {
      int shift = 0;
      if (key->modifiers() & Qt::ShiftModifier) shift |= kShiftMask;
      if (key->modifiers() & Qt::ControlModifier) shift |= kCtrlMask;
      // Alt pressed on its own carries the Alt bit of its own key-down too.
      if ((key->modifiers() & Qt::AltModifier) || key->key() == Qt::Key_Alt) shift |= kAltMask;
      Form_KeyDown(key->key(), shift);
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace vcd::player
