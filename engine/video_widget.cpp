#include "engine/video_widget.h"

#include "engine/mpv_handles.h"
#include "platform/log.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QWindow>
#include <QPalette>
#include <QRegion>
#include <QScreen>
#include <QSpacerItem>
#include <QVBoxLayout>
#include <mpv/client.h>
#include <mpv/render_gl.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <utility>
#include <vector>

namespace vcd::mpv {

namespace {
void* procAddress(void*, const char* name) {
  QOpenGLContext* ctx = QOpenGLContext::currentContext();
  return ctx ? reinterpret_cast<void*>(ctx->getProcAddress(name)) : nullptr;
}

bool onWayland() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

// How long the picture window may stay unexposed once its window is on screen (just shown, or its
// top window just exposed) before it is made anew. The compositor exposes the picture right after
// its window where it does so at all; a premature renewal costs one new surface and nothing else.
constexpr int kShownGraceMs = 300;
// How long it may stay hidden after it went out of view while its window stays on screen: a
// compositor that is only late with a frame (a loaded machine) brings it back by itself.
constexpr int kHiddenGraceMs = 1500;
// A window manager answers a new window's requests while it maps it; later state changes are the
// user's (a loaded machine may take a few seconds to map a window).
constexpr qint64 kMapTimeMs = 5000;
}  // namespace

// The native window libmpv draws into, inside the VideoWidget. It has an OpenGL context of its
// own and draws straight to the screen: no frame buffer of Qt's, no composition of the whole
// window per frame, and the rest of the window stays plain raster. Frames are drawn on the GUI
// thread without ever waiting for their display time (libmpv hands each frame over at that time:
// the engine sets video-timing-offset to 0) and the buffer swap does not wait for the screen's
// refresh, so a key press or a screen reader's question is answered between two frames.
// The window takes no input: clicks and keys reach the VideoWidget beneath it.
class GlSurface : public QWindow {
 public:
  // Told whenever the window is exposed or no longer exposed.
  std::function<void(bool exposed)> exposureChanged;
  // Told once, when the first frame of a film is on screen.
  std::function<void()> firstFrameDrawn;
  // Told after each try at making the render context, whether it was made or not.
  std::function<void()> rendererTried;

  explicit GlSurface(mpv_handle* mpv) : m_mpv(mpv) {
    setSurfaceType(QWindow::OpenGLSurface);
    setFlag(Qt::WindowTransparentForInput, true);
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setSwapInterval(0);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    setFormat(format);
  }
  ~GlSurface() override { detach(); }

  // The player goes away: the render context must not outlive its core.
  void detach() {
    freeRenderContext();
    m_mpv = nullptr;
  }
  int frames() const { return m_frames.load(); }

  // The render context is made as soon as the face is on screen, whether or not the picture
  // shows yet: libmpv only configures its video once it has somewhere to draw.
  void ensureRenderer() {
    if (!m_render) createRenderer();
  }
  bool hasRenderer() const { return m_render != nullptr; }

  // The picture as it stands, drawn once more into an image of the surface's size.
  QImage grab() {
    const QSize size = pixelSize();
    if (!m_render || !makeCurrent() || size.isEmpty()) {
      QImage black(size.isEmpty() ? QSize(1, 1) : size, QImage::Format_RGB32);
      black.fill(Qt::black);
      return black;
    }
    QOpenGLFramebufferObject target(size);
    renderInto(target.handle(), size, false);
    QImage image = target.toImage();
    m_context->doneCurrent();
    return image.convertToFormat(QImage::Format_RGB32);
  }

 protected:
  void exposeEvent(QExposeEvent*) override {
    qCDebug(lcEngine, "picture window %s", isExposed() ? "exposed" : "no longer exposed");
    if (exposureChanged) exposureChanged(isExposed());
    if (!isExposed()) return;
    platform::startupStep("picture window exposed");
    passPointerThrough();
    if (!m_render) createRenderer();
    draw(false);
  }

  bool event(QEvent* event) override {
    if (event->type() == QEvent::UpdateRequest) {
      draw(false);
      return true;
    }
    return QWindow::event(event);
  }

  void resizeEvent(QResizeEvent*) override {
    if (isExposed()) requestUpdate();
  }

