// A few thousand random clicks, keys, player events, disc changes and watchdog ticks on the main
// window with the fake control. Nothing may break the window's invariants, and no handler may
// let a failure out.
#include <QApplication>
#include <QTest>
#include <random>

#include "tests/robustness/invariants.h"
#include "tests/support/desktop_sandbox.h"
#include "tests/player/window_fixture.h"

namespace vcd::test {
namespace {

class Monkey : public WindowTest {
 protected:
  DesktopSandbox sandbox;  // a screenshot reached by the keyboard lands here
  std::mt19937 random{20240607};
  int pick(int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }

  void setDisc(int drive, int tracks) {
    if (drive >= static_cast<int>(drives.drives.size())) return;
    auto& d = drives.drives[drive];
    if (tracks < 0) {
      d.disc.reset();
    } else {
      QStringList names = FakeDriveManager::tracks(tracks, pick(4) == 0 ? "mp3" : "DAT");
      d.disc = QMap<QString, QStringList>{{QStringLiteral("MPEGAV"), names}};
    }
  }

  // The buttons a user can reach. The screenshot is left out: its first step holds the screen
  // for half a second on purpose, and its own tests cover it.
  std::vector<QAbstractButton*> buttons() {
    std::vector<QAbstractButton*> b{w->Mp3playcmd, w->Nexttrackcmd, w->Fullscreencmd, w->Exitcmd, w->Command23,
                                    w->Command24,  w->opencdromcmd, w->Command29,     w->Command30, w->chkOnTop,
                                    w->chkOrd,     w->optRnd,       w->optNone};
    for (QPushButton* s : w->SongcmdArray) b.push_back(s);
    return b;
  }

  void act(QString* what) {
    switch (pick(10)) {
      case 0: case 1: case 2: {
        const auto all = buttons();
        QAbstractButton* b = all[pick(static_cast<int>(all.size()))];
        *what = "click " + b->objectName();
        QTest::mouseClick(b, Qt::LeftButton);
        break;
      }
      case 3: {
        static const std::vector<std::pair<int, Qt::KeyboardModifiers>> keys{
            {Qt::Key_Space, Qt::NoModifier}, {Qt::Key_Escape, Qt::NoModifier}, {Qt::Key_Return, Qt::NoModifier},
            {Qt::Key_Tab, Qt::NoModifier},   {Qt::Key_Alt, Qt::AltModifier},   {Qt::Key_E, Qt::AltModifier},
            {Qt::Key_C, Qt::AltModifier},    {Qt::Key_H, Qt::AltModifier},     {Qt::Key_N, Qt::AltModifier},
            {Qt::Key_P, Qt::AltModifier},    {Qt::Key_F4, Qt::AltModifier},    {Qt::Key_A, Qt::NoModifier},
            {Qt::Key_Right, Qt::NoModifier}, {Qt::Key_Down, Qt::ShiftModifier}};
        const auto [key, mods] = keys[pick(static_cast<int>(keys.size()))];
        // Keys go to the main window's focused control (the information windows have their own tests).
        QWidget* focus = QApplication::focusWidget();
        QWidget* target = focus && focus->window() == w.get() ? focus : w.get();
        *what = QStringLiteral("key %1 mods %2 on %3").arg(key).arg(int(mods)).arg(target->objectName());
        QTest::keyClick(target, static_cast<Qt::Key>(key), mods);
        break;
      }
      case 4: case 5: {
        static const int states[] = {kStopped, kPaused, kPlaying, kPlaying, kPlaying, 3, 6, 8, 10, kClosed};
        const int s = states[pick(10)];
        *what = QStringLiteral("state %1").arg(s);
        player.setState(s);
        break;
      }
      case 6: {
        player.duration = 1 + pick(3);
        player.position = pick(2) ? player.duration : player.duration / 2;
        *what = QStringLiteral("end of stream at %1 of %2").arg(player.position).arg(player.duration);
        emit player.EndOfStream(0);
        break;
      }
      case 7: {
        const int drive = pick(2), tracks = pick(8) - 1 + (pick(5) == 0 ? 20 : 0);
        *what = QStringLiteral("drive %1 now holds %2 tracks").arg(drive).arg(tracks);
        setDisc(drive, tracks);
        break;
      }
      case 8: {
        *what = "watchdog";
        emit w->tmrWrong_Format->Tick();
        break;
      }
      case 9: {
        // The control refuses files now and then, and fails to give its length.
        player.refuses = [r = pick(4) == 0](const QString&) { return r; };
        player.failDuration = pick(4) == 0;
        *what = "control flaky";
        break;
      }
    }
  }
};

TEST_F(Monkey, ThousandsOfRandomActionsKeepTheWindowWhole) {
  addDrive('D', FakeDriveManager::tracks(5));
  addDrive('E', std::nullopt);
  make();
  // The About window's buttons stay in the test: no program started, no box waiting for a click.
  w->aboutServices.findProgram = [](const QString&) { return QString(); };
  w->aboutServices.startDetached = [](const QString&, const QStringList&) { return false; };
  w->aboutServices.showMessage = [](QWidget*, const QString&) {};
  w->aboutServices.openUrl = [](const QUrl&) { return false; };
  w->Form_Load();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  QStringList recent;
  for (int step = 0; step < 4000; ++step) {
    QString what;
    act(&what);
    recent << what;
    if (recent.size() > 12) recent.removeFirst();
    if (step % 50 == 0) QApplication::processEvents();
    const QString broken = brokenInvariant(*w);
    ASSERT_TRUE(broken.isEmpty()) << broken.toStdString() << "\nat step " << step << " after:\n"
                                  << recent.join("\n").toStdString();
  }
  // The run reached the interesting places.
  EXPECT_GT(player.fileNames().size(), 500);
  EXPECT_GT(endings, 0);
}

}  // namespace
}  // namespace vcd::test
