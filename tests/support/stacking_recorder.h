#pragma once
#include <QStringList>
#include <QWidget>

#include "window_services/topmost.h"

namespace vcd::test {

// Stands in for the stacking routine and writes down every call as "<window>:on" or
// "<window>:off", the window named by its object name.
struct StackingRecorder {
  QStringList calls;
  // Whether the window was shown when it was told; in the same order as calls.
  QList<bool> shown;
  // What the routine answers: whether the desktop keeps windows on top.
  bool desktopKeepsOnTop = true;

  window_services::TopMostRoutine routine() {
    return [this](QWidget* w, bool topmost) {
      calls << w->objectName() + (topmost ? ":on" : ":off");
      shown << w->isVisible();
      return desktopKeepsOnTop;
    };
  }
};

}  // namespace vcd::test
