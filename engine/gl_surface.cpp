#include "engine/gl_surface.h"

#include "platform/log.h"

#include <QExposeEvent>
#include <QGuiApplication>
#include <QMetaObject>
#include <QOffscreenSurface>
#include <QOpenGLFunctions>
#include <QRegion>
#include <mpv/client.h>
#include <mpv/render_gl.h>

#include <utility>

namespace vcd::engine {

namespace {
void* procAddress(void*, const char* name) {
  QOpenGLContext* ctx = QOpenGLContext::currentContext();
  return ctx ? reinterpret_cast<void*>(ctx->getProcAddress(name)) : nullptr;
}
}  // namespace

// A frame buffer of the current context with a colour texture of its own: where the picture is
// drawn when it is not drawn to the screen. Made and freed with its context current. (Plain GL
// calls rather than Qt's frame buffer class, whose library the program would load for this alone.)
class GlSurface::FrameBuffer {
 public:
  FrameBuffer(QOpenGLFunctions* gl, QSize size) : m_gl(gl), m_size(size) {
    m_gl->glGenTextures(1, &m_texture);
    m_gl->glBindTexture(GL_TEXTURE_2D, m_texture);
    m_gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    m_gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    m_gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, size.width(), size.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    m_gl->glBindTexture(GL_TEXTURE_2D, 0);
    GLint previous = 0;
    m_gl->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
    m_gl->glGenFramebuffers(1, &m_framebuffer);
    m_gl->glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    m_gl->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_texture, 0);
    m_complete = m_gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    m_gl->glBindFramebuffer(GL_FRAMEBUFFER, GLuint(previous));
    if (!m_complete) qCDebug(lcEngine, "no frame buffer of %dx%d for the picture", size.width(), size.height());
  }
  ~FrameBuffer() {
    m_gl->glDeleteFramebuffers(1, &m_framebuffer);
    m_gl->glDeleteTextures(1, &m_texture);
  }
  FrameBuffer(const FrameBuffer&) = delete;
  FrameBuffer& operator=(const FrameBuffer&) = delete;

  bool complete() const { return m_complete; }
  GLuint handle() const { return m_framebuffer; }

