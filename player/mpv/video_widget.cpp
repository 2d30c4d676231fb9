#include "player/mpv/video_widget.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QPalette>
#include <QScreen>
#include <QVBoxLayout>
#include <mpv/client.h>
#include <mpv/render_gl.h>

namespace vcd::mpv {

namespace {
void* procAddress(void*, const char* name) {
  QOpenGLContext* ctx = QOpenGLContext::currentContext();
  return ctx ? reinterpret_cast<void*>(ctx->getProcAddress(name)) : nullptr;
}
}  // namespace

// The OpenGL surface libmpv draws into. Mouse events it does not use go on to the VideoWidget.
class GlSurface : public QOpenGLWidget {
 public:
  GlSurface(mpv_handle* mpv, QWidget* parent) : QOpenGLWidget(parent), m_mpv(mpv) {
    setFocusPolicy(Qt::NoFocus);
  }
  ~GlSurface() override { suspend(); }

  void detach() {
    suspend();
    m_mpv = nullptr;
  }
  int frames() const { return m_frames; }
  bool hasRenderer() const { return m_render != nullptr; }

  // Before the surface moves to another window (which replaces its GL context) or goes away:
  // switch the video off so libmpv lets go of the render context cleanly. Freeing a context
  // still in use makes libmpv kill the video and fail the file.
  void suspend() {
    if (!m_render || !m_mpv) return;
    mpv_set_property_string(m_mpv, "vid", "no");
    freeRenderContext();
  }

 protected:
  void initializeGL() override {
    if (!m_mpv || m_render) return;
    // Reparenting (full screen and back) replaces the GL context: the render context goes with it.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] { freeRenderContext(); },
            Qt::DirectConnection);
    mpv_opengl_init_params gl{procAddress, nullptr};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&m_render, m_mpv, params) < 0) {
      m_render = nullptr;
      qWarning("libmpv cannot render into this OpenGL context");
      return;
    }
    mpv_render_context_set_update_callback(m_render, [](void* self) {
      // Called on libmpv's threads: only ask the GUI thread to repaint.
      QMetaObject::invokeMethod(static_cast<GlSurface*>(self), "update", Qt::QueuedConnection);
    }, this);
    // The video stays off while there is nowhere to draw it (see MpvPlayer); now there is.
    mpv_set_property_string(m_mpv, "vid", "auto");
  }

  void paintGL() override {
    if (!m_render) return;
    const qreal ratio = devicePixelRatioF();
    mpv_opengl_fbo fbo{static_cast<int>(defaultFramebufferObject()), int(width() * ratio), int(height() * ratio), 0};
    int flipY = 1;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flipY},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(m_render, params);
    ++m_frames;
  }

 private:
  void freeRenderContext() {
    if (!m_render) return;
    makeCurrent();
    mpv_render_context_set_update_callback(m_render, nullptr, nullptr);
    mpv_render_context_free(m_render);
    m_render = nullptr;
    doneCurrent();
  }

  mpv_handle* m_mpv;
  mpv_render_context* m_render = nullptr;
  int m_frames = 0;
};

bool VideoWidget::openGLAvailable() {
  const QString platform = QGuiApplication::platformName();
  if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return false;
  QOpenGLContext probe;
  return probe.create();
}

VideoWidget::VideoWidget(mpv_handle* mpv, QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(64, 48);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);
  setPalette(pal);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  if (mpv) {
    m_surface = new GlSurface(mpv, this);
    layout->addWidget(m_surface, 1);
  } else {
    layout->addStretch(1);  // the black picture area
  }
  m_clickTimer.setSingleShot(true);
  connect(&m_clickTimer, &QTimer::timeout, this, &VideoWidget::togglePauseRequested);
}

VideoWidget::~VideoWidget() {
  if (m_placeholder) delete m_placeholder.data();
}

void VideoWidget::setControlBar(QWidget* bar) {
  if (m_bar) delete m_bar.data();
  m_bar = bar;
  if (!bar) return;
  layout()->addWidget(bar);
  bar->setVisible(!m_fullScreen);
}

void VideoWidget::detachPlayer() {
  if (m_surface) m_surface->detach();
}

int VideoWidget::framesRendered() const { return m_surface ? m_surface->frames() : 0; }
bool VideoWidget::hasRenderer() const { return m_surface && m_surface->hasRenderer(); }

QImage VideoWidget::grabPicture() {
  if (m_surface) return m_surface->grabFramebuffer();
  QImage black(size() - QSize(0, m_bar && m_bar->isVisible() ? m_bar->height() : 0), QImage::Format_RGB32);
  black.fill(Qt::black);
  return black;
}

void VideoWidget::setFullScreen(bool on) {
  if (on == m_fullScreen) return;
  if (m_surface) m_surface->suspend();
  if (m_bar) m_bar->setVisible(!on);  // full screen shows the picture alone
  if (on) {
    m_homeParent = parentWidget();
    m_homeGeometry = geometry();
    if (m_homeParent && m_homeParent->layout()) {
      // Hold the picture's place in its layout so it comes back where it was.
      m_placeholder = new QWidget(m_homeParent);
      m_homeParent->layout()->replaceWidget(this, m_placeholder);
    }
    m_fullScreen = true;
    QScreen* screen = window()->screen();
    setParent(nullptr);
    setWindowFlag(Qt::Window, true);
    // The screen's whole area even where no window manager honours the full-screen request.
    if (screen) setGeometry(screen->geometry());
    showFullScreen();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
  } else {
    m_fullScreen = false;
    if (m_homeParent) {
      setParent(m_homeParent);  // a child again (clears the window flag)
      setGeometry(m_homeGeometry);  // a window that places its controls itself gets it back as it was
      if (m_placeholder && m_homeParent->layout()) m_homeParent->layout()->replaceWidget(m_placeholder, this);
    } else {
      setWindowFlag(Qt::Window, false);
    }
    if (m_placeholder) delete m_placeholder.data();
    show();
    setFocus(Qt::OtherFocusReason);
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
  QWidget::keyPressEvent(event);
}

void VideoWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  if (m_swallowRelease) {
    m_swallowRelease = false;  // the release that ends a double click
    return;
  }
  if (rect().contains(mapFromGlobal(event->globalPosition().toPoint()))) {
    // Wait out the double-click interval: the first click of a double click must not pause.
    if (!m_clickTimer.isActive()) m_clickTimer.start(QApplication::doubleClickInterval());
  }
}

void VideoWidget::contextMenuEvent(QContextMenuEvent* event) {
  event->accept();
  emit contextMenuRequested(event->globalPos());
}

void VideoWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
  m_clickTimer.stop();
  m_swallowRelease = true;
  leaveFullScreen();
}

}  // namespace vcd::mpv
