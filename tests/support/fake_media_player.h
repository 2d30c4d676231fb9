#pragma once
// A fake media-player control: it records every call and raises the events a test scripts.
#include <QImage>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <utility>

#include "engine/media_player.h"

namespace vcd::test {

class FakeMediaPlayer : public MediaPlayer {
 public:
  QStringList calls;
  std::function<bool(const QString&)> refuses = [](const QString&) { return false; };
  QImage frame;  // the picture the control shows (null: none)
  double duration = 0, position = 0;
  bool failDuration = false;
  bool picture = true;           // the playing file shows a picture (false: sound only)
  bool stopReportsState = true;  // false: a control that never reports the stopped state
  QWidget* face = nullptr;       // the control's face in the window (null: none); not owned
  std::function<void(int)> displaySizeSet;  // what the face does on a display size (full screen)

  void setFileName(const QString& path) override {
    calls << "FileName=" + path;
    if (refuses(path)) throw MediaError("cannot open " + path.toStdString());
    fileName_ = path;
  }
  QString FileName() const override { return fileName_; }
  void Play() override { calls << "Play"; }
  void Pause() override { calls << "Pause"; }
  void Stop() override {
    calls << "Stop";
    if (stopReportsState) setState(kStopped);
  }
  void setDisplaySize(int mode) override {
    calls << QStringLiteral("DisplaySize=%1").arg(displaySize_ = mode);
    if (displaySizeSet) displaySizeSet(mode);
  }
  int DisplaySize() const override { return displaySize_; }
  double Duration() const override { return failDuration ? throw MediaError("no duration") : duration; }
  double CurrentPosition() const override { return position; }
  int PlayState() const override { return state_; }
  // A seek lands at once, as the engine's does once libmpv has moved.
  bool canSeek() const override { return state_ == kPlaying || state_ == kPaused; }
  void seek(double seconds) override {
    calls << QStringLiteral("Seek=%1").arg(seconds);
    if (!canSeek()) return;
    position = std::clamp(seconds, 0.0, duration);
    emit PositionJump();
  }
  double volumeLevel = 80;
  void setVolume(double v) override {
    v = std::clamp(v, 0.0, 100.0);
    if (std::exchange(volumeLevel, v) != v) emit VolumeChange(v);
  }
  double volume() const override { return volumeLevel; }
  void SetFocus() override {
    calls << "SetFocus";
    if (face) face->setFocus(Qt::OtherFocusReason);
  }
  QWidget* widget() override { return face; }
  QImage currentFrame() override { return frame; }
  // The space bar on the control: pauses, resumes, or starts the file again.
  void togglePause() { state_ == kPlaying ? setState(kPaused) : state_ == kPaused ? setState(kPlaying) : Play(); }
  void setState(int s) {
    if (const int old = std::exchange(state_, s); old != s) emit PlayStateChange(old, s);
  }
  QStringList fileNames() const {  // the file names handed over, in order
    QStringList out;
    for (const QString& c : calls)
      if (c.startsWith("FileName=")) out << c.mid(9);
    return out;
  }

 private:
  QString fileName_;
  int displaySize_ = kDisplayFitToControl;
  int state_ = kClosed;
};

}  // namespace vcd::test