 private:
  QSize pixelSize() const { return size() * devicePixelRatio(); }

  // On X11 the window's flag lets clicks through. On Wayland the picture is a surface of its own
  // (a subsurface of the main window's) that takes the pointer whatever the flag says; its input
  // region is set to a rectangle outside the surface, which leaves it none, so clicks, double
  // clicks and right clicks reach the window's surface beneath and the VideoWidget there. Qt
  // makes a new wl_surface each time the window is shown and may forget the region with the old
  // one: it is set again on every expose (cleared first, as Qt skips a region it believes set).
  void passPointerThrough() {
    if (!onWayland()) return;
    setMask(QRegion());
    setMask(QRegion(-1, -1, 1, 1));
  }

  bool makeCurrent() {
    if (!m_context || !handle()) return false;
    return m_context->makeCurrent(this);
  }

  // A current context for work that draws nothing: on the window where it can be made current
  // while not on screen (X11), otherwise on a small surface of its own.
  bool makeCurrentAnywhere() {
    if (makeCurrent()) return true;
    if (!m_offscreen) {
      m_offscreen = std::make_unique<QOffscreenSurface>();
      m_offscreen->setFormat(m_context->format());
      m_offscreen->create();
    }
    return m_context->makeCurrent(m_offscreen.get());
  }

  void createRenderer() {
    if (!m_mpv) return;
    platform::startupStep("render context: creating");
    makeRenderer();
    if (rendererTried) rendererTried();
  }

