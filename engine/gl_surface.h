#pragma once
#include "engine/mpv_handles.h"

#include <QImage>
#include <QOpenGLContext>
#include <QWindow>

#include <atomic>
#include <functional>
#include <memory>

class QOffscreenSurface;

namespace vcd::engine {

// The native window libmpv draws into, inside the VideoWidget. It has an OpenGL context of its
// own and draws straight to the screen: no frame buffer of Qt's, no composition of the whole
// window per frame, and the rest of the window stays plain raster. Frames are drawn on the GUI
// thread without ever waiting for their display time (libmpv hands each frame over at that time:
// the engine sets video-timing-offset to 0) and the buffer swap does not wait for the screen's
// refresh, so a key press or a screen reader's question is answered between two frames.
// The window takes no input: clicks and keys reach the VideoWidget beneath it.
//
// Threads: all of it runs on the GUI thread but libmpv's update callback, which runs on
// libmpv's threads and only queues one call to the GUI thread at a time.
class GlSurface : public QWindow {
 public:
  // Told whenever the window is exposed or no longer exposed.
  std::function<void(bool exposed)> exposureChanged;
  // Told once, when the first frame of a film is on screen.
  std::function<void()> firstFrameDrawn;
  // Told after each try at making the render context, whether it was made or not.
  std::function<void()> rendererTried;

  explicit GlSurface(mpv_handle* mpv);
  ~GlSurface() override;

  // Whether the application runs on a Wayland compositor natively.
  static bool onWayland();
  // The format of the picture's window and of its OpenGL context.
  static QSurfaceFormat pictureFormat();

  // An OpenGL context made already (of pictureFormat(), not current anywhere, living on the GUI
  // thread), taken for the picture instead of a new one. Only before the render context is made.
  void adoptContext(std::unique_ptr<QOpenGLContext> context);

  // The player goes away: the render context must not outlive its core.
  void detach();
  int frames() const { return m_frames.load(); }

  // The render context is made as soon as the face is on screen, whether or not the picture
  // shows yet: libmpv only configures its video once it has somewhere to draw.
  void ensureRenderer();
  bool hasRenderer() const { return m_render != nullptr; }

  // The picture as it stands, drawn once more into an image of the surface's size.
  QImage grab();

 protected:
  void exposeEvent(QExposeEvent*) override;
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent*) override;

 private:
  QSize pixelSize() const { return size() * devicePixelRatio(); }
  void passPointerThrough();
  bool makeCurrent();
  bool makeCurrentAnywhere();
  void createRenderer();
  void makeRenderer();
  void onUpdate();
  void renderAside();
  void draw(bool newFrame);
  void renderInto(unsigned framebuffer, QSize size, bool flipY);
  void freeRenderContext();

  class FrameBuffer;
  mpv_handle* m_mpv;
  std::unique_ptr<QOpenGLContext> m_context;
  std::unique_ptr<QOffscreenSurface> m_offscreen;
  RenderContext m_render;  // freed by freeRenderContext, with the OpenGL context current
  std::unique_ptr<FrameBuffer> m_aside;  // where frames go while the window is not exposed
  bool m_frameAside = false;             // the last frame has not been on screen yet
  std::atomic<int> m_frames{0};
  std::atomic<bool> m_drawPosted{false};
};

}  // namespace vcd::engine
