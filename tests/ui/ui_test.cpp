// The classic controls' rules the windows rely on: the file list box and the timer.
#include <QTest>
#include <gtest/gtest.h>

#include "tests/support/qt_printers.h"
#include "ui/file_list_box.h"
#include "ui/timer.h"

namespace vcd::test {
namespace {

using controls::FileListBox;

TEST(FileListBox, MatchingFilesSortedWithoutRegardToCaseAndAStrictIndex) {
  FileListBox box([](const QString& folder) -> QStringList {
    if (folder == "empty") return {"notes.txt"};
    if (folder != "disc") throw std::runtime_error("Path not found");
    return {"b.DAT", "A.mp3", "c.txt", "a.Dat", "MPEGAV.dat.bak", "Z.MP3"};
  });
  box.setPattern("*.mp3;*.dat");
  box.setPath("disc");
  EXPECT_EQ(box.ListCount(), 4);
  EXPECT_EQ(QStringList({box.entry(0), box.entry(1), box.entry(2), box.entry(3)}), QStringList({"a.Dat", "A.mp3", "b.DAT", "Z.MP3"}));
  EXPECT_EQ(box.ListIndex(), -1);
  EXPECT_EQ(box.FileName(), "");
  box.setListIndex(2);
  EXPECT_EQ(box.FileName(), "b.DAT");
  EXPECT_THROW(box.setListIndex(4), std::out_of_range);
  EXPECT_THROW(box.setListIndex(-1), std::out_of_range);
  EXPECT_EQ(box.ListIndex(), 2);
  EXPECT_THROW(box.setPath("gone"), std::runtime_error);  // leaves the box as it was
  EXPECT_EQ(box.Path(), "disc");
  EXPECT_EQ(box.ListCount(), 4);
  box.setPath("empty");
  EXPECT_EQ(box.ListCount(), 0);
  EXPECT_THROW(box.setListIndex(0), std::out_of_range);
}

TEST(Timer, ZeroIntervalNeverFiresSwitchingOnTicksSwitchingOffStops) {
  controls::Timer t(true, 0, nullptr);
  int ticks = 0;
  QObject::connect(&t, &controls::Timer::Tick, [&] { ++ticks; });
  QTest::qWait(50);
  EXPECT_EQ(ticks, 0);
  t.setInterval(30);
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 2; }, 10000));
  t.setEnabled(false);
  const int seen = ticks;
  QTest::qWait(100);
  EXPECT_EQ(ticks, seen);
}

}  // namespace
}  // namespace vcd::test
