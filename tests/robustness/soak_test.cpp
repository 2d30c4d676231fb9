// A long run on the real engine: a thousand track changes on a disc of short tracks, by the
// track buttons, by Next and by tracks playing to their end, with the window's invariants
// checked after every one.
#include <random>

#include "tests/robustness/invariants.h"
#include "tests/support/real_window.h"

namespace vcd::test {
namespace {

TEST_F(RealWindow, ThousandTrackChanges) {
  ASSERT_TRUE(drives.insertImage(mediaPath("pal25.cue")));
  openWindow();
  ASSERT_TRUE(waitFor([&] { return playing(); }));
  std::mt19937 random(2024);
  int changes = 0, byEnd = 0, byButton = 0, byNext = 0;
  // The change has taken: the entry the window shows is the one playing.
  auto settled = [&] { return playing() && engine->FileName() == QStringLiteral("cdrom://D/Mpegav/") + w->File1->FileName(); };
  auto whole = [&] {
    const QString broken = brokenInvariant(*w);
    EXPECT_TRUE(broken.isEmpty()) << broken.toStdString() << " after change " << changes;
    return broken.isEmpty();
  };
  while (changes < 1000) {
    // A burst of changes by the buttons and Next, the later ones superseding the earlier.
    const int burst = 1 + int(random() % 4);
    for (int k = 0; k < burst && changes < 1000; ++k, ++changes) {
      if (random() % 3 == 0 && w->Nexttrackcmd->isEnabled()) {
        w->Nexttrackcmd->click();
        ++byNext;
      } else {
        w->Songcmd_Click(int(random() % 18));  // the handler must not care whether the button is enabled
        ++byButton;
      }
      ASSERT_TRUE(whole());
    }
    ASSERT_TRUE(waitFor(settled)) << "change " << changes;
    // Every fifty changes a track plays to its end and the next one follows by itself.
    if (changes / 50 != (changes - burst) / 50 && changes < 1000) {
      if (w->File1->ListIndex() == w->File1->ListCount() - 1) {
        w->Songcmd_Click(0);  // the last entry would stop the disc
        ASSERT_TRUE(waitFor(settled));
      }
      const int before = ends, index = w->File1->ListIndex();
      ASSERT_TRUE(waitFor([&] { return ends > before && w->File1->ListIndex() == index + 1 && settled(); }))
          << shown.mid(shown.size() - 5).join("\n").toStdString();
      ++changes;
      ++byEnd;
    }
    ASSERT_TRUE(whole());
  }
  EXPECT_FALSE(states.contains(kStopped)) << "a stray stop during the run";
  EXPECT_GE(byEnd, 15);
  EXPECT_GT(byNext, 100);
  EXPECT_GT(byButton, 100);
}

}  // namespace
}  // namespace vcd::test