  void makeRenderer() {
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

  void onUpdate() {
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
  void renderAside() {
    if (!makeCurrentAnywhere()) return;
    if (!m_aside) m_aside = std::make_unique<QOpenGLFramebufferObject>(1, 1);
    renderInto(m_aside->handle(), QSize(1, 1), false);
    m_frameAside = true;
  }

  void draw(bool newFrame) {
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
  void renderInto(GLuint framebuffer, QSize size, bool flipY) {
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

  void freeRenderContext() {
    if (!m_render) return;
    mpv_render_context_set_update_callback(m_render.get(), nullptr, nullptr);
    // libmpv frees its GL objects: a context must be current, on any surface of ours.
    makeCurrentAnywhere();
    m_aside.reset();
    m_render.reset();
    m_context->doneCurrent();
  }

  mpv_handle* m_mpv;
  std::unique_ptr<QOpenGLContext> m_context;
  std::unique_ptr<QOffscreenSurface> m_offscreen;
  RenderContext m_render;  // freed by freeRenderContext, with the OpenGL context current
  std::unique_ptr<QOpenGLFramebufferObject> m_aside;  // where frames go while the window is not exposed
  bool m_frameAside = false;                           // the last frame has not been on screen yet
  std::atomic<int> m_frames{0};
  std::atomic<bool> m_drawPosted{false};
};

namespace {
bool contextCanBeMade() {
  const QString platform = QGuiApplication::platformName();
  if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return false;
  QOpenGLContext probe;
  return probe.create();
}
std::shared_future<bool>& openGLCheck() {
  static std::shared_future<bool> check;
  return check;
}
// Who waits for the check's answer (GUI thread only).
std::vector<std::pair<QPointer<QObject>, std::function<void(bool)>>>& openGLWaiters() {
  static std::vector<std::pair<QPointer<QObject>, std::function<void(bool)>>> waiters;
  return waiters;
}
// On the GUI thread, once the check has its answer.
void tellOpenGLWaiters() {
  const bool answer = openGLCheck().get();
  auto waiters = std::exchange(openGLWaiters(), {});
  for (auto& [context, then] : waiters)
    if (context) then(answer);
}
}  // namespace

void VideoWidget::checkOpenGLAhead() {
  std::shared_future<bool>& check = openGLCheck();
  if (check.valid()) return;
  // (Not QOpenGLContext::supportsThreadedOpenGL(): that itself makes a context on this thread.)
  check = std::async(std::launch::async, [] {
    platform::startupStep("OpenGL check starts (own thread)");
    const bool made = contextCanBeMade();
    platform::startupStep("OpenGL check done");
    // The application outlives the check (see openGLAvailable).
    QMetaObject::invokeMethod(QCoreApplication::instance(), tellOpenGLWaiters, Qt::QueuedConnection);
    return made;
  }).share();
}

// The answer of the check made ahead, kept for every later engine; without one, asked now.
bool VideoWidget::openGLAvailable() {
  if (const std::shared_future<bool>& check = openGLCheck(); check.valid()) return check.get();
  return contextCanBeMade();
}

void VideoWidget::whenOpenGLKnown(QObject* context, std::function<void(bool)> then) {
  checkOpenGLAhead();
  const std::shared_future<bool>& check = openGLCheck();
  if (check.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
    then(check.get());
    return;
  }
  openGLWaiters().emplace_back(context, std::move(then));
}

VideoWidget::VideoWidget(mpv_handle* mpv, QWidget* parent) : QWidget(parent), m_mpv(mpv) {
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(64, 48);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);
  setPalette(pal);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  // The black picture area, until the picture's window takes its place (preparePicture).
  m_pictureArea = new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding);
  layout->addItem(m_pictureArea);
  layout->setStretch(0, 1);
  m_clickTimer.setSingleShot(true);
  connect(&m_clickTimer, &QTimer::timeout, this, &VideoWidget::togglePauseRequested);
  m_exposeCheck.setSingleShot(true);
  connect(&m_exposeCheck, &QTimer::timeout, this, &VideoWidget::bringPictureBack);
}

void VideoWidget::preparePicture() {
  if (!m_mpv || m_surface || m_decisionAsked) return;
  m_decisionAsked = true;
  whenOpenGLKnown(this, [this](bool openGL) {
    if (!openGL || !m_mpv) {
      emit pictureDecided(false);
      return;
    }
    makeSurface();
  });
}

void VideoWidget::makeSurface() {
  m_surface = new GlSurface(m_mpv);
  m_surface->firstFrameDrawn = [this] { emit firstFrameDrawn(); };
  m_surface->rendererTried = [this] {
    if (!std::exchange(m_rendererTried, true)) emit pictureDecided(true);
  };
  m_surface->exposureChanged = [this](bool exposed) {
    if (exposed) {
      m_pictureRevived = false;
      m_exposeCheck.stop();
    } else {
      checkExposureIn(kHiddenGraceMs);
    }
  };
  m_surfaceHolder = QWidget::createWindowContainer(m_surface, this);
  m_surfaceHolder->setObjectName(QStringLiteral("picture"));
  m_surfaceHolder->setFocusPolicy(Qt::NoFocus);
  m_surfaceHolder->setAttribute(Qt::WA_TransparentForMouseEvents);
  // Hidden while no picture plays (see setPictureShown), keeping its place above the bar.
  QSizePolicy policy = m_surfaceHolder->sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  m_surfaceHolder->setSizePolicy(policy);
  m_surfaceHolder->hide();
  auto* box = static_cast<QVBoxLayout*>(layout());
  const int at = box->indexOf(m_pictureArea);
  delete box->takeAt(at);
  m_pictureArea = nullptr;
  box->insertWidget(at, m_surfaceHolder, 1);
  // Already on screen: the render context is made now, as it would have been when shown.
  if (isVisible()) {
    m_surface->ensureRenderer();
    watchTopWindow();
    checkExposureIn(kShownGraceMs);
  }
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

void VideoWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!m_bar || m_fullScreen || isWindow() || height() <= 0) return;
  const int natural = m_bar->sizeHint().height();
  // Taken once, from a face that holds a picture worth the name above its bar.
  if (m_barShare <= 0 && height() >= 3 * natural) m_barShare = double(natural) / height();
  const int wanted = std::max(natural, static_cast<int>(std::lround(height() * m_barShare)));
  if (m_bar->height() == wanted && m_bar->minimumHeight() == wanted) return;
  m_bar->setFixedHeight(wanted);
  if (layout()) layout()->activate();  // at once: the picture is never drawn over the old bar
}

void VideoWidget::detachPlayer() {
  m_mpv = nullptr;
  if (m_surface) m_surface->detach();
}

void VideoWidget::setPictureShown(bool shown) {
  qCDebug(lcEngine, "picture %s", shown ? "shown" : "hidden");
  if (m_surfaceHolder) m_surfaceHolder->setVisible(shown);
  if (shown && isVisible()) checkExposureIn(kShownGraceMs);
}

void VideoWidget::showEvent(QShowEvent* event) {
  if (m_surface) m_surface->ensureRenderer();
  QWidget::showEvent(event);
  // Shown (first, back from full screen, restored): the picture window must follow.
  m_pictureRevived = false;
  watchTopWindow();
  checkExposureIn(kShownGraceMs);
}

// The top window's own expose tells that the compositor has put it on screen: from then on the
// picture inside it is due. (Its native window changes when the widget becomes a window of its
// own for full screen and when it comes back, so the one watched follows.)
void VideoWidget::watchTopWindow() {
  if (!m_surface || !onWayland()) return;
  QWindow* top = window()->windowHandle();
  if (top == m_watchedTop) return;
  if (m_watchedTop) m_watchedTop->removeEventFilter(this);
  m_watchedTop = top;
  if (top) top->installEventFilter(this);
}

bool VideoWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_watchedTop && event->type() == QEvent::Expose && m_watchedTop->isExposed() && m_surface &&
      !m_surface->isExposed())
    checkExposureIn(kShownGraceMs);
  return QWidget::eventFilter(watched, event);
}

