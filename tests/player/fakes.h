#pragma once
#include <QMap>
#include <QStringList>
#include <functional>
#include <optional>

#include "platform/disc_path.h"
#include "platform/drives.h"
#include "engine/media_player.h"

namespace vcd::test {

// A media-player control that records every call and raises the events a test scripts.
class FakeMediaPlayer : public MediaPlayer {
 public:
  QStringList calls;
  std::function<bool(const QString&)> refuses = [](const QString&) { return false; };

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
    calls << QStringLiteral("DisplaySize=%1").arg(mode);
    displaySize_ = mode;
  }
  int DisplaySize() const override { return displaySize_; }
  double Duration() const override {
    if (failDuration) throw MediaError("Duration is not available");
    return duration;
  }
  double CurrentPosition() const override { return position; }
  int PlayState() const override { return state_; }
  void SetFocus() override { calls << "SetFocus"; }
  // The space bar on the control: pauses a playing file, resumes a paused one, starts it again
  // otherwise.
  void togglePause() {
    calls << "TogglePause";
    if (state_ == kPlaying) setState(kPaused);
    else if (state_ == kPaused) setState(kPlaying);
    else Play();
  }
  QWidget* widget() override { return nullptr; }
  QImage currentFrame() override { return frame; }

  void setState(int s) {
    const int old = state_;
    state_ = s;
    if (old != s) emit PlayStateChange(old, s);
  }
  // The file names handed over, in order.
  QStringList fileNames() const {
    QStringList out;
    for (const QString& c : calls)
      if (c.startsWith("FileName=")) out << c.mid(9);
    return out;
  }

  QImage frame;  // the picture the control shows (null: none)
  double duration = 0, position = 0;
  bool failDuration = false;
  bool picture = true;  // the playing file shows a picture (false: sound only)
  bool stopReportsState = true;  // false: a control that never reports the stopped state

 private:
  QString fileName_;
  int displaySize_ = kDisplayFitToControl;
  int state_ = kClosed;
};

// Drives and discs held in memory: each drive has a letter, a type and maybe a disc, which is a
// map from folder name to the file names in it.
class FakeDriveManager : public platform::DriveManager {
 public:
  struct Drive {
    QChar letter;
    platform::DriveType type = platform::DriveType::CdRom;
    std::optional<QMap<QString, QStringList>> disc;  // nullopt: no disc in the drive
  };
  std::vector<Drive> drives;
  int listings = 0;

  std::vector<platform::DriveRoot> driveRoots() override {
    std::vector<platform::DriveRoot> out;
    for (const Drive& d : drives) out.push_back({d.letter, d.type, QStringLiteral("/dev/fake")});
    return out;
  }
  std::vector<platform::FolderEntry> listFolder(const disc_path::DiscPath& folder) override {
    ++listings;
    for (const Drive& d : drives) {
      if (d.letter.toUpper() != folder.letter) continue;
      if (!d.disc) throw platform::DiscError("no disc");
      for (auto it = d.disc->begin(); it != d.disc->end(); ++it) {
        if (QString("/" + it.key()).compare(folder.path, Qt::CaseInsensitive) != 0) continue;
        std::vector<platform::FolderEntry> out;
        for (const QString& name : it.value()) out.push_back({name, false, 2324});
        return out;
      }
      throw platform::DiscError("no such folder");
    }
    throw platform::DiscError("no such drive");
  }
  std::unique_ptr<platform::TrackStream> openFile(const disc_path::DiscPath&) override {
    throw platform::DiscError("the fake drives hold no readable tracks");
  }

  static QStringList tracks(int n, const char* ext = "DAT") {
    QStringList out;
    for (int i = 1; i <= n; ++i) out << QStringLiteral("AVSEQ%1.%2").arg(i, 2, 10, QLatin1Char('0')).arg(ext);
    return out;
  }
};

}  // namespace vcd::test
