// The window on a real session bus (the test runs under dbus-run-session): the screen saver held
// while a picture plays, through org.freedesktop.ScreenSaver or the desktop portal, and MPRIS 2
// driven the way a media applet drives it.
#include <QDBusArgument>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QTest>
#include <QThread>

#include "tests/desktop/fake_desktop.h"
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

// Runs `f` on a thread and a bus connection of its own, as a separate program (the applet) would,
// while this thread goes on handling the window's events.
template <typename F>
auto asApplet(F f) {
  using Result = decltype(f(std::declval<QDBusConnection&>()));
  Result result{};
  QThread* thread = QThread::create([&] {
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("applet"));
    result = f(bus);
  });
  thread->start();
  EXPECT_TRUE(QTest::qWaitFor([&] { return thread->isFinished(); }, kDeadline));
  thread->wait();
  delete thread;
  return result;
}

// A method of one of the player's MPRIS interfaces called by the applet; the error text, empty
// when it succeeded.
QString call(const char* method, const char* interface = "org.mpris.MediaPlayer2.Player") {
  return asApplet([&](QDBusConnection& bus) {
    QDBusInterface object("org.mpris.MediaPlayer2.vcdplayer", "/org/mpris/MediaPlayer2", interface, bus);
    const QDBusMessage answer = object.call(QString::fromLatin1(method));
    return answer.type() == QDBusMessage::ReplyMessage ? QString() : answer.errorMessage() + " ";
  });
}

QVariant property(const char* name, const char* interface = "org.mpris.MediaPlayer2.Player") {
  return asApplet([&](QDBusConnection& bus) {
    QDBusInterface props("org.mpris.MediaPlayer2.vcdplayer", "/org/mpris/MediaPlayer2", "org.freedesktop.DBus.Properties", bus);
    const QDBusReply<QDBusVariant> reply = props.call("Get", QString::fromLatin1(interface), QString::fromLatin1(name));
    return reply.isValid() ? reply.value().variant() : QVariant();
  });
}

QVariantMap metadata() {
  const QVariant v = property("Metadata");
  return v.canConvert<QDBusArgument>() ? qdbus_cast<QVariantMap>(v.value<QDBusArgument>()) : v.toMap();
}

// --- the screen saver

TEST_F(DesktopTest, ScreenSaverIsHeldWhileAPicturePlaysAndGivenBackOtherwise) {
  FakeSession desktop(FakeSession::Offers::ScreenSaver);
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
    FakeSession desktop(FakeSession::Offers::ScreenSaver);
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

TEST_F(DesktopTest, WithoutAScreenSaverServiceThePortalIsAskedAndRemembered) {
  FakeSession desktop(FakeSession::Offers::Portal);
  ASSERT_TRUE(desktop.registered);
  addDrive('D', FakeDriveManager::tracks(2));
  loadOnDesktop();
  const QString request = "/org/freedesktop/portal/desktop/request/test/1";
  player.setState(kPlaying);
  ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.log.held() == 1; }, kDeadline));
  EXPECT_EQ(desktop.log.calls().first(), "Inhibit window= flags=8 reason=Playing a Video CD -> " + request);
  player.setState(kPaused);
  ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.log.held() == 0; }, kDeadline));
  EXPECT_EQ(desktop.log.calls().last(), "Close " + request);
  player.setState(kPlaying);
  ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.log.held() == 1; }, kDeadline));
}

// --- MPRIS

TEST_F(DesktopTest, MediaAppletDrivesTheWindowAndSeesWhatItShows) {
  addDrive('D', FakeDriveManager::tracks(3));
  player.duration = 6.5;
  loadOnDesktop();
  PropertiesListener listener(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("listener")));
  ASSERT_TRUE(listener.connected);
  player.setState(kPlaying);
  EXPECT_EQ(property("Identity", "org.mpris.MediaPlayer2").toString(), "Voren VCD Player Lite");
  EXPECT_EQ(property("PlaybackStatus").toString(), "Playing");
  EXPECT_TRUE(property("CanGoNext").toBool() && property("CanPause").toBool());
  QVariantMap m = metadata();
  EXPECT_EQ(m.value("xesam:title").toString(), "Avseq01.dat");
  EXPECT_EQ(m.value("mpris:length").toLongLong(), 6'500'000);
  EXPECT_EQ(m.value("xesam:trackNumber").toInt(), 1);

  // Play/pause is the space bar: the window says so, and so does the applet.
  EXPECT_EQ(call("PlayPause"), "");
  EXPECT_EQ(w->lblDisplay->text(), "Paused ,hit spacebar to release");
  EXPECT_TRUE(QTest::qWaitFor([&] { return listener.changes.contains("org.mpris.MediaPlayer2.Player.PlaybackStatus=Paused"); },
                              kDeadline)) << listener.changes.join('\n').toStdString();
  EXPECT_EQ(call("Play"), "");
  EXPECT_EQ(call("Play"), "");  // already playing: nothing
  EXPECT_EQ(player.PlayState(), kPlaying);

  // Next is the Next button: the second entry loads, and plays.
  EXPECT_EQ(call("Next"), "");
  EXPECT_EQ(player.FileName(), entry(2));
  player.setState(kWaiting);
  player.setState(kPlaying);
  m = metadata();
  EXPECT_EQ(m.value("xesam:title").toString(), "Avseq02.dat");
  EXPECT_EQ(m.value("xesam:trackNumber").toInt(), 2);

  // Stop is the control's own Stop: the window's stopped display.
  EXPECT_EQ(call("Stop"), "");
  EXPECT_EQ(w->lblTrack_Display->text(), "00 of 0");
  EXPECT_EQ(property("PlaybackStatus").toString(), "Stopped");
  EXPECT_FALSE(metadata().contains("xesam:title"));

  // Raise shows the window; Quit is Exit.
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(call("Raise", "org.mpris.MediaPlayer2"), "");
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(call("Quit", "org.mpris.MediaPlayer2"), "");
  EXPECT_TRUE(QTest::qWaitFor([&] { return endings == 1; }, kDeadline));
  EXPECT_EQ(w->lblDisplay->text(), "Please wait, VCD Player is shut down .....");
}

TEST_F(DesktopTest, NextDoesNothingWhileTheNextButtonIsDisabled) {
  loadOnDesktop();  // no drive: nothing to play, Next disabled
  EXPECT_FALSE(property("CanGoNext").toBool());
  EXPECT_EQ(property("PlaybackStatus").toString(), "Stopped");
  EXPECT_EQ(call("Next"), "");
  EXPECT_TRUE(player.fileNames().isEmpty());
}

}  // namespace
}  // namespace vcd::test
