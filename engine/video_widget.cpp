#include "engine/video_widget.h"

#include "engine/gl_surface.h"
#include "platform/log.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QWindow>
#include <QPalette>
#include <QScreen>
#include <QSpacerItem>
#include <QThread>
#include <QVBoxLayout>
#include <mpv/client.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <utility>
#include <vector>

namespace vcd::engine {

namespace {
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

namespace {
// A context of the picture's format, or none where OpenGL cannot be had.
std::unique_ptr<QOpenGLContext> makeContext() {
  const QString platform = QGuiApplication::platformName();
  if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return nullptr;
  auto context = std::make_unique<QOpenGLContext>();
  context->setFormat(GlSurface::pictureFormat());
  if (!context->create()) return nullptr;
  return context;
}
std::shared_future<bool>& openGLCheck() {
  static std::shared_future<bool> check;
  return check;
}
// The check's own context, kept for the first picture that asks while the answer is told (making
// one costs a few ms more of the start, after the driver is in). Set by the check before it
// answers; used on the GUI thread only once the answer is there.
std::unique_ptr<QOpenGLContext>& checkedContext() {
  static std::unique_ptr<QOpenGLContext> context;
  return context;
}
// Drops the check's context when nobody took it (GUI thread; the check has answered).
void dropCheckedContext() { checkedContext().reset(); }
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
  dropCheckedContext();
}
// The context goes with the application, before its platform does, when the answer was never
// told (an application that ends without running its event loop).
void dropCheckedContextAtExit() {
  if (openGLCheck().valid()) openGLCheck().wait();
  dropCheckedContext();
}
}  // namespace

void VideoWidget::checkOpenGLAhead() {
  std::shared_future<bool>& check = openGLCheck();
  if (check.valid()) return;
  // (Not QOpenGLContext::supportsThreadedOpenGL(): that itself makes a context on this thread.)
  qAddPostRoutine(dropCheckedContextAtExit);
  QThread* guiThread = QCoreApplication::instance()->thread();
  check = std::async(std::launch::async, [guiThread] {
    platform::startupStep("OpenGL check starts (own thread)");
    std::unique_ptr<QOpenGLContext> context = makeContext();
    const bool made = context != nullptr;
    if (context) {
      context->moveToThread(guiThread);
      checkedContext() = std::move(context);
    }
    platform::startupStep("OpenGL check done");
    // The application outlives the check (see openGLAvailable).
    QMetaObject::invokeMethod(QCoreApplication::instance(), tellOpenGLWaiters, Qt::QueuedConnection);
    return made;
  }).share();
}

// The answer of the check made ahead, kept for every later engine; without one, asked now.
bool VideoWidget::openGLAvailable() {
  if (const std::shared_future<bool>& check = openGLCheck(); check.valid()) {
    const bool answer = check.get();
    dropCheckedContext();
    return answer;
  }
  return makeContext() != nullptr;
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
  // Told the check's answer just now: the check's context is there for the taking.
  if (openGLCheck().valid() && openGLCheck().wait_for(std::chrono::seconds(0)) == std::future_status::ready)
    m_surface->adoptContext(std::exchange(checkedContext(), nullptr));
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
  if (!m_surface || !GlSurface::onWayland()) return;
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
  if (!m_surface || !GlSurface::onWayland()) return;
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
  if (!GlSurface::onWayland()) return;  // X11 servers expose a mapped window by themselves
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

}  // namespace vcd::engine
