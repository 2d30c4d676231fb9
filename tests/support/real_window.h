#pragma once
// The main window with the real engine (headless libmpv) and the real disc layer, playing real
// Video CD images, with what the window showed at each change of the play state.
#include <QMimeData>
#include <atomic>
#include <QRegularExpression>
#include <QUrl>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "engine/mpv_player.h"
#include "platform/cd_tray.h"
#include "platform/linux_drives.h"
#include "platform/media_watcher.h"
#include "player/command_line.h"
#include "player/playerfrm.h"
#include "tests/support/media.h"

namespace vcd::test {

// The window under test.
using player::Playerfrm;
using player::PlayerfrmServices;

inline const QString kNoMovies = QStringLiteral("No movies files in the Cd-rom drive.");

class RealWindow : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  platform::LinuxDriveManager drives{[] { return std::vector<platform::OpticalDevice>{}; }};
  platform::LinuxCdTray tray{&drives};
  std::unique_ptr<engine::MpvPlayer> engine;
  // The drives' watcher, as the program has it (openWindow makes it when `watchDrives` is set),
  // on a bus without UDisks2: every drive is polled. `polls` counts the rounds.
  bool watchDrives = false;
  std::atomic<int> polls{0};
  std::unique_ptr<platform::MediaWatcher> watcher;
  std::unique_ptr<Playerfrm> w;
  QStringList shown;  // "state|status|counter" after the window handled each change
  QList<int> states;
  int ends = 0;
  std::vector<double> durations;  // the playing time the engine reported at each end

  void TearDown() override {
    w.reset();
    watcher.reset();
    engine.reset();
  }

  // A BIN/CUE image in the test's folder: `bin` as `name`.bin with the built image's cue sheet
  // (or the one given).
  QString writeImage(const QString& name, const QByteArray& bin, QByteArray cue = {}, const char* like = "pal3") {
    return test::writeImage(QDir(dir.path()), name, bin, cue, like);
  }

  // Opens the window on the drives (and loads it, which searches them) in the given play order.
  void openWindow(QRadioButton* Playerfrm::*order = &Playerfrm::chkOrd, const QString& commandLine = {}) {
    w.reset();
    watcher.reset();
    if (watchDrives)
      watcher = std::make_unique<platform::MediaWatcher>(
          [this](bool optical) {
            ++polls;
            return drives.media(optical);
          },
          [] { return QDBusConnection(QStringLiteral("vcd-test-no-bus")); });
    engine = std::make_unique<engine::MpvPlayer>(&drives, engine::MpvPlayer::Mode::Headless);
    // Before the window's own handler, which starts the next track at once.
    QObject::connect(engine.get(), &MediaPlayer::EndOfStream, [this](int) {
      ++ends;
      durations.push_back(engine->Duration());
    });
    PlayerfrmServices s;
    s.player = engine.get();
    s.drives = &drives;
    s.tray = &tray;
    s.commandLine = commandLine;
    s.endProgram = [] {};
    s.messageBox = [](ui::MessageIcon, const QString&, const QString&) {};
    s.takeIntoDrives = [this](const QString& path) { return player::command_line::takeNamedPath(drives, path); };
    s.mediaWatcher = watcher.get();
    w = std::make_unique<Playerfrm>(std::move(s));
    (w.get()->*order)->setChecked(true);
    // Connected after the window's own handlers: records what they made of each change.
    QObject::connect(engine.get(), &MediaPlayer::PlayStateChange, [this](int, int now) {
      states << now;
      shown << QStringLiteral("%1|%2|%3").arg(now).arg(w->lblDisplay->text(), w->lblTrack_Display->text());
    });
    w->Form_Load();
  }

  bool waitFor(const std::function<bool()>& condition, int ms = 90000) { return QTest::qWaitFor(condition, ms); }
  bool playing() const { return engine->PlayState() == kPlaying; }
  QStringList playingShown() const { return shown.filter(QRegularExpression("^2\\|")); }
  // A track was named and libmpv gave up on it without ever playing a frame.
  bool gaveUp() const { return !engine->FileName().isEmpty() && engine->engineIdle() && !states.contains(kPlaying); }

  // Drops the URLs on the window as a file manager does; whether the window took them.
  bool drop(const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(w->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.get(), &enter);
    QDropEvent dropped(w->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    if (enter.isAccepted()) QApplication::sendEvent(w.get(), &dropped);
    return enter.isAccepted() && dropped.isAccepted();
  }

  // A good disc goes in, and the search finds it and plays its first track.
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
