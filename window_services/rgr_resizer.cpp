#include "window_services/rgr_resizer.h"

#include <QEvent>
#include <QMetaObject>
#include <QPainter>
#include <cmath>

#include "ui/twips.h"

namespace vcd::window_services {
namespace {

constexpr int kOwnWidthTwips = 1005;
constexpr int kOwnHeightTwips = 735;

int toPixels(double twips) { return static_cast<int>(std::lround(twips / ui::kTwipsPerPixel)); }

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
  resize(ui::twipsToPixels(kOwnWidthTwips), ui::twipsToPixels(kOwnHeightTwips));
}

double rgrResizer::innerWidth() const { return target_ ? target_->width() * double(ui::kTwipsPerPixel) : 0; }
double rgrResizer::innerHeight() const { return target_ ? target_->height() * double(ui::kTwipsPerPixel) : 0; }

QList<QWidget*> rgrResizer::controls() const {
  QList<QWidget*> out;
  for (const Record& r : table_)
    if (r.control) out.append(r.control.data());
  return out;
}

void rgrResizer::recordProportions() {
  if (!target_) return;
  for (const Record& r : table_)
    if (r.control) r.control->removeEventFilter(this);
  const double w0 = innerWidth(), h0 = innerHeight();
  QList<QWidget*> all;
  collect(target_, all);
  table_.clear();
  table_.reserve(all.size());
  const double t = ui::kTwipsPerPixel;
  for (QWidget* c : all) {
    Record r{c, c->parentWidget(), {}};
    if (w0 > 0 && h0 > 0) {  // a division that fails leaves the fields at 0
      const QRect g = c->geometry();
      r.proportions = {g.y() * t / h0, g.x() * t / w0, g.width() * t / w0, g.height() * t / h0};
    }
    table_.append(r);
    // To see it come home after a spell elsewhere (see eventFilter).
    c->installEventFilter(this);
  }
  recorded_ = w0 > 0 && h0 > 0;
}

void rgrResizer::apply(const Record& r, double w1, double h1) const {
  QWidget* c = r.control.data();
  // Deleted, or away from where it was recorded (a window of its own meanwhile): left alone.
  if (!c || !r.container || c->parentWidget() != r.container.data() || c->isWindow()) return;
  const Proportions& p = r.proportions;
  QRect g = c->geometry();
  g.moveTop(toPixels(h1 * p.top));
  g.moveLeft(toPixels(w1 * p.left));
  // A size that cannot be taken (zero or negative, as when minimised) is left as it was.
  if (const int h = toPixels(h1 * p.height); h > 0) g.setHeight(h);
  if (const int w = toPixels(w1 * p.width); w > 0) g.setWidth(w);
  c->setGeometry(g);
}

void rgrResizer::applyProportions() {
  if (!target_ || !recorded_) return;
  const double w1 = innerWidth(), h1 = innerHeight();
  for (const Record& r : table_) apply(r, w1, h1);
}

bool rgrResizer::eventFilter(QObject* watched, QEvent* event) {
  if (watched == target_) {
    if (event->type() == QEvent::Show && !recorded_) recordProportions();
    else if (event->type() == QEvent::Resize) applyProportions();
  } else if (event->type() == QEvent::ParentChange && recorded_ && target_) {
    // A control back in its container takes its proportions of the window as it is now (the
    // window may have changed size while it was away), once whoever moved it is done with it.
    QPointer<QObject> control(watched);
    QMetaObject::invokeMethod(this, [this, control] {
      if (!control || !target_) return;
      for (const Record& r : table_)
        if (r.control == control) apply(r, innerWidth(), innerHeight());
    }, Qt::QueuedConnection);
  }
  return QWidget::eventFilter(watched, event);
}

void rgrResizer::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const QSize own(ui::twipsToPixels(kOwnWidthTwips), ui::twipsToPixels(kOwnHeightTwips));
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
