// Full screen, the tray button's caption cycle and the key handler's switch-off of "On Top".
#include <QTest>

#include "tests/player/window_fixture.h"

namespace vcd::test {
namespace {

struct RecordingTray : platform::CdTray {
  QStringList* log;
  explicit RecordingTray(QStringList* l) : log(l) {}
  void openTray() override { *log << "tray open"; }
  void closeTray() override { *log << "tray close"; }
};

class TransportTest : public WindowTest {
 protected:
  RecordingTray tray{&player.calls};
  void SetUp() override {
    addDrive('D', FakeDriveManager::tracks(3));
    PlayerfrmServices s;
    s.player = &player;
    s.drives = &drives;
    s.versionQuery = &notNtQuery;
    s.tray = &tray;
    s.endProgram = [this] { ++endings; };
    s.messageBox = [this](MessageIcon, const QString&, const QString& text) { messages << text; };
    w = std::make_unique<Playerfrm>(std::move(s));
    w->Form_Load();
    player.calls.clear();
  }
  QStringList messages;
};

TEST_F(TransportTest, TrayCaptionCyclesAndClosingSearchesTheDiscAgain) {
  w->opencdromcmd_Click();
  EXPECT_EQ(w->opencdromcmd->text(), "&Close");
  EXPECT_EQ(player.calls, QStringList({"tray open", "SetFocus"}));

  player.calls.clear();
  const int listingsBefore = drives.listings;
  w->opencdromcmd_Click();
  EXPECT_EQ(w->opencdromcmd->text(), "&Eject");
  EXPECT_EQ(player.calls.value(0), "tray close");
  EXPECT_GT(drives.listings, listingsBefore);  // discovery ran after the tray closed
  EXPECT_EQ(player.fileNames(), QStringList(2, "cdrom://D/Mpegav/AVSEQ01.DAT"));
  EXPECT_EQ(player.calls.last(), "SetFocus");

  // A caption that is neither sends nothing.
  player.calls.clear();
  w->opencdromcmd->setText("&eject");
  w->opencdromcmd_Click();
  EXPECT_EQ(player.calls, QStringList({"SetFocus"}));
  EXPECT_EQ(w->opencdromcmd->text(), "&eject");
}

TEST_F(TransportTest, FullScreenClearsOnTopFirst) {
  w->chkOnTop->setChecked(true);
  QStringList atClear;
  QObject::connect(w->chkOnTop, &QCheckBox::toggled, [&](bool on) {
    if (!on) atClear = player.calls;
  });
  player.calls.clear();
  w->Fullscreencmd_Click();
  EXPECT_FALSE(w->chkOnTop->isChecked());
  EXPECT_FALSE(atClear.contains("DisplaySize=3"));
  EXPECT_EQ(player.calls.last(), "DisplaySize=3");
  EXPECT_EQ(player.DisplaySize(), kDisplayFullScreen);
}

TEST_F(TransportTest, AltClearsOnTopOtherKeysDoNot) {
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  w->chkOnTop->setChecked(true);
  QTest::keyClick(w->playerFace, Qt::Key_Space);
  QTest::keyClick(w->playerFace, Qt::Key_E, Qt::ControlModifier);
  EXPECT_TRUE(w->chkOnTop->isChecked());
  QTest::keyPress(w->playerFace, Qt::Key_Alt);  // Alt on its own
  EXPECT_FALSE(w->chkOnTop->isChecked());
  QTest::keyRelease(w->playerFace, Qt::Key_Alt);

  // Alt with a key: the window sees it first and the key still does its work (the parked
  // Eject button's access key).
  w->chkOnTop->setChecked(true);
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  player.calls.clear();
  QTest::keyClick(w.get(), Qt::Key_E, Qt::AltModifier);
  EXPECT_FALSE(w->chkOnTop->isChecked());
  // An access key presses its button the way a click does, a moment later.
  EXPECT_TRUE(QTest::qWaitFor([&] { return w->opencdromcmd->text() == "&Close"; }, 5000));
  EXPECT_TRUE(player.calls.contains("tray open"));
}

}  // namespace
}  // namespace vcd::test