// Looks at the picture window in `ms` at the latest (an earlier look already due stays).
void VideoWidget::checkExposureIn(int ms) {
  if (!m_surface || !onWayland()) return;
  if (m_exposeCheck.isActive() && m_exposeCheck.remainingTime() <= ms) return;
  m_exposeCheck.start(ms);
}

void VideoWidget::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && m_fullScreen && isWindow()) askForFullScreenAgain();
  // The window came to the front again (after the desktop's overview, a restore): a picture window
  // the compositor left hidden meanwhile gets another chance.
  if (event->type() == QEvent::ActivationChange && m_surface && isActiveWindow()) {
    m_pictureRevived = false;
    checkExposureIn(kShownGraceMs);
  }
}

// A window manager may drop the full-screen state a window asks for before it is mapped: sway
// maps an X window that asks so as a tiled window beside the player's. Asked again once the window
// is mapped, it takes it. Only while the window is being mapped and the desktop has not shown it
// full screen yet: leaving full screen later is the desktop's or the user's doing, and a refusal
// is not fought.
void VideoWidget::askForFullScreenAgain() {
  if (isFullScreen()) {
    m_fullScreenTaken = true;
    return;
  }
  if (m_fullScreenTaken || m_fullScreenAskedAgain || m_fullScreenSince.elapsed() > kMapTimeMs) return;
  m_fullScreenAskedAgain = true;
  qCDebug(lcEngine, "the desktop showed the full-screen picture as a plain window: asking again");
  QTimer::singleShot(0, this, [this] {
    if (m_fullScreen && isWindow() && !isFullScreen()) showFullScreen();
  });
}

// Some compositors (GNOME Shell) do not expose the picture's window when it is shown before its
// top window is on screen (the first picture), nor again after the face has been a window of its
// own or the overview has hidden it: the picture stays black while the film plays. The top window
// is exposed and the picture window still hidden a moment later: it is shown anew, which gives it
// a new native surface that the compositor exposes like any other. Once per time it goes out of
// view, so a compositor that keeps it hidden (a window on another workspace) does not make it
// churn. (Wayland only.)
void VideoWidget::bringPictureBack() {
  if (!onWayland()) return;  // X11 servers expose a mapped window by themselves
  if (!m_surface || !m_surfaceHolder || !m_surfaceHolder->isVisible()) return;
  QWidget* top = window();
  if (!top->isVisible() || top->isMinimized()) return;
  // Not on screen itself yet: its expose brings the next look (eventFilter).
  if (top->windowHandle() && !top->windowHandle()->isExposed()) return;
  if (m_surface->isExposed()) {
    m_surface->requestUpdate();
    return;
  }
  if (m_pictureRevived) return;
  m_pictureRevived = true;
  qCDebug(lcEngine, "picture window still not exposed while shown: showing it anew");
  m_surfaceHolder->hide();
  m_surfaceHolder->show();
}

