#pragma once
#include <QPointer>
#include <QVector>
#include <QWidget>

namespace vcd::window_services {

// Keeps every control of the window it lies on in proportion to the window's size. When the
// window first loads it records each control's top, left, width and height as fractions of the
// window's inner size; on every resize it puts each control back at the same fractions of the
// new size. Positions are always recomputed from the fractions recorded at load, so minimising and
// restoring, or a control moved by code in between, end where the layout put them.
//
// Controls are the named widgets of the window and, inside widgets marked as containers (the
// dynamic property "resizerContainer"), their named children; all are scaled by the window's
// factors. The resizer's own size stays 1,005 x 735 twips.
class rgrResizer : public QWidget {
  Q_OBJECT
 public:
  explicit rgrResizer(QWidget* parent = nullptr);

  QWidget* Target() const { return target_; }

  // Load: record the proportions table (once per load of the window).
  void recordProportions();
  // Resize: apply the table to every control, skipping whatever cannot be applied.
  void applyProportions();

  struct Proportions {
    double top = 0, left = 0, width = 0, height = 0;
  };
  const QVector<Proportions>& table() const { return table_; }
  // The controls in the window's enumeration order.
  QList<QWidget*> controls() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // The window's inner size in twips: its client area.
  double innerWidth() const;
  double innerHeight() const;

  QPointer<QWidget> target_;
  QVector<Proportions> table_;
  bool recorded_ = false;
};

}  // namespace vcd::window_services
