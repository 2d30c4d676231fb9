// The watcher of the drives' media on the path it takes without UDisks2: the drive table polled,
// the virtual drive's disc put in, taken out and put back, and no poll while it is not idle.
// (Through UDisks2's signals: tests/desktop/desktop_test.cpp.)
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>

#include "platform/media_watcher.h"
#include "tests/support/media.h"

using namespace vcd;
using platform::MediaWatcher;

TEST(MediaWatcher, ReportsEachDiscThatArrivesAndPollsOnlyWhileIdle) {
  platform::LinuxDriveManager drives{[] { return std::vector<platform::OpticalDevice>{}; }};
  std::atomic<int> opticalAsked{0};
  MediaWatcher watcher(
      [&](bool optical) {
        opticalAsked += optical ? 1 : 0;
        return drives.media(optical);
      },
      [] { return QDBusConnection(QStringLiteral("vcd-test-no-bus")); });
  QStringList arrived;
  QObject::connect(&watcher, &MediaWatcher::mediumArrived, [&](const QString& device) { arrived << device.section(u'/', -1); });
  const auto pollsPass = [&](int n) {
    const int from = watcher.rounds();
    return QTest::qWaitFor([&] { return watcher.rounds() >= from + n; }, 15000);
  };

  ASSERT_TRUE(drives.insertImage(test::mediaPath("pal3.cue")));  // in at the start: no arrival
  watcher.start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.ready(); }, 15000));
  EXPECT_FALSE(watcher.watchesUdisks());
  ASSERT_TRUE(pollsPass(2));
  EXPECT_TRUE(arrived.isEmpty());
  EXPECT_GT(opticalAsked, 0) << "without UDisks2 the optical drives are polled too";

  // Out, then in again; another image in its place; each arrival once.
  drives.ejectVirtualDisc();
  ASSERT_TRUE(pollsPass(2));
  EXPECT_TRUE(arrived.isEmpty());
  drives.closeVirtualDisc();
  ASSERT_TRUE(QTest::qWaitFor([&] { return arrived.size() == 1; }, 15000));
  ASSERT_TRUE(drives.insertImage(test::mediaPath("demo.cue")));
  ASSERT_TRUE(QTest::qWaitFor([&] { return arrived.size() == 2; }, 15000));
  ASSERT_TRUE(pollsPass(2));
  EXPECT_EQ(arrived, QStringList({"pal3.cue", "demo.cue"}));

  // Not idle (a track plays): no poll, and a disc put in meanwhile is reported once idle again.
  watcher.setIdle(false);
  const int rounds = watcher.rounds();
  ASSERT_TRUE(drives.insertImage(test::mediaPath("ntsc3.cue")));
  QTest::qWait(4 * MediaWatcher::kPollMs);
  EXPECT_LE(watcher.rounds(), rounds + 1) << "at most the round under way";
  EXPECT_EQ(arrived.size(), 2);
  watcher.setIdle(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return arrived.size() == 3; }, 15000));
  EXPECT_EQ(arrived.last(), "ntsc3.cue");
  // The drive taken out of the table altogether reports nothing.
  drives.forgetNamedMedia();
  ASSERT_TRUE(pollsPass(2));
  EXPECT_EQ(arrived.size(), 3);
}
