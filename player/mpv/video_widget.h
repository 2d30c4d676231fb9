#pragma once
#include <QOpenGLWidget>
#include <QPointer>
#include <QTimer>

struct mpv_handle;
struct mpv_render_context;

namespace vcd::mpv {

// The picture: libmpv renders each frame into this widget's framebuffer through its OpenGL
// render API. It takes the keyboard focus; the space bar and a click on the picture toggle
// pause; Esc and a double click leave full screen.
class VideoWidget : public QOpenGLWidget {
  Q_OBJECT
 public:
  explicit VideoWidget(mpv_handle* mpv, QWidget* parent = nullptr);
  ~VideoWidget() override;

  // Shows the picture over the whole screen, or puts it back where it was in its window.
  void setFullScreen(bool on);
  bool isFullScreenShown() const { return m_fullScreen; }

  // The player goes away: let go of the render context (it must not outlive the core).
  void detachPlayer();

  // Frames rendered so far (lets a check wait for a real picture).
  int framesRendered() const { return m_frames; }

 signals:
  void togglePauseRequested();
  void fullScreenLeft();

 protected:
  void initializeGL() override;
  void paintGL() override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void freeRenderContext();
  void leaveFullScreen();

  mpv_handle* m_mpv;
  mpv_render_context* m_render = nullptr;
  bool m_fullScreen = false;
  QPointer<QWidget> m_homeParent;    // where the picture sits when not full screen
  QPointer<QWidget> m_placeholder;   // keeps its place in the home layout meanwhile
  QTimer m_clickTimer;               // a single click counts once no double click follows
  bool m_swallowRelease = false;
  int m_frames = 0;
};

}  // namespace vcd::mpv
