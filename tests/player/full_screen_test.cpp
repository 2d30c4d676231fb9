// Full screen takes the control's face out of the window and brings it back: afterwards the
// window is exactly as it was. Every control keeps its place at the window's normal and maximised
// sizes, the status line stays above the face, the tab chain and the focus are the same. The face
// here is the engine's own widget (without a picture). With the real program (full screen and
// the screenshot): tests/e2e/window_stays_right.sh; on sway, natively and through XWayland (which
// drops a full-screen request made at map time): tests/wayland/player_on_sway.sh.
#include <QTest>

#include "engine/video_widget.h"
#include "tests/support/window_fixture.h"

namespace vcd::test {
namespace {

const QString kTitle = QStringLiteral("Voren VCD Player Lite ver2.2.0");

class FullScreen : public WindowTest {
 protected:
  engine::VideoWidget* face = nullptr;
  QSize maximised;  // the window's size when it was last maximised

  struct Look {
    std::map<QString, QRect> places;  // every recorded control's geometry
    QList<QWidget*> stacking;         // the window's own children, lowest first
    QList<QWidget*> tabChain;         // the controls in the order Tab visits them
    bool operator==(const Look&) const = default;
  };

  void SetUp() override {
    face = new engine::VideoWidget(nullptr);
    player.face = face;
    player.displaySizeSet = [this](int mode) { face->setFullScreen(mode == kDisplayFullScreen); };
    drives.drives.clear();
    addDrive('D', FakeDriveManager::tracks(3));
    load();
    // A track plays: the logo box goes under the face, the status line says so.
    player.setState(kPlaying);
    w->EnableTrackButtons();
    ASSERT_EQ(w->lblDisplay->text(), "Playing Avseq01.dat  ........");
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  }
  void TearDown() override {
    w.reset();
    delete face;
  }

  Look look() const {
    Look l;
    for (QWidget* c : w->rgrResizer1->controls()) l.places[c->objectName()] = c->geometry();
    for (QObject* o : w->children())
      if (auto* c = qobject_cast<QWidget*>(o); c && !c->isWindow()) l.stacking << c;
    // The controls Tab visits, round from the first button of the front panel.
    for (QWidget* c = w->Command24; c && l.tabChain.size() < 500; c = c->nextInFocusChain()) {
      if (c == w->Command24 && !l.tabChain.isEmpty()) break;
      if (c->focusPolicy() & Qt::TabFocus) l.tabChain << c;
    }
    return l;
  }
  static std::string differences(const Look& a, const Look& b) {
    std::string out;
    for (const auto& [name, place] : a.places)
      if (b.places.count(name) && b.places.at(name) != place)
        out += name.toStdString() + " moved; ";
    if (a.stacking != b.stacking) out += "stacking differs; ";
    if (a.tabChain != b.tabChain) {
      auto names = [](const QList<QWidget*>& chain) {
        QStringList n;
        for (QWidget* c : chain) n << (c->objectName().isEmpty() ? QString(c->metaObject()->className()) : c->objectName());
        return n.join(' ').toStdString();
      };
      out += "tab chain was: " + names(a.tabChain) + "\nnow: " + names(b.tabChain) + "\n";
    }
    return out;
  }
  bool sizeIs(bool maximised) {
    return QTest::qWaitFor([&] { return maximised ? w->width() > 501 && w->height() > 383 : w->size() == QSize(501, 383); },
                           20000);
  }
  // Maximises and restores the window; the looks at both sizes.
  std::pair<Look, Look> maximiseAndRestore() {
    w->showMaximized();
    EXPECT_TRUE(sizeIs(true));
    QCoreApplication::processEvents();
    maximised = w->size();
    const Look big = look();
    w->showNormal();
    EXPECT_TRUE(sizeIs(false));
    QCoreApplication::processEvents();
    return {big, look()};
  }
  // The face is home again and the window looks as `expected` (some events may be due still).
  void expectHome(const Look& expected) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return face->parentWidget() == w.get() && !face->isWindow(); }, 20000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return look() == expected; }, 5000)) << differences(expected, look());
    // The status line over the face, where its text shows.
    const QPoint middle = w->lblDisplay->geometry().center();
    EXPECT_EQ(w->childAt(middle), w->lblDisplay);
    EXPECT_GT(w->children().indexOf(w->lblDisplay), w->children().indexOf(face));
    EXPECT_EQ(w->focusWidget(), face);
    EXPECT_TRUE(face->windowTitle().isEmpty());
  }
};

TEST_F(FullScreen, FullScreenAndBackLeaveTheWindowAsItWasAtEverySize) {
  const Look before = look();
  const auto [bigBefore, normalAgain] = maximiseAndRestore();
  ASSERT_TRUE(normalAgain == before) << differences(before, normalAgain);

  w->Fullscreencmd_Click();
  ASSERT_TRUE(face->isWindow());
  EXPECT_EQ(face->windowTitle(), kTitle);  // the full-screen window is the player's
  QTest::keyClick(face, Qt::Key_Escape);
  expectHome(before);
  const auto [bigAfter, normalAfter] = maximiseAndRestore();
  EXPECT_TRUE(bigAfter.places == bigBefore.places) << differences(bigBefore, bigAfter);
  EXPECT_TRUE(normalAfter == before) << differences(before, normalAfter);

  // Maximised while the face is away: it comes home at the maximised proportions.
  w->Fullscreencmd_Click();
  w->showMaximized();
  ASSERT_TRUE(sizeIs(true));
  QTest::keyClick(face, Qt::Key_Escape);
  Look big = bigBefore;
  big.stacking = before.stacking;
  big.tabChain = before.tabChain;
  expectHome(big);
  w->showNormal();
  ASSERT_TRUE(sizeIs(false));
  EXPECT_TRUE(QTest::qWaitFor([&] { return look() == before; }, 5000)) << differences(before, look());
}

}  // namespace
}  // namespace vcd::test
