#pragma once
#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <functional>

class QSpacerItem;
struct mpv_handle;

namespace vcd::engine {

class GlSurface;

// The control's face: the picture above its control bar. libmpv renders each frame through its
// OpenGL render API into a native window of its own inside this widget. The widget takes the keyboard focus; the
// space bar and a click on the picture toggle pause; a right click asks for the context menu;
// Esc and a double click leave full screen, where the bar is not shown. Where the display
// offers no OpenGL the picture stays black (the engine then plays the sound only). Whether it
// does is known only once the OpenGL check has answered (the widget does not wait for it): the
// picture's window is made then.
class VideoWidget : public QWidget {
  Q_OBJECT
 public:
  // `mpv` null: no picture at all. Otherwise the picture comes with preparePicture().
  explicit VideoWidget(mpv_handle* mpv, QWidget* parent = nullptr);
  ~VideoWidget() override;

  // Whether this display can draw with OpenGL at all.
  static bool openGLAvailable();
  // Starts that check on a thread of its own, where OpenGL contexts can be made on any thread:
  // the first context loads the OpenGL driver (with a software rasteriser a good part of a
  // second on a loaded machine), which then goes on beside the rest of the start. A later
  // openGLAvailable() takes its answer (waiting for it if it is not there yet). Call it once,
  // with the application made.
  static void checkOpenGLAhead();
  // Calls `then` with the check's answer on the GUI thread, without waiting for it: at once when
  // it is there, otherwise once it comes (while `context` lives). Starts the check if need be.
  static void whenOpenGLKnown(QObject* context, std::function<void(bool)> then);

  // Makes the picture's window once OpenGL is known to work here (at once when the check has
  // answered already) and its render context once the face is on screen, then tells
  // pictureDecided(true); tells pictureDecided(false) when there is no OpenGL. Once.
  void preparePicture();

  // Puts the control bar below the picture (the widget takes it over).
  void setControlBar(QWidget* bar);
  QWidget* controlBar() const { return m_bar; }

  // Shows the picture over the whole screen, in a window titled like the one it leaves, or puts
  // it back where it was in its window: the same place, size, stacking and tab place.
  void setFullScreen(bool on);
  bool isFullScreenShown() const { return m_fullScreen; }

  // Whether libmpv has a picture to show. Without one the picture's window is hidden and the
  // face is plain black (or whatever the window stacks over it shows through).
  void setPictureShown(bool shown);

  // The player goes away: let go of the render context (it must not outlive the core).
  void detachPlayer();

  // Frames rendered so far, and the picture as last drawn (for checks).
  int framesRendered() const;
  QImage grabPicture();
  bool hasRenderer() const;

 signals:
  // Whether the picture can be drawn is settled: with `openGL`, the render context has been
  // made (the video switched on) or has failed; without, this display has no OpenGL.
  void pictureDecided(bool openGL);
  void togglePauseRequested();
  // The first frame of a film is on screen.
  void firstFrameDrawn();
  void fullScreenLeft();
  void contextMenuRequested(const QPoint& globalPos);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void makeSurface();
  void leaveFullScreen();
  void bringPictureBack();
  void watchTopWindow();
  void askForFullScreenAgain();
  void checkExposureIn(int ms);
  void rememberHomePlace();
  void returnToHomePlace();

  mpv_handle* m_mpv = nullptr;
  GlSurface* m_surface = nullptr;    // owned by its holder
  QWidget* m_surfaceHolder = nullptr;
  QSpacerItem* m_pictureArea = nullptr;  // the picture's place until its window is made
  bool m_decisionAsked = false;
  bool m_rendererTried = false;
  QPointer<QWidget> m_bar;
  // The bar's share of the face's height, taken when the face is first laid out at home: the
  // window scales the face with its own size, and the bar keeps its share (never less than its
  // own height), so whatever the window lays over the bar's middle stays where it was on it.
  double m_barShare = 0;
  bool m_fullScreen = false;
  QPointer<QWidget> m_homeParent;    // where the picture sits when not full screen
  QPointer<QWidget> m_placeholder;   // keeps its place in the home layout meanwhile
  QRect m_homeGeometry;
  QPointer<QWidget> m_homeAbove;      // the sibling stacked right above it at home
  QPointer<QWidget> m_homeTabBefore;  // the widget before it in the window's tab chain
  QTimer m_clickTimer;               // a single click counts once no double click follows
  bool m_swallowRelease = false;
  QTimer m_exposeCheck;              // the picture window must be exposed again by then
  bool m_pictureRevived = false;     // shown anew since it last went out of view
  QPointer<QWindow> m_watchedTop;    // the top window whose expose is awaited
  bool m_fullScreenTaken = false;      // the desktop has shown it full screen since it was asked
  bool m_fullScreenAskedAgain = false; // asked once more after the desktop dropped the request
  QElapsedTimer m_fullScreenSince;     // since the full-screen window was asked for
};

}  // namespace vcd::engine
