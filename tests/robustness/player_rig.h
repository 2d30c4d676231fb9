#pragma once
// The main window with the real engine (headless libmpv) and the real disc layer, for discs
// that are made wrong on purpose.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "platform/cd_tray.h"
#include "platform/linux_drives.h"
#include "engine/mpv_player.h"
#include "player/playerfrm.h"
#include "tests/robustness/disc_mutations.h"
#include "tests/support/qt_printers.h"
#include "tests/support/test_media.h"

namespace vcd::test {

inline const QString kNoMovies = QStringLiteral("No movies files in the Cd-rom drive.");
inline const QString kNotSupported = QStringLiteral("The file format is not supported.");

inline QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
inline void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  ASSERT_EQ(f.write(bytes), bytes.size());
}

class PlayerRig : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  platform::LinuxDriveManager drives{[] { return std::vector<platform::OpticalDevice>{}; }};
  platform::LinuxCdTray tray{&drives};
  std::unique_ptr<mpv::MpvPlayer> engine;
  std::unique_ptr<Playerfrm> w;
  QStringList shown;  // "state|status|counter" after the window handled each change
  QList<int> states;
  int ends = 0;
  int messages = 0;

  void TearDown() override {
    w.reset();
    engine.reset();
  }

  // A BIN/CUE image in the test's folder: `bin` under the name `name`.bin with a cue sheet
  // (the built image's own, unless given).
  QString writeImage(const QString& name, const QByteArray& bin, QByteArray cue = {}, const char* like = "pal3") {
    if (cue.isNull()) cue = readFile(mediaPath((std::string(like) + ".cue").c_str())).replace(like + QByteArray(".bin"), name.toUtf8() + ".bin");
    writeFile(dir.filePath(name + ".bin"), bin);
    writeFile(dir.filePath(name + ".cue"), cue);
    return dir.filePath(name + ".cue");
  }

  void openWindow(QRadioButton* Playerfrm::*order = &Playerfrm::chkOrd) {
    engine = std::make_unique<mpv::MpvPlayer>(&drives, mpv::MpvPlayer::Mode::Headless);
    PlayerfrmServices s;
    s.player = engine.get();
    s.drives = &drives;
    s.tray = &tray;
    s.versionQuery = [](modosver::OsVersionRecord& r) {
      r.platformId = modosver::kPlatformUnix;
      return true;
    };
    s.endProgram = [] {};
    s.messageBox = [this](MessageIcon, const QString&, const QString&) { ++messages; };
    w = std::make_unique<Playerfrm>(std::move(s));
    (w.get()->*order)->setChecked(true);
    QObject::connect(engine.get(), &MediaPlayer::PlayStateChange, [this](int, int now) {
      states << now;
      shown << QStringLiteral("%1|%2|%3").arg(now).arg(w->lblDisplay->text(), w->lblTrack_Display->text());
    });
    QObject::connect(engine.get(), &MediaPlayer::EndOfStream, [this](int) { ++ends; });
  }

  bool waitFor(const std::function<bool()>& condition, int ms = 60000) { return QTest::qWaitFor(condition, ms); }
  bool playing() const { return engine->PlayState() == kPlaying; }

  // A track was named and libmpv has given up on it without ever playing a frame.
  bool gaveUp() const { return !engine->FileName().isEmpty() && engine->engineIdle() && !states.contains(kPlaying); }

  // The watchdog's period runs out (its tick is raised instead of waiting 20 s).
  void watchdogFires() {
    ASSERT_TRUE(w->tmrWrong_Format->Enabled()) << "the format watchdog is not running";
    emit w->tmrWrong_Format->Tick();
  }

  // A good disc goes in and the search finds it and plays its first track.
  void goodDiscPlays() {
    ASSERT_TRUE(drives.insertImage(mediaPath("pal3.cue")));
    states.clear();
    w->Command29_Click();
    ASSERT_TRUE(waitFor([&] { return playing(); })) << shown.join("\n").toStdString();
    EXPECT_EQ(w->lblDisplay->text(), "Playing Avseq01.dat  ........");
    EXPECT_EQ(w->lblTrack_Display->text(), "01 of 3");
  }
};

}  // namespace vcd::test
