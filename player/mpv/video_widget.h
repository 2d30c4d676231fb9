#pragma once
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

struct mpv_handle;

namespace vcd::mpv {

class GlSurface;

// The picture: libmpv renders each frame through its OpenGL render API into a surface inside
// this widget. The widget takes the keyboard focus; the space bar and a click on the picture
// toggle pause; Esc and a double click leave full screen. Where the display offers no OpenGL
// the widget stays black (the engine then plays the sound only).
class VideoWidget : public QWidget {
  Q_OBJECT
 public:
  // `mpv` null: no picture at all.
  explicit VideoWidget(mpv_handle* mpv, QWidget* parent = nullptr);
  ~VideoWidget() override;

  // Whether this display can show a QOpenGLWidget at all.
  static bool openGLAvailable();

  // Shows the picture over the whole screen, or puts it back where it was in its window.
  void setFullScreen(bool on);
  bool isFullScreenShown() const { return m_fullScreen; }

  // The player goes away: let go of the render context (it must not outlive the core).
  void detachPlayer();

  // Frames rendered so far, and the picture as last drawn (for checks).
  int framesRendered() const;
  QImage grabPicture();
  bool hasRenderer() const;

 signals:
  void togglePauseRequested();
  void fullScreenLeft();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void leaveFullScreen();

  GlSurface* m_surface = nullptr;
  bool m_fullScreen = false;
  QPointer<QWidget> m_homeParent;    // where the picture sits when not full screen
  QPointer<QWidget> m_placeholder;   // keeps its place in the home layout meanwhile
  QRect m_homeGeometry;
  QTimer m_clickTimer;               // a single click counts once no double click follows
  bool m_swallowRelease = false;
};

}  // namespace vcd::mpv
