// A few thousand random clicks, keys, player events, disc changes and watchdog ticks on the main
// window with the fake control: nothing may break the window's invariants, and no handler may let
// a failure out.
#include <QApplication>
#include <QTest>
#include <random>

#include "tests/robustness/invariants.h"
#include "tests/support/desktop_sandbox.h"
#include "tests/support/window_fixture.h"

namespace vcd::test {
namespace {

class Monkey : public WindowTest {
 protected:
  DesktopSandbox sandbox;  // a screenshot reached by the keyboard lands here
  std::mt19937 random{20240607};
  int pick(int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }

  // One random action; returns what it did.
  QString act() {
    switch (pick(10)) {
      case 0: case 1: case 2: {
        // The buttons a user reaches; not Capture, whose first step holds the screen on purpose.
        std::vector<QAbstractButton*> all{w->Mp3playcmd, w->Nexttrackcmd, w->Fullscreencmd, w->Exitcmd, w->Command23,
                                          w->Command24,  w->opencdromcmd, w->Command29,     w->Command30, w->chkOnTop,
                                          w->chkOrd,     w->optRnd,       w->optNone};
        all.insert(all.end(), w->SongcmdArray.begin(), w->SongcmdArray.end());
        QAbstractButton* b = all[pick(int(all.size()))];
        QTest::mouseClick(b, Qt::LeftButton);
        return "click " + b->objectName();
      }
      case 3: {
        static const std::pair<int, Qt::KeyboardModifiers> keys[] = {
            {Qt::Key_Space, Qt::NoModifier}, {Qt::Key_Escape, Qt::NoModifier}, {Qt::Key_Return, Qt::NoModifier},
            {Qt::Key_Tab, Qt::NoModifier},   {Qt::Key_Alt, Qt::AltModifier},   {Qt::Key_E, Qt::AltModifier},
            {Qt::Key_C, Qt::AltModifier},    {Qt::Key_H, Qt::AltModifier},     {Qt::Key_P, Qt::AltModifier},
            {Qt::Key_F4, Qt::AltModifier},   {Qt::Key_Right, Qt::NoModifier},  {Qt::Key_Down, Qt::ShiftModifier}};
        const auto [key, mods] = keys[pick(std::size(keys))];
        QWidget* focus = QApplication::focusWidget();  // the main window's own keys only
        QTest::keyClick(focus && focus->window() == w.get() ? focus : w.get(), Qt::Key(key), mods);
        return QStringLiteral("key %1 mods %2").arg(key).arg(int(mods));
      }
      case 4: case 5: {
        static const int states[] = {kStopped, kPaused, kPlaying, kPlaying, kPlaying, 3, 6, 8, 10, kClosed};
        const int s = states[pick(10)];
        player.setState(s);
        return QStringLiteral("state %1").arg(s);
      }
      case 6:
        player.duration = 1 + pick(3);
        player.position = pick(2) ? player.duration : player.duration / 2;
        emit player.EndOfStream(0);
        return QStringLiteral("end of stream at %1 of %2").arg(player.position).arg(player.duration);
      case 7: {
        auto& d = drives.drives[pick(2)];
        const int tracks = pick(8) - 1 + (pick(5) == 0 ? 20 : 0);
        if (tracks < 0) d.disc.reset();
        else d.disc = QMap<QString, QStringList>{{"MPEGAV", FakeDriveManager::tracks(tracks, pick(4) == 0 ? "mp3" : "DAT")}};
        return QStringLiteral("drive %1 holds %2 tracks").arg(d.letter).arg(tracks);
      }
      case 8:
        emit w->tmrWrong_Format->Tick();
        return "watchdog";
      default:
        // The control refuses files now and then, and fails to give its length.
        player.refuses = [r = pick(4) == 0](const QString&) { return r; };
        player.failDuration = pick(4) == 0;
        return "control flaky";
    }
  }
};

TEST_F(Monkey, ThousandsOfRandomActionsKeepTheWindowWhole) {
  addDrive('D', FakeDriveManager::tracks(5));
  addDrive('E', std::nullopt);
  make();
  // The About window's buttons stay in the test: no program started, no box waiting for a click.
  w->aboutServices.findProgram = [](const QString&) { return QString(); };
  w->aboutServices.showMessage = [](QWidget*, const QString&) {};
  w->aboutServices.openUrl = [](const QUrl&) { return false; };
  w->Form_Load();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  QStringList recent;
  for (int step = 0; step < 4000; ++step) {
    recent << act();
    if (recent.size() > 12) recent.removeFirst();
    if (step % 50 == 0) QApplication::processEvents();
    const QString broken = brokenInvariant(*w);
    ASSERT_TRUE(broken.isEmpty()) << broken.toStdString() << "\nat step " << step << " after:\n" << recent.join("\n").toStdString();
  }
  EXPECT_GT(player.fileNames().size(), 500);  // the run reached the interesting places
  EXPECT_GT(endings, 0);
}

}  // namespace
}  // namespace vcd::test
