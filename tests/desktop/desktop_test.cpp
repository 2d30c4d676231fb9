// The window on a real session bus (the test runs under dbus-run-session): the screen saver held
// while a picture plays and given back otherwise, and what MPRIS makes of the window's seek bar,
// volume and play order at their edges. (MPRIS with the real engine, and the plain seeks, volume
// changes and play orders through playerctl: tests/e2e/media_keys.sh, tests/e2e/mpris_playerctl.sh.)
#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QTest>

#include "tests/desktop/fake_desktop.h"
#include "platform/media_watcher.h"
#include "tests/support/window_fixture.h"

namespace vcd::test {
namespace {

constexpr int kDeadline = 30000;

class DesktopTest : public WindowTest {
 protected:
  void SetUp() override { ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under dbus-run-session"; }

  Playerfrm& loadOnDesktop(const QString& commandLine = QString()) {
    make(commandLine);
    w->joinDesktop(QDBusConnection::sessionBus());
    w->Form_Load();
    return *w;
  }
};

// --- the screen saver

TEST_F(DesktopTest, ScreenSaverIsHeldWhileAPicturePlaysAndGivenBackOtherwise) {
  FakeSession desktop;
  ASSERT_TRUE(desktop.registered);
  addDrive('D', FakeDriveManager::tracks(3));
  loadOnDesktop();
  auto heldBecomes = [&](int n) { return QTest::qWaitFor([&] { return desktop.log.held() == n; }, kDeadline); };
  player.setState(kPlaying);
  ASSERT_TRUE(heldBecomes(1));
  EXPECT_EQ(desktop.log.calls().first(), "Inhibit " + QCoreApplication::applicationName() + "|Playing a Video CD -> 1");

  // Each way playback halts gives it back; playing again takes it anew. A sound-only file lets
  // the screen saver run.
  const std::pair<const char*, std::function<void()>> halts[] = {
      {"pause", [&] { player.setState(kPaused); }},
      {"stop", [&] { player.Stop(); }},
      {"end of the disc", [&] {
         w->File1->setListIndex(w->File1->ListCount() - 1);
         emit player.EndOfStream(0);
       }},
      {"a file without a picture", [&] {
         player.setState(kPaused);
         player.picture = false;
       }},
  };
  for (const auto& [what, halt] : halts) {
    halt();
    EXPECT_TRUE(heldBecomes(0)) << what;
    player.setState(kPlaying);
    EXPECT_TRUE(heldBecomes(player.picture ? 1 : 0)) << what;
  }
  QCoreApplication::processEvents();
  EXPECT_FALSE(w->screenSaver()->isHeld());
  EXPECT_EQ(desktop.log.count("Inhibit"), 4);  // none for the sound-only file
  player.picture = true;
  player.setState(kPaused);
  player.setState(kPlaying);
  ASSERT_TRUE(heldBecomes(1));
  // Exit gives it back before the program ends, without another pass of the event loop.
  w->Exitcmd_Click();
  EXPECT_EQ(endings, 1);
  EXPECT_EQ(desktop.log.held(), 0);
}

// Closing the window gives it back too, even while the desktop is still answering the request.
TEST_F(DesktopTest, ClosingTheWindowGivesTheScreenSaverBackEvenBeforeTheDesktopAnswered) {
  for (int answerAfterMs : {0, 1500}) {
    FakeSession desktop;
    ASSERT_TRUE(desktop.registered);
    desktop.log.answerAfterMs = answerAfterMs;
    drives.drives.clear();
    addDrive('D', FakeDriveManager::tracks(2));
    loadOnDesktop();
    w->show();
    player.setState(kPlaying);
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.log.count("Inhibit") == 1; }, kDeadline));
    w->close();
    EXPECT_EQ(desktop.log.held(), 0) << answerAfterMs;
    w.reset();
  }
  EXPECT_EQ(endings, 2);
}

// --- MPRIS

