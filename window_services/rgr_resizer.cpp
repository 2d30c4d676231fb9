#include "window_services/rgr_resizer.h"

#include <QEvent>
#include <QPainter>
#include <cmath>

#include "ui/twips.h"

namespace vcd::window_services {
namespace {

constexpr int kOwnWidthTwips = 1005;
constexpr int kOwnHeightTwips = 735;

int toPixels(double twips) { return static_cast<int>(std::lround(twips / controls::kTwipsPerPixel)); }

bool isControl(const QWidget* w) {
  return !w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")) && !w->isWindow();
}

void collect(const QWidget* parent, QList<QWidget*>& out) {
  for (QObject* child : parent->children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (!w || !isControl(w)) continue;
    out.append(w);
    if (w->property("resizerContainer").toBool()) collect(w, out);
  }
}

}  // namespace

rgrResizer::rgrResizer(QWidget* parent) : QWidget(parent) {
  // Only a window can be the target; on anything else the resizer does nothing.
  if (parent && parent->isWindow()) {
    target_ = parent;
    parent->installEventFilter(this);
  }
  resize(controls::twipsToPixels(kOwnWidthTwips), controls::twipsToPixels(kOwnHeightTwips));
}

double rgrResizer::innerWidth() const { return target_ ? target_->width() * double(controls::kTwipsPerPixel) : 0; }
double rgrResizer::innerHeight() const { return target_ ? target_->height() * double(controls::kTwipsPerPixel) : 0; }

QList<QWidget*> rgrResizer::controls() const {
  QList<QWidget*> out;
  if (target_) collect(target_, out);
  return out;
}

void rgrResizer::recordProportions() {
  if (!target_) return;
  const double w0 = innerWidth(), h0 = innerHeight();
  const QList<QWidget*> all = controls();
  table_ = QVector<Proportions>(all.size());
  if (w0 <= 0 || h0 <= 0) return;  // a division that fails leaves the fields at 0
  for (int i = 0; i < all.size(); ++i) {
    const QRect g = all[i]->geometry();
    const double t = controls::kTwipsPerPixel;
    table_[i] = {g.y() * t / h0, g.x() * t / w0, g.width() * t / w0, g.height() * t / h0};
  }
  recorded_ = true;
}

void rgrResizer::applyProportions() {
  if (!target_ || !recorded_) return;
  const double w1 = innerWidth(), h1 = innerHeight();
  const QList<QWidget*> all = controls();
  for (int i = 0; i < all.size(); ++i) {
    if (i >= table_.size()) break;  // controls added after load have no record
    QWidget* c = all[i];
    const Proportions& p = table_[i];
    QRect g = c->geometry();
    g.moveTop(toPixels(h1 * p.top));
    g.moveLeft(toPixels(w1 * p.left));
    // A size that cannot be taken (zero or negative, as when minimised) is left as it was.
    if (const int h = toPixels(h1 * p.height); h > 0) g.setHeight(h);
    if (const int w = toPixels(w1 * p.width); w > 0) g.setWidth(w);
    c->setGeometry(g);
  }
}

bool rgrResizer::eventFilter(QObject* watched, QEvent* event) {
  if (watched == target_) {
    if (event->type() == QEvent::Show && !recorded_) recordProportions();
    else if (event->type() == QEvent::Resize) applyProportions();
  }
  return QWidget::eventFilter(watched, event);
}

void rgrResizer::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const QSize own(controls::twipsToPixels(kOwnWidthTwips), controls::twipsToPixels(kOwnHeightTwips));
  if (size() != own) resize(own);
}

void rgrResizer::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(0x00, 0x00, 0x80));
  QFont f = font();
  f.setBold(true);
  painter.setFont(f);
  painter.setPen(Qt::white);
  painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("Rgr ReSizer"));
}

}  // namespace vcd::window_services
