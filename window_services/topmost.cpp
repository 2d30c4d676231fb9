#include "window_services/topmost.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include "platform/window_stacking.h"

namespace vcd::window_services {

bool SetTopMost(QWidget* window, bool topmost) {
  if (!window) return false;
  // No Wayland protocol puts a normal window above the others: the compositor alone stacks them.
  if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return false;
  QWidget* top = window->window();
  Qt::WindowFlags flags = top->windowFlags();
  flags.setFlag(Qt::WindowStaysOnTopHint, topmost);

  if (platform::StacksThroughX11()) {
    // The native window, created now if it does not exist yet; creating it neither shows it
    // nor moves it.
    const WId id = top->winId();
    if (!platform::WindowManagerKeepsAbove(id)) return false;
    if (platform::IsMapped(id)) {
      platform::RequestAboveState(id, topmost);
    } else {
      platform::WriteAboveState(id, topmost);
      // Shown but not mapped yet: the window manager may already be reading the property.
      // The message reaches it once it manages the window; until then it is ignored.
      if (top->isVisible()) platform::RequestAboveState(id, topmost);
    }
    // Only the widget's own record of its flags: QWidget::setWindowFlags would hide and
    // re-create the window, and Qt's native window drops the state of an unmapped window when
    // its flags change.
    top->overrideWindowFlags(flags);
    return true;
  }

  // Elsewhere the hint is passed to the native window where one exists (which changes it in
  // place); a window without one yet is created with it.
  top->overrideWindowFlags(flags);
  if (QWindow* handle = top->windowHandle(); handle && handle->flags() != flags) handle->setFlags(flags);
  return true;
}

}  // namespace vcd::window_services