TEST_F(DesktopTest, MprisPositionSeekVolumeAndPlayOrderFollowTheWindow) {
  addDrive('D', FakeDriveManager::tracks(3));
  drives.discNames['D'] = "demo.cue";
  loadOnDesktop();
  ASSERT_TRUE(w->mpris()->isPublished());
  Applet applet;
  EXPECT_EQ(applet.get("CanSeek"), false) << "nothing plays";
  EXPECT_EQ(applet.get("Position"), 0);
  player.duration = 100;
  player.position = 12.5;
  player.setState(kPlaying);
  ASSERT_TRUE(applet.announced("CanSeek", true));

  // Position is read from the control when asked, never announced.
  EXPECT_EQ(applet.get("Position"), Q_INT64_C(12500000));
  player.position = 13.25;
  EXPECT_EQ(applet.get("Position"), Q_INT64_C(13250000));
  EXPECT_FALSE(applet.changes.contains("Position"));
  const QVariantMap meta = qdbus_cast<QVariantMap>(applet.get("Metadata").value<QDBusArgument>());
  const QString track = meta.value("mpris:trackid").value<QDBusObjectPath>().path();
  EXPECT_EQ(track, "/org/example/voren/vcdplayer/track/1");
  EXPECT_EQ(meta.value("xesam:title"), "Avseq01.dat");
  EXPECT_EQ(meta.value("xesam:album"), "demo.cue");
  // Another image in the drive: the same track's path, another disc's name.
  drives.discNames['D'] = "other.cue";
  player.setState(kWaiting);
  player.setState(kPlaying);
  EXPECT_TRUE(QTest::qWaitFor([&] {
    return applet.changes.value("Metadata").toMap().value("xesam:album") == "other.cue";
  }, kDeadline));

  // Seek moves by an offset, held to the track: before its start it starts, past its end it ends.
  // SetPosition only for the track playing and only within it. Each jump is announced.
  const std::pair<std::function<void()>, double> seeks[] = {
      {[&] { applet.call("Seek", {Q_INT64_C(-60000000)}); }, 0},
      {[&] { applet.call("Seek", {Q_INT64_C(900000000)}); }, 100},
      {[&] { applet.call("SetPosition", {QVariant::fromValue(QDBusObjectPath(track)), Q_INT64_C(3000000)}); }, 3},
      {[&] { applet.call("SetPosition", {QVariant::fromValue(QDBusObjectPath("/org/example/voren/vcdplayer/track/2")), Q_INT64_C(40000000)}); }, 3},
      {[&] { applet.call("SetPosition", {QVariant::fromValue(QDBusObjectPath(track)), Q_INT64_C(-1)}); }, 3},
      {[&] { applet.call("SetPosition", {QVariant::fromValue(QDBusObjectPath(track)), Q_INT64_C(100000001)}); }, 3},
  };
  for (const auto& [ask, at] : seeks) {
    ask();
    EXPECT_EQ(player.position, at);
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return applet.seeks.size() == 3; }, kDeadline));
  EXPECT_EQ(applet.seeks, (QList<qlonglong>{0, 100000000, 3000000}));
  EXPECT_EQ(player.calls.filter("Seek=").size(), 3) << "the refused positions reach no control";

  // The volume beyond the applet's 0..1 is held to the slider's 0..100.
  ASSERT_EQ(applet.set("Volume", 7.0).type(), QDBusMessage::ReplyMessage);
  EXPECT_EQ(player.volume(), 100);
  applet.set("Volume", -1.0);
  EXPECT_EQ(player.volume(), 0);
  EXPECT_EQ(applet.get("Volume"), 0.0);

  // The play order: writing selects a button, a button selected is announced.
  auto order = [&] {
    return QString(w->chkOrd->isChecked() ? "Order" : w->optRnd->isChecked() ? "Random" : w->optNone->isChecked() ? "Repeat" : "none");
  };
  EXPECT_EQ(applet.get("LoopStatus"), "None");
  EXPECT_EQ(applet.get("Shuffle"), false);
  const std::tuple<const char*, QVariant, const char*, const char*, bool> writes[] = {
      {"LoopStatus", "Playlist", "Repeat", "Track", false},  // the one loop there is
      {"LoopStatus", "Sometimes", "Repeat", "Track", false},
      {"Shuffle", false, "Repeat", "Track", false},          // not shuffling already
      {"LoopStatus", "None", "Order", "None", false},
      {"LoopStatus", "None", "Order", "None", false},
  };
  // What the applet knows of the order from the announcements (it starts knowing "None", off).
  auto announcedOrder = [&](const QString& loop, bool shuffle) {
    return QTest::qWaitFor([&] {
      return applet.changes.value("LoopStatus", "None") == loop && applet.changes.value("Shuffle", false) == shuffle;
    }, kDeadline);
  };
  for (const auto& [property, value, button, loop, shuffle] : writes) {
    applet.set(property, value);
    EXPECT_EQ(order(), button) << property << " " << value.toString().toStdString();
    EXPECT_TRUE(announcedOrder(loop, shuffle)) << property << " " << value.toString().toStdString();
  }
  w->optRnd->click();  // the user's own click
  EXPECT_TRUE(announcedOrder("None", true));
  w->optNone->click();
  EXPECT_TRUE(announcedOrder("Track", false));

  // Stopped: nothing to seek, the position is 0.
  player.Stop();
  ASSERT_TRUE(applet.announced("CanSeek", false));
  EXPECT_EQ(applet.get("Position"), 0);
  applet.call("Seek", {Q_INT64_C(1000000)});
  EXPECT_EQ(player.calls.filter("Seek=").size(), 3);
}

