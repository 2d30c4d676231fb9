// The window on a real session bus (the test runs under dbus-run-session): the screen saver held
// while a picture plays and given back otherwise. (MPRIS is driven through the real program:
// tests/e2e/media_keys.sh.)
#include <QTest>

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

}  // namespace
}  // namespace vcd::test
