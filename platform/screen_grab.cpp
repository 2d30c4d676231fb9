#include "platform/screen_grab.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace vcd::platform {

QImage GrabWholeScreen() {
  if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return QImage();
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return QImage();
  // Window id 0 is the root window: everything on the screen, whichever program drew it.
  const QPixmap grab = screen->grabWindow(0);
  if (grab.isNull() || grab.width() <= 0 || grab.height() <= 0) return QImage();
  return grab.toImage();
}

QSize WholeScreenSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return QSize();
  return screen->size() * screen->devicePixelRatio();
}

}  // namespace vcd::platform
