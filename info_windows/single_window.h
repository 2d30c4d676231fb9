#pragma once
#include <QPointer>
#include <QWidget>

namespace vcd::info_windows {

// Holds the one window of a kind that may be open at a time (the About and Quick Help windows):
// a request opens it when there is none and otherwise only shows it again and brings it forward.
// The window deletes itself when it is closed; whatever is still open when the holder goes (the
// main window ends) is deleted with it, without running its close handlers.
template <typename Window>
class SingleWindow {
 public:
  SingleWindow() = default;
  SingleWindow(const SingleWindow&) = delete;
  SingleWindow& operator=(const SingleWindow&) = delete;
  ~SingleWindow() { delete window_.data(); }

  Window* get() const { return window_.data(); }

  // create: a callable returning a new, not yet shown Window.
  template <typename Create>
  Window* openOrBringForward(Create&& create) {
    if (!window_) window_ = create();
    Window* w = window_.data();
    if (w->isMinimized()) w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->show();
    w->raise();
    w->activateWindow();
    return w;
  }

 private:
  QPointer<Window> window_;
};

}  // namespace vcd::info_windows
