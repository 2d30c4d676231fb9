#include "player/mpv/video_widget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <mpv/client.h>
#include <mpv/render_gl.h>

namespace vcd::mpv {

namespace {
void* procAddress(void*, const char* name) {
  QOpenGLContext* ctx = QOpenGLContext::currentContext();
  return ctx ? reinterpret_cast<void*>(ctx->getProcAddress(name)) : nullptr;
}
}  // namespace

VideoWidget::VideoWidget(mpv_handle* mpv, QWidget* parent) : QOpenGLWidget(parent), m_mpv(mpv) {
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(64, 48);
  m_clickTimer.setSingleShot(true);
  connect(&m_clickTimer, &QTimer::timeout, this, &VideoWidget::togglePauseRequested);
}

VideoWidget::~VideoWidget() {
  freeRenderContext();
  if (m_placeholder) delete m_placeholder.data();
}

void VideoWidget::detachPlayer() {
  freeRenderContext();
  m_mpv = nullptr;
}

void VideoWidget::freeRenderContext() {
  if (!m_render) return;
  makeCurrent();
  mpv_render_context_free(m_render);
  m_render = nullptr;
  doneCurrent();
}

void VideoWidget::initializeGL() {
  if (!m_mpv || m_render) return;
  // Reparenting (full screen and back) replaces the GL context: the render context goes with it.
  connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &VideoWidget::freeRenderContext,
          Qt::UniqueConnection);
  mpv_opengl_init_params gl{procAddress, nullptr};
  int advanced = 1;
  mpv_render_param params[] = {
      {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
      {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
      {MPV_RENDER_PARAM_ADVANCED_CONTROL, &advanced},
      {MPV_RENDER_PARAM_INVALID, nullptr},
  };
  if (mpv_render_context_create(&m_render, m_mpv, params) < 0) {
    m_render = nullptr;
    qWarning("libmpv could not render into this OpenGL context");
    return;
  }
  mpv_render_context_set_update_callback(m_render, [](void* ctx) {
    // Called on libmpv's threads: only ask the GUI thread to repaint.
    QMetaObject::invokeMethod(static_cast<VideoWidget*>(ctx), "update", Qt::QueuedConnection);
  }, this);
  // A file that started before there was anywhere to draw (or while the picture moved to
  // another window) has its video switched off; pick the track up again.
  mpv_set_property_string(m_mpv, "vid", "auto");
}

void VideoWidget::paintGL() {
  if (!m_render) return;
  const qreal ratio = devicePixelRatioF();
  mpv_opengl_fbo fbo{static_cast<int>(defaultFramebufferObject()), int(width() * ratio), int(height() * ratio), 0};
  int flipY = 1;
  mpv_render_param params[] = {
      {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
      {MPV_RENDER_PARAM_FLIP_Y, &flipY},
      {MPV_RENDER_PARAM_INVALID, nullptr},
  };
  uint64_t flags = mpv_render_context_update(m_render);
  (void)flags;
  mpv_render_context_render(m_render, params);
  ++m_frames;
}

void VideoWidget::setFullScreen(bool on) {
  if (on == m_fullScreen) return;
  if (on) {
    m_homeParent = parentWidget();
    if (m_homeParent && m_homeParent->layout()) {
      // Hold the picture's place in its layout so it comes back where it was.
      m_placeholder = new QWidget(m_homeParent);
      m_homeParent->layout()->replaceWidget(this, m_placeholder);
    }
    m_fullScreen = true;
    setParent(nullptr);
    setWindowFlag(Qt::Window, true);
    showFullScreen();
    setFocus(Qt::OtherFocusReason);
  } else {
    m_fullScreen = false;
    setWindowFlag(Qt::Window, false);
    if (m_homeParent) {
      setParent(m_homeParent);
      if (m_placeholder && m_homeParent->layout()) m_homeParent->layout()->replaceWidget(m_placeholder, this);
    } else {
      setParent(nullptr);
    }
    if (m_placeholder) delete m_placeholder.data();
    showNormal();
    show();
  }
}

void VideoWidget::leaveFullScreen() {
  if (!m_fullScreen) return;
  setFullScreen(false);
  emit fullScreenLeft();
}

void VideoWidget::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space:
      emit togglePauseRequested();
      return;
    case Qt::Key_Escape:
      if (m_fullScreen) {
        leaveFullScreen();
        return;
      }
      break;
    default: break;
  }
  QOpenGLWidget::keyPressEvent(event);
}

void VideoWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && m_swallowRelease) {
    m_swallowRelease = false;  // the release that ends a double click
    return;
  }
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    // Wait out the double-click interval: the first click of a double click must not pause.
    if (!m_clickTimer.isActive()) m_clickTimer.start(QApplication::doubleClickInterval());
    return;
  }
  QOpenGLWidget::mouseReleaseEvent(event);
}

void VideoWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    m_clickTimer.stop();
    m_swallowRelease = true;
    leaveFullScreen();
    return;
  }
  QOpenGLWidget::mouseDoubleClickEvent(event);
}

}  // namespace vcd::mpv