int VideoWidget::framesRendered() const { return m_surface ? m_surface->frames() : 0; }
bool VideoWidget::hasRenderer() const { return m_surface && m_surface->hasRenderer(); }

QImage VideoWidget::grabPicture() {
  if (m_surface) return m_surface->grab();
  QImage black(size() - QSize(0, m_bar && m_bar->isVisible() ? m_bar->height() : 0), QImage::Format_RGB32);
  black.fill(Qt::black);
  return black;
}

void VideoWidget::setFullScreen(bool on) {
  if (on == m_fullScreen) return;
  // The picture's window and its OpenGL context travel along: nothing to stop or restart.
  if (m_bar) m_bar->setVisible(!on);  // full screen shows the picture alone
  if (on) {
    m_homeParent = parentWidget();
    m_homeGeometry = geometry();
    rememberHomePlace();
    if (m_homeParent && m_homeParent->layout()) {
      // Hold the picture's place in its layout so it comes back where it was.
      m_placeholder = new QWidget(m_homeParent);
      m_homeParent->layout()->replaceWidget(this, m_placeholder);
    }
    m_fullScreen = true;
    QScreen* screen = window()->screen();
    // The full-screen window is the player's own: the desktop's task list and window switcher
    // name it as they name the window it came from.
    const QString title = window()->windowTitle();
    const QIcon icon = window()->windowIcon();
    setParent(nullptr);
    setWindowFlag(Qt::Window, true);
    setWindowTitle(title);
    setWindowIcon(icon);
    // The screen's whole area even where no window manager honours the full-screen request.
    if (screen) setGeometry(screen->geometry());
    m_fullScreenAskedAgain = false;
    showFullScreen();
    m_fullScreenTaken = false;  // the state it reported so far is its own; the desktop's follows
    m_fullScreenSince.start();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
  } else {
    m_fullScreen = false;
    // The title goes while this is still a window: a native window that becomes a child again
    // would otherwise keep it, and a search for the player's window by its title find two.
    setWindowTitle(QString());
    setWindowIcon(QIcon());
    if (m_homeParent) {
      setParent(m_homeParent);  // a child again (clears the window flag)
      setGeometry(m_homeGeometry);  // a window that places its controls itself gets it back as it was
      if (m_placeholder && m_homeParent->layout()) m_homeParent->layout()->replaceWidget(m_placeholder, this);
      returnToHomePlace();
    } else {
      setWindowFlag(Qt::Window, false);
    }
    if (m_placeholder) delete m_placeholder.data();
    show();
    setFocus(Qt::OtherFocusReason);
  }
}

// Coming back, the widget is its parent's last child: on top of every sibling (the window's
// status line above it would be hidden) and at the end of the tab chain. So it notes where it
// stood in both before it goes: the sibling above it, and the control Tab went to before it.
void VideoWidget::rememberHomePlace() {
  m_homeAbove = nullptr;
  m_homeTabBefore = nullptr;
  if (!m_homeParent) return;
  const QObjectList& siblings = m_homeParent->children();
  for (qsizetype i = siblings.indexOf(this) + 1; i >= 1 && i < siblings.size(); ++i) {
    auto* sibling = qobject_cast<QWidget*>(siblings[i]);
    if (sibling && !sibling->isWindow()) {
      m_homeAbove = sibling;
      break;
    }
  }
  // The control that Tab reaches just before this one (its own children follow it in the chain).
  QWidget* before = previousInFocusChain();
  for (int guard = 0; before && before != this && guard < 10000; ++guard, before = before->previousInFocusChain()) {
    if ((before->focusPolicy() & Qt::TabFocus) && !isAncestorOf(before)) {
      m_homeTabBefore = before;
      break;
    }
  }
}

void VideoWidget::returnToHomePlace() {
  if (m_homeAbove && m_homeAbove->parentWidget() == m_homeParent) stackUnder(m_homeAbove);
  if (m_homeTabBefore && m_homeTabBefore->window() == window() && !isAncestorOf(m_homeTabBefore))
    QWidget::setTabOrder(m_homeTabBefore, this);
  m_homeAbove = nullptr;
  m_homeTabBefore = nullptr;
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
