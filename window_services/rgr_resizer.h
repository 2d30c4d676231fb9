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
//
// Each record belongs to its control, not to a place in the window's list of children: a
// control that leaves its container for a while (the player's face goes full screen as a window
// of its own) and comes back last in the list, or is stacked anew, keeps its own proportions,
// and gets them back the moment it is home again. While it is away it is left alone. A control
// made after load has no record and is left alone; one that has been deleted is skipped.
class rgrResizer : public QWidget {
  Q_OBJECT
 public:
  explicit rgrResizer(QWidget* parent = nullptr);

  QWidget* Target() const { return target_; }

  // Load: record the proportions table (once per load of the window).
  void recordProportions();
  // Resize: apply the table to every control, skipping whatever cannot be applied.
  void applyProportions();

  // The controls that have a record and still exist, in the order they were recorded.
  QList<QWidget*> controls() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Proportions {
    double top = 0, left = 0, width = 0, height = 0;
  };
  struct Record {
    QPointer<QWidget> control;
    QPointer<QWidget> container;  // where the control lay at load; it is scaled only there
    Proportions proportions;
  };
  // The window's inner size in twips: its client area.
  double innerWidth() const;
  double innerHeight() const;
  // Puts one control at its record's fractions of the window's present size.
  void apply(const Record& record, double w1, double h1) const;

  QPointer<QWidget> target_;
  QVector<Record> table_;
  bool recorded_ = false;
};

}  // namespace vcd::window_services
