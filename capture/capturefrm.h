#pragma once
#include <QWidget>

namespace vcd::capture {

// The black window that covers the screen for a moment during a capture. It has no controls; a
// click anywhere in it unloads it (the window is destroyed; showing it again makes a new one).
class Capturefrm : public QWidget {
  Q_OBJECT
 public:
  Capturefrm();

  // Shows the window over the whole screen.
  void ShowCovering();
  // The click handler: unloads the window.
  void Form_Click();
  // True once the window has been unloaded (it is then on its way out and is not shown again).
  bool isUnloaded() const { return unloaded_; }
  // One left click in the middle of this window, queued like a click of the user's and handled
  // once the caller has returned to the event loop. It reaches this window only: no other
  // program's window, whatever lies under the pointer.
  void postClick();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool pressed_ = false;
  bool unloaded_ = false;
};

}  // namespace vcd::capture
