#include "platform/screen_grab.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace vcd::platform {

bool InWaylandSession() {
  return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
         qEnvironmentVariable("XDG_SESSION_TYPE").compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0;
}

bool IsAllBlack(const QImage& picture) {
  if (picture.isNull()) return false;
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x)
      if ((line[x] & 0x00FFFFFFu) != 0) return false;
  }
  return true;
}

QImage GrabWholeScreen() {
  if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")) || InWaylandSession()) return QImage();
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
