// The classic controls' rules the window relies on: the file list box, the timer, the generator.
#include <QTemporaryDir>
#include <QTest>

#include "ui/file_list_box.h"
#include "ui/timer.h"
#include "ui/twips.h"
#include "player/rnd.h"
#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"

namespace vcd::test {
namespace {

using controls::FileListBox;

TEST(FileListBox, ListsMatchingFilesSortedWithoutRegardToCase) {
  FileListBox box([](const QString& folder) -> QStringList {
    if (folder != "disc") throw std::runtime_error("Path not found");
    return {"b.DAT", "A.mp3", "c.txt", "a.Dat", "MPEGAV.dat.bak", "Z.MP3"};
  });
  box.setPattern("*.mp3;*.dat");
  box.setPath("disc");
  EXPECT_EQ(box.ListCount(), 4);
  EXPECT_EQ(box.entry(0), "a.Dat");
  EXPECT_EQ(box.entry(1), "A.mp3");
  EXPECT_EQ(box.entry(2), "b.DAT");
  EXPECT_EQ(box.entry(3), "Z.MP3");
  EXPECT_EQ(box.ListIndex(), -1);
  EXPECT_EQ(box.FileName(), "");
  box.setListIndex(2);
  EXPECT_EQ(box.FileName(), "b.DAT");
  EXPECT_THROW(box.setListIndex(4), std::out_of_range);
  EXPECT_THROW(box.setListIndex(-1), std::out_of_range);
  EXPECT_EQ(box.ListIndex(), 2);
  // A folder that cannot be read leaves the box as it was.
  EXPECT_THROW(box.setPath("gone"), std::runtime_error);
  EXPECT_EQ(box.Path(), "disc");
  EXPECT_EQ(box.ListCount(), 4);
}

TEST(FileListBox, EmptyFolderRefusesIndexZero) {
  FileListBox box([](const QString&) { return QStringList{"notes.txt"}; });
  box.setPattern("*.mp3;*.dat");
  box.setPath("x");
  EXPECT_EQ(box.ListCount(), 0);
  EXPECT_THROW(box.setListIndex(0), std::out_of_range);
}

TEST(Timer, ZeroIntervalNeverFiresAndSwitchingOnRestartsThePeriod) {
  controls::Timer t(true, 0, nullptr);
  int ticks = 0;
  QObject::connect(&t, &controls::Timer::Tick, [&] { ++ticks; });
  EXPECT_FALSE(t.isTicking());
  QCoreApplication::processEvents();
  EXPECT_EQ(ticks, 0);
  t.setInterval(30);
  EXPECT_TRUE(t.isTicking());
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 2; }, 5000));
  t.setEnabled(false);
  const int seen = ticks;
  QCoreApplication::processEvents();
  EXPECT_EQ(ticks, seen);
  EXPECT_FALSE(t.isTicking());
}

TEST(Rnd, RepeatsTheClassicUnseededSequence) {
  // The first values every program got from the classic generator without seeding it.
  Rnd rnd;
  EXPECT_NEAR(rnd.next(), 0.7055475f, 1e-7);
  EXPECT_NEAR(rnd.next(), 0.533424f, 1e-6);
  EXPECT_NEAR(rnd.next(), 0.5795186f, 1e-7);
  // Picks stay inside the list, down to the last value below 1.
  EXPECT_EQ(Rnd::pick(1, 0.99999994f), 0);
  EXPECT_EQ(Rnd::pick(12, 0.99999994f), 11);
  EXPECT_EQ(Rnd::pick(12, 0.0f), 0);
  EXPECT_EQ(Rnd::pick(10, 0.7055475f), 7);
}

}  // namespace
}  // namespace vcd::test
