#pragma once
// The main window on the offscreen platform with a fake media-player control
// (tests/support/fake_media_player.h) and fake drives whose discs are folder listings.
#include <QMap>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

#include "tests/support/fake_media_player.h"
#include "disc/disc_path.h"
#include "platform/drives.h"
#include "player/playerfrm.h"
#include "tests/support/qt_printers.h"
#include "ui/fonts.h"

namespace vcd::test {

// The window under test.
using player::Playerfrm;
using player::PlayerfrmServices;

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
    ui::registerWindowFonts();  // as the program does at start-up
    w.reset();
    player.setState(kClosed);  // a new window meets a control with nothing named
    PlayerfrmServices s;
    s.player = &player;
    s.drives = driveManager ? driveManager : &drives;
    s.tray = tray;
    s.commandLine = commandLine;
    s.endProgram = [this] { ++endings; };
    s.messageBox = [this](ui::MessageIcon, const QString& title, const QString& text) { messages << title + "|" + text; };
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
