#pragma once
#include <QImage>
#include <QObject>
#include <QString>
#include <stdexcept>

class QWidget;

// The embedded media-player control as the main window uses it. The window decodes and renders
// nothing itself; everything it asks of the engine is listed here, and the engine's tests prove
// each promise against real media.
namespace vcd {

// Raised by an operation the control refuses (for instance a file it cannot open at all).
class MediaError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Values of PlayState. Only 0, 1 and 2 mean anything to callers; the others occur while a file
// opens or buffers, after a natural end, and before any file was named.
enum PlayStateValue : int {
  kStopped = 0,
  kPaused = 1,
  kPlaying = 2,   // the picture or the sound is really running
  kWaiting = 3,   // opening or buffering
  kClosed = 6,    // nothing named yet
  kMediaEnded = 8 // the file played to its natural end
};

// Values of DisplaySize.
enum DisplaySizeValue : int { kDisplayFullScreen = 3, kDisplayFitToControl = 4 };

class MediaPlayer : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~MediaPlayer() override = default;

  // Opens the file and starts it at once. A local path or a disc path (cdrom://D/Mpegav/X.DAT).
  // Throws MediaError when it cannot be opened at all (no such file, no disc, unknown drive).
  // A file that opens but cannot be decoded does not throw: it simply never reaches kPlaying.
  // Supersedes the previous file at once: no event of the older file is raised afterwards, and
  // replacing a file never reports kStopped.
  virtual void setFileName(const QString& path) = 0;
  virtual QString FileName() const = 0;

  // Resumes a paused file where its picture was held. Otherwise starts the named file from its
  // beginning: a stopped one, one that played to its end, a newly named one, and one that is
  // playing (it starts over). Throws MediaError when no file is named or the named file can no
  // longer be opened.
  virtual void Play() = 0;
  // Holds the current picture; a later Play goes on from there.
  virtual void Pause() = 0;
  // Ends playback (reports kStopped); harmless when already stopped.
  virtual void Stop() = 0;

  // 3 shows the video over the whole screen, 4 fits it to the control's rectangle.
  virtual void setDisplaySize(int mode) = 0;
  virtual int DisplaySize() const = 0;

  // Length of the open media and the position reached in it, in seconds. At a natural end both
  // hold the ended file's length.
  virtual double Duration() const = 0;
  virtual double CurrentPosition() const = 0;

  virtual int PlayState() const = 0;

  // What the control bar's seek slider does: moves the playing (or paused) file to `seconds`,
  // held within 0..Duration(); nothing happens while no file runs. CanSeek tells whether it
  // would move now. Each jump is told by PositionJump once the file runs on from its new place.
  virtual void seek(double seconds) = 0;
  virtual bool canSeek() const = 0;

  // The sound's volume, as the control bar's volume slider shows it: 0..100. VolumeChange tells
  // every change, whoever made it.
  virtual void setVolume(double volume) = 0;
  virtual double volume() const = 0;

  // Gives the control the keyboard focus (so the space bar pauses and resumes).
  virtual void SetFocus() = 0;

  // The control's face in the window (video and control bar); nullptr for a headless engine.
  virtual QWidget* widget() = 0;

  // The picture the control shows now, at the video's own size; a null image when there is none
  // or the engine cannot hand it out. A screenshot falls back on it where the screen itself
  // cannot be read (a Wayland session).
  virtual QImage currentFrame() { return QImage(); }

 signals:
  // Once per natural end of a file, after that file's last PlayStateChange; at that moment
  // CurrentPosition() == Duration().
  void EndOfStream(int result);
  // Whenever PlayState() changes; raised on the GUI thread.
  void PlayStateChange(int oldState, int newState);
  // The position jumped within the file (a seek, or the file started over while it played);
  // not raised when a file starts. CurrentPosition() holds the new place.
  void PositionJump();
  // The volume changed (the slider, a program, ...); raised on the GUI thread.
  void VolumeChange(double volume);
};

}  // namespace vcd
