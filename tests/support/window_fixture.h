#pragma once
// The main window on the offscreen platform with a fake media-player control (it records the
// calls and raises the events a test scripts) and fake drives whose discs are folder listings.
#include <QMap>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

#include "engine/media_player.h"
#include "disc/disc_path.h"
#include "platform/drives.h"
#include "player/playerfrm.h"
#include "tests/support/qt_printers.h"
#include "ui/fonts.h"

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

// Drives held in memory: a letter, a type and maybe a disc (folder name -> file names).
class FakeDriveManager : public platform::DriveManager {
 public:
  struct Drive {
    QChar letter;
    platform::DriveType type = platform::DriveType::CdRom;
    std::optional<QMap<QString, QStringList>> disc;  // nullopt: no disc in the drive
  };
  std::vector<Drive> drives;

  std::vector<platform::DriveRoot> driveRoots() override {
    std::vector<platform::DriveRoot> out;
    for (const Drive& d : drives) out.push_back({d.letter, d.type, QStringLiteral("/dev/fake")});
    return out;
  }
  using platform::DriveManager::listFolder;
  using platform::DriveManager::openFile;
  std::vector<platform::FolderEntry> listFolder(const disc::DiscPath& folder) override {
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
  std::unique_ptr<platform::TrackStream> openFile(const disc::DiscPath&) override {
    throw platform::DiscError("the fake drives hold no readable tracks");
  }
  QMap<QChar, QString> discNames;  // by upper-case letter
  QString discName(QChar letter) override { return discNames.value(letter.toUpper()); }
  static QStringList tracks(int n, const char* ext = "DAT") {
    QStringList out;
    for (int i = 1; i <= n; ++i) out << QStringLiteral("AVSEQ%1.%2").arg(i, 2, 10, QLatin1Char('0')).arg(ext);
    return out;
  }
};

class WindowTest : public ::testing::Test {
 protected:
  FakeMediaPlayer player;
  FakeDriveManager drives;
  platform::CdTray* tray = nullptr;
  int endings = 0;
  QStringList messages;  // message boxes the window showed, as "title|text"; none of them blocks
  // What the window's screen grab sees; a null image: the screen cannot be read.
  std::function<QImage()> screen = [] { return QImage(); };
  std::unique_ptr<Playerfrm> w;

  void addDrive(QChar letter, std::optional<QStringList> mpegav, platform::DriveType type = platform::DriveType::CdRom) {
    FakeDriveManager::Drive d{letter, type, std::nullopt};
    if (mpegav) d.disc = QMap<QString, QStringList>{{QStringLiteral("MPEGAV"), *mpegav}};
    drives.drives.push_back(d);
  }
  Playerfrm& make(const QString& commandLine = QString(), platform::DriveManager* driveManager = nullptr) {
    registerWindowFonts();  // as the program does at start-up
    w.reset();
    player.setState(kClosed);  // a new window meets a control with nothing named
    PlayerfrmServices s;
    s.player = &player;
    s.drives = driveManager ? driveManager : &drives;
    s.tray = tray;
    s.commandLine = commandLine;
    s.endProgram = [this] { ++endings; };
    s.messageBox = [this](MessageIcon, const QString& title, const QString& text) { messages << title + "|" + text; };
    s.grabScreen = [this] { return screen(); };
    s.togglePause = [this] { player.togglePause(); };
    s.showsPicture = [this] { return player.picture; };
    w = std::make_unique<Playerfrm>(std::move(s));
    return *w;
  }
  Playerfrm& load(const QString& commandLine = QString()) {
    make(commandLine).Form_Load();
    return *w;
  }
  // The playlist's current entry as the engine was handed it.
  QString entry(int n, QChar drive = 'D') const {
    return QStringLiteral("cdrom://%1/Mpegav/AVSEQ%2.DAT").arg(drive).arg(n, 2, 10, QChar('0'));
  }
  // Which track buttons are enabled, as a string of 18 '1'/'0'.
  QString enabledButtons() const {
    QString s;
    for (int i = 0; i < 18; ++i) s += w->Songcmd(i).isEnabled() ? '1' : '0';
    return s;
  }
  QStringList list1() const {
    QStringList out;
    for (int i = 0; i < w->List1->count(); ++i) out << w->List1->item(i)->text();
    return out;
  }
};

}  // namespace vcd::test