  // What was drawn. Not asked to flip, libmpv puts the picture's top row first in the buffer, as
  // an image's rows run: it reads back the right way up.
  QImage image() const {
    QImage image(m_size, QImage::Format_RGBA8888);
    if (!m_complete) {
      image.fill(Qt::black);
      return image;
    }
    GLint previous = 0;
    m_gl->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
    m_gl->glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    m_gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    m_gl->glReadPixels(0, 0, m_size.width(), m_size.height(), GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    m_gl->glBindFramebuffer(GL_FRAMEBUFFER, GLuint(previous));
    return image;
  }

 private:
  QOpenGLFunctions* m_gl;
  QSize m_size;
  GLuint m_texture = 0;
  GLuint m_framebuffer = 0;
  bool m_complete = false;
};

bool GlSurface::onWayland() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

QSurfaceFormat GlSurface::pictureFormat() {
  QSurfaceFormat format = QSurfaceFormat::defaultFormat();
  format.setSwapInterval(0);
  format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  return format;
}

GlSurface::GlSurface(mpv_handle* mpv) : m_mpv(mpv) {
  setSurfaceType(QWindow::OpenGLSurface);
  setFlag(Qt::WindowTransparentForInput, true);
  setFormat(pictureFormat());
}

GlSurface::~GlSurface() { detach(); }

void GlSurface::detach() {
  freeRenderContext();
  m_mpv = nullptr;
}

void GlSurface::adoptContext(std::unique_ptr<QOpenGLContext> context) {
  if (!context || m_context) return;
  m_context = std::move(context);
}

void GlSurface::ensureRenderer() {
  if (!m_render) createRenderer();
}

QImage GlSurface::grab() {
  const QSize size = pixelSize();
  if (!m_render || !makeCurrent() || size.isEmpty()) {
    QImage black(size.isEmpty() ? QSize(1, 1) : size, QImage::Format_RGB32);
    black.fill(Qt::black);
    return black;
  }
  QImage image;
  {
    const FrameBuffer target(m_context->functions(), size);
    if (target.complete()) renderInto(target.handle(), size, false);
    image = target.image();
  }
  m_context->doneCurrent();
  return image.convertToFormat(QImage::Format_RGB32);
}

void GlSurface::exposeEvent(QExposeEvent*) {
  qCDebug(lcEngine, "picture window %s", isExposed() ? "exposed" : "no longer exposed");
  if (exposureChanged) exposureChanged(isExposed());
  if (!isExposed()) return;
  platform::startupStep("picture window exposed");
  passPointerThrough();
  if (!m_render) createRenderer();
  draw(false);
}

bool GlSurface::event(QEvent* event) {
  if (event->type() == QEvent::UpdateRequest) {
    draw(false);
    return true;
  }
  return QWindow::event(event);
}

void GlSurface::resizeEvent(QResizeEvent*) {
  if (isExposed()) requestUpdate();
}

// On X11 the window's flag lets clicks through. On Wayland the picture is a surface of its own
// (a subsurface of the main window's) that takes the pointer whatever the flag says; its input
// region is set to a rectangle outside the surface, which leaves it none, so clicks, double
// clicks and right clicks reach the window's surface beneath and the VideoWidget there. Qt
// makes a new wl_surface each time the window is shown and may forget the region with the old
// one: it is set again on every expose (cleared first, as Qt skips a region it believes set).
void GlSurface::passPointerThrough() {
  if (!onWayland()) return;
  setMask(QRegion());
  setMask(QRegion(-1, -1, 1, 1));
}

bool GlSurface::makeCurrent() {
  if (!m_context || !handle()) return false;
  return m_context->makeCurrent(this);
}

// A current context for work that draws nothing: on the window where it can be made current
// while not on screen (X11), otherwise on a small surface of its own.
bool GlSurface::makeCurrentAnywhere() {
  if (makeCurrent()) return true;
  if (!m_offscreen) {
    m_offscreen = std::make_unique<QOffscreenSurface>();
    m_offscreen->setFormat(m_context->format());
    m_offscreen->create();
  }
  return m_context->makeCurrent(m_offscreen.get());
}

void GlSurface::createRenderer() {
  if (!m_mpv) return;
  platform::startupStep("render context: creating");
  makeRenderer();
  if (rendererTried) rendererTried();
}

void GlSurface::makeRenderer() {
  if (!m_context) {
    m_context = std::make_unique<QOpenGLContext>();
    m_context->setFormat(requestedFormat());
    if (!m_context->create()) {
      qCWarning(lcEngine, "No OpenGL context for the picture: the video cannot be shown");
      m_context.reset();
      return;
    }
  }
  create();  // the native window, not yet on screen
  if (!makeCurrentAnywhere()) return;
  // Mesa's software rasteriser (llvmpipe, as in virtual machines, under Xvfb and headless
  // compositors) on Mesa 25 (Debian 13) draws the whole picture black for the life of the
  // process in about half the starts when libmpv scales with its default scalers (filter
  // kernels since libmpv 0.37): libmpv reports nothing and hands over black frames;
  // a plain Qt program with libmpv's defaults does the same, in a native window or a
  // QOpenGLWidget, on X11 and Wayland. Bilinear scaling (libmpv's default up to 0.36, Debian
  // 12's) shows it every time, and costs a software rasteriser far less per frame. Video CD
  // pictures have 8 bits per sample: 8-bit intermediate pictures lose nothing (libmpv's 16-bit
  // floating-point ones have been seen black on the same Mesa too).
  const auto* renderer = reinterpret_cast<const char*>(m_context->functions()->glGetString(GL_RENDERER));
  const QByteArray rendererName(renderer ? renderer : "");
  if (rendererName.contains("llvmpipe") || rendererName.contains("softpipe")) {
    qCDebug(lcEngine, "software OpenGL (%s): bilinear scaling, 8-bit intermediate pictures", renderer);
    for (const char* scaler : {"scale", "cscale", "dscale"}) {
      if (mpv_set_property_string(m_mpv, scaler, "bilinear") < 0)
        qCDebug(lcEngine, "libmpv refused %s=bilinear: the picture may stay black on this renderer", scaler);
    }
    mpv_set_property_string(m_mpv, "fbo-format", "rgba8");
  }
  mpv_opengl_init_params gl{procAddress, nullptr};
  mpv_render_param params[] = {
      {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
      {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
      {MPV_RENDER_PARAM_INVALID, nullptr},
  };
  mpv_render_context* render = nullptr;
  if (mpv_render_context_create(&render, m_mpv, params) < 0) {
    qCWarning(lcEngine, "libmpv cannot draw into this OpenGL context: the video cannot be shown");
    return;
  }
  m_render.reset(render);
  mpv_render_context_set_update_callback(m_render.get(), [](void* self) {
    // Called on libmpv's threads: ask the GUI thread once to look for a new frame.
    auto* surface = static_cast<GlSurface*>(self);
    if (!surface->m_drawPosted.exchange(true))
      QMetaObject::invokeMethod(surface, [surface] { surface->onUpdate(); }, Qt::QueuedConnection);
  }, this);
  // The video stays off while there is nowhere to draw it (see MpvPlayer); now there is.
  mpv_set_property_string(m_mpv, "vid", "auto");
  platform::startupStep("render context made, video on");
}

void GlSurface::onUpdate() {
  m_drawPosted = false;
  if (!m_render) return;
  if (m_frames == 0) qCDebug(lcEngine, "libmpv asks for a redraw");
  const bool newFrame = (mpv_render_context_update(m_render.get()) & MPV_RENDER_UPDATE_FRAME) != 0;
  if (newFrame && !isExposed()) {
    renderAside();
    return;
  }
  draw(newFrame);
}

// libmpv's video output waits for each frame it hands over to be rendered (up to 200 ms)
// before it goes on, and it tells that it has a picture (which shows this window) only after
// the first one. A frame that comes while the window is not on screen is rendered into a
// frame buffer of one pixel, so the output never waits for a window that is not there; once
// the window is exposed, it draws that frame again.
void GlSurface::renderAside() {
  if (!makeCurrentAnywhere()) return;
  if (!m_aside) m_aside = std::make_unique<FrameBuffer>(m_context->functions(), QSize(1, 1));
  // Drawn even into a frame buffer that could not be made: the frame is taken off libmpv's hands.
  renderInto(m_aside->handle(), QSize(1, 1), false);
  m_frameAside = true;
}

void GlSurface::draw(bool newFrame) {
  if (!m_render || !isExposed()) return;
  if (!makeCurrent()) {
    qCDebug(lcEngine, "the picture's OpenGL context cannot be made current on its window");
    return;
  }
  const QSize size = pixelSize();
  renderInto(m_context->defaultFramebufferObject(), size, true);
  m_context->swapBuffers(this);
  mpv_render_context_report_swap(m_render.get());
  newFrame = newFrame || std::exchange(m_frameAside, false);
  if (newFrame && m_frames++ == 0) {
    platform::startupDone("first frame drawn");
    qCDebug(lcEngine, "first frame drawn (%dx%d)", size.width(), size.height());
    if (firstFrameDrawn) firstFrameDrawn();
  }
}

// The current frame into a frame buffer of this context; never sleeps until the frame's
// display time (the GUI thread must stay free).
void GlSurface::renderInto(unsigned framebuffer, QSize size, bool flipY) {
  mpv_opengl_fbo fbo{static_cast<int>(framebuffer), size.width(), size.height(), 0};
  int flip = flipY ? 1 : 0;
  int block = 0;
  mpv_render_param params[] = {
      {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
      {MPV_RENDER_PARAM_FLIP_Y, &flip},
      {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
      {MPV_RENDER_PARAM_INVALID, nullptr},
  };
  mpv_render_context_render(m_render.get(), params);
}

void GlSurface::freeRenderContext() {
  if (!m_render) return;
  mpv_render_context_set_update_callback(m_render.get(), nullptr, nullptr);
  // libmpv frees its GL objects: a context must be current, on any surface of ours.
  makeCurrentAnywhere();
  m_aside.reset();
  m_render.reset();
  m_context->doneCurrent();
}

}  // namespace vcd::engine
