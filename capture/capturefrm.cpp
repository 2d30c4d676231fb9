#include "capture/capturefrm.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

#include "ui/twips.h"

namespace vcd::capture {

Capturefrm::Capturefrm() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("Capturefrm"));
  setWindowTitle(QStringLiteral("Form2"));
  setAttribute(Qt::WA_DeleteOnClose);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  setAutoFillBackground(true);
  // Its size when it is not covering the screen: 4,680 x 3,195 twips.
  resize(ui::twipsToPixels(4680), ui::twipsToPixels(3195));
}

void Capturefrm::ShowCovering() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->geometry());
  showFullScreen();
}

void Capturefrm::Form_Click() {
  unloaded_ = true;
  close();  // destroyed once control is back in the event loop
}

void Capturefrm::postClick() {
  const QPointF at(width() / 2.0, height() / 2.0);
  const QPointF global = mapToGlobal(at);
  QCoreApplication::postEvent(this, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                    Qt::LeftButton, Qt::NoModifier));
  QCoreApplication::postEvent(this, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                                    Qt::NoButton, Qt::NoModifier));
}

void Capturefrm::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressed_ = true;
  event->accept();
}

void Capturefrm::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  event->accept();
  if (click && !unloaded_) Form_Click();
}

}  // namespace vcd::capture
