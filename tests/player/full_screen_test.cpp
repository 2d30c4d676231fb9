// Full screen takes the control's face out of the window and brings it back: afterwards the
// window is exactly as it was. Every control keeps its place at the window's normal and maximised
// sizes, the status line stays above the face, the tab chain and the focus are the same. The face
// here is the engine's own widget (without a picture); under a real window manager: below, and
// with the real program (full screen and the screenshot): tests/e2e/window_stays_right.sh.
#include <QTest>

#include "engine/video_widget.h"
#include "tests/support/window_fixture.h"
#include "tests/support/x11_window_state.h"

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

class X11FullScreen : public FullScreen {};

// sway maps an X window that asks for full screen before it is mapped as a plain tiled window and
// writes its _NET_WM_STATE without the full-screen atom. Done here to the face's window just after
// openbox has mapped it: the face asks again and is shown full screen; back in the window it is
// home as before.
TEST_F(X11FullScreen, AFullScreenRequestDroppedAtMapTimeIsMadeAgain) {
  VCD_REQUIRE_X11_WINDOW_MANAGER();
  const Look before = look();
  struct DropSeen : QObject {  // the face reported as a plain window at some point
    bool seen = false;
    bool eventFilter(QObject* o, QEvent* e) override {
      if (e->type() == QEvent::WindowStateChange && !static_cast<QWidget*>(o)->isFullScreen()) seen = true;
      return false;
    }
  } dropped;
  face->setFullScreen(true);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(face));
  ASSERT_TRUE(QTest::qWaitFor([&] { return x11::netWmState(face->winId()).contains("_NET_WM_STATE_FULLSCREEN"); }, 20000));
  const xcb_atom_t none[] = {x11::atom("_NET_WM_STATE_FOCUSED")};
  xcb_change_property(x11::connection(), XCB_PROP_MODE_REPLACE, xcb_window_t(face->winId()), x11::atom("_NET_WM_STATE"),
                      XCB_ATOM_ATOM, 32, 1, none);
  face->installEventFilter(&dropped);
  xcb_flush(x11::connection());
  // Qt reads the state back and reports the window as a plain one; then the face asks again.
  EXPECT_TRUE(QTest::qWaitFor([&] { return dropped.seen && face->isFullScreen(); }, 20000))
      << "dropped seen: " << dropped.seen << ", state: " << x11::netWmState(face->winId()).join(' ').toStdString();
  face->removeEventFilter(&dropped);
  EXPECT_TRUE(face->isFullScreenShown());
  face->setFullScreen(false);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !face->isWindow() && face->isVisible(); }, 20000));
  EXPECT_EQ(look(), before) << differences(before, look());
}

// Maximised, every control keeps its proportions (also one the program moved after load) and the
// working controls stay out of sight; restored, every control is back in its place. The resizer's
// records belong to their controls: a control that leaves and comes back last among its siblings
// keeps its own proportions; one made after load is left alone; a deleted one is skipped.
TEST_F(FullScreen, TheResizerKeysItsRecordsByControl) {
  const Look before = look();
  ASSERT_GE(before.places.size(), 49u);
  w->picMain->setGeometry(0, 0, 200, 100);  // moved by code after load: back to its proportions
  QWidget* frame = w->Frame1;
  frame->setParent(nullptr);
  frame->setParent(w.get());  // now the last child
  frame->show();
  auto* late = new QWidget(w.get());
  late->setObjectName("late");
  late->setGeometry(1, 2, 3, 4);
  EXPECT_EQ(w->rgrResizer1->proportionsOf(late), nullptr);
  ASSERT_NE(w->rgrResizer1->proportionsOf(frame), nullptr);
  delete w->Command30;
  w->Command30 = nullptr;
  const auto [big, normal] = maximiseAndRestore();
  const double fx = maximised.width() / 501.0, fy = maximised.height() / 383.0;
  for (const QString name : {"Songcmd_10", "picMain", "Frame1"}) {
    const QRect was = before.places.at(name), now = big.places.at(name);
    const QRectF scaled(was.x() * fx, was.y() * fy, was.width() * fx, was.height() * fy);
    EXPECT_LE((QRectF(now).topLeft() - scaled.topLeft()).manhattanLength() + std::abs(now.width() - scaled.width()) +
                  std::abs(now.height() - scaled.height()), 4.0) << name.toStdString();
  }
  EXPECT_GE(big.places.at("File1").y(), maximised.height());  // still out of sight
  for (const auto& [name, place] : normal.places) EXPECT_EQ(place, before.places.at(name)) << name.toStdString();
  EXPECT_EQ(late->geometry(), QRect(1, 2, 3, 4));
  EXPECT_EQ(w->rgrResizer1->size(), QSize(67, 49));
}

}  // namespace
}  // namespace vcd::test