// --- new discs, through UDisks2's signals

TEST(MediaWatcherOnUdisks, ADriveGettingADiscIsReportedAndOnlyDrivesUdisksDoesNotKnowArePolled) {
  FakeUdisks udisks;
  ASSERT_TRUE(udisks.registered);
  std::atomic<int> opticalPolls{0}, polls{0};
  platform::MediaWatcher watcher(
      [&](bool optical) {
        ++polls;
        opticalPolls += optical ? 1 : 0;
        return std::vector<platform::MediumState>{};
      },
      [] { return QDBusConnection::sessionBus(); });
  QStringList arrived;
  QObject::connect(&watcher, &platform::MediaWatcher::mediumArrived, [&](const QString& d) { arrived << d; });
  watcher.start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.ready(); }, kDeadline));
  EXPECT_TRUE(watcher.watchesUdisks());

  // Changes that bring no disc, then a disc; then the tray of another drive shut on a disc.
  udisks.changed("DVD", "org.freedesktop.UDisks2.Drive", {{"MediaAvailable", false}, {"Media", ""}});
  udisks.changed("DVD", "org.freedesktop.UDisks2.Block", {{"MediaAvailable", true}});
  udisks.changed("DVD", "org.freedesktop.UDisks2.Drive", {{"TimeMediaDetected", qulonglong(1)}});
  udisks.changed("DVD", "org.freedesktop.UDisks2.Drive", {{"MediaAvailable", true}, {"Media", "optical_cd_r"}});
  udisks.changed("CDROM", "org.freedesktop.UDisks2.Drive", {{"Media", "optical_cd"}});
  ASSERT_TRUE(QTest::qWaitFor([&] { return arrived.size() == 2; }, kDeadline));
  EXPECT_EQ(arrived, QStringList({"/org/freedesktop/UDisks2/drives/DVD", "/org/freedesktop/UDisks2/drives/CDROM"}));
  ASSERT_TRUE(QTest::qWaitFor([&] { return polls >= 3; }, kDeadline));
  EXPECT_EQ(opticalPolls, 0) << "UDisks2 watches the optical drives";
}

TEST(MediaWatcherOnUdisks, WithoutUdisksOnTheBusTheOpticalDrivesArePolled) {
  std::atomic<int> opticalPolls{0};
  platform::MediaWatcher watcher(
      [&](bool optical) {
        opticalPolls += optical ? 1 : 0;
        return std::vector<platform::MediumState>{};
      },
      [] { return QDBusConnection::sessionBus(); });
  watcher.start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.ready() && opticalPolls >= 2; }, kDeadline));
  EXPECT_FALSE(watcher.watchesUdisks());
}

}  // namespace
}  // namespace vcd::test
