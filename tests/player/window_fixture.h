#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "ui/fonts.h"
#include "player/playerfrm.h"
#include "tests/support/qt_printers.h"
#include "tests/player/fakes.h"

namespace vcd::test {

inline bool notNtQuery(modosver::OsVersionRecord& r) {
  r.platformId = modosver::kPlatformUnix;
  r.majorVersion = 6;
  return true;
}

class WindowTest : public ::testing::Test {
 protected:
  FakeMediaPlayer player;
  FakeDriveManager drives;
  int endings = 0;
  // Message boxes the window showed, as "title|text"; none of them blocks.
  QStringList messages;
  // What the window's screen grab sees; a null image: the screen cannot be read.
  std::function<QImage()> screen = [] { return QImage(); };
  std::unique_ptr<Playerfrm> w;

  void addDrive(QChar letter, std::optional<QStringList> mpegav,
                platform::DriveType type = platform::DriveType::CdRom) {
    FakeDriveManager::Drive d{letter, type, std::nullopt};
    if (mpegav) d.disc = QMap<QString, QStringList>{{QStringLiteral("MPEGAV"), *mpegav}};
    drives.drives.push_back(d);
  }

  Playerfrm& make(const QString& commandLine = QString(), modosver::VersionQuery query = &notNtQuery) {
    registerWindowFonts();  // the fonts the program registers at start-up
    PlayerfrmServices s;
    s.player = &player;
    s.drives = &drives;
    s.versionQuery = query;
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

  QStringList list1() const {
    QStringList out;
    for (int i = 0; i < w->List1->count(); ++i) out << w->List1->item(i)->text();
    return out;
  }
  // Which track buttons are enabled, as a string of 18 '1'/'0'.
  QString enabledButtons() const {
    QString s;
    for (int i = 0; i < 18; ++i) s += w->Songcmd(i).isEnabled() ? '1' : '0';
    return s;
  }
};

}  // namespace vcd::test
