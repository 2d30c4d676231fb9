// A long run on the real engine: a thousand track changes on a disc of short tracks, by the
// track buttons, by Next and by tracks playing to their end, with the window's invariants
// checked after every one.
#include "tests/robustness/invariants.h"
#include "tests/robustness/player_rig.h"

#include <random>

namespace vcd::test {
namespace {

TEST_F(PlayerRig, ThousandTrackChanges) {
  ASSERT_TRUE(drives.insertImage(mediaPath("pal25.cue")));
  openWindow();
  w->Form_Load();
  ASSERT_TRUE(waitFor([&] { return playing(); }));

  std::mt19937 random(2024);
  int changes = 0, byEnd = 0, byButton = 0, byNext = 0;
  auto current = [&] { return QStringLiteral("cdrom://D/Mpegav/") + w->File1->FileName(); };
  // The change has taken: the entry the window shows is the one playing.
  auto settled = [&] { return playing() && engine->FileName() == current(); };

  while (changes < 1000) {
    // A burst of changes by the buttons and Next, the later ones superseding the earlier.
    const int burst = 1 + static_cast<int>(random() % 4);
    for (int k = 0; k < burst && changes < 1000; ++k, ++changes) {
      if (random() % 3 == 0 && w->Nexttrackcmd->isEnabled()) {
        w->Nexttrackcmd->click();
        ++byNext;
      } else {
        const int button = static_cast<int>(random() % 18);
        w->Songcmd_Click(button);  // a disabled button never clicks; the handler itself must not care
        ++byButton;
      }
      const QString broken = brokenInvariant(*w);
      ASSERT_TRUE(broken.isEmpty()) << broken.toStdString() << " after change " << changes;
    }
    ASSERT_TRUE(waitFor([&] { return settled(); })) << "change " << changes << ": " << current().toStdString();

    // Every fifty changes a track plays to its end and the next one follows by itself.
    if (changes / 50 != (changes - burst) / 50 && changes < 1000) {
      if (w->File1->ListIndex() == w->File1->ListCount() - 1) {
        w->Songcmd_Click(0);  // the last entry would stop the disc
        ++changes;
      }
      ASSERT_TRUE(waitFor([&] { return settled(); }));
      const int before = ends, index = w->File1->ListIndex();
      ASSERT_TRUE(waitFor([&] { return ends > before && w->File1->ListIndex() == index + 1 && settled(); }))
          << shown.mid(shown.size() - 5).join("\n").toStdString();
      ++changes;
      ++byEnd;
    }
    const QString broken = brokenInvariant(*w);
    ASSERT_TRUE(broken.isEmpty()) << broken.toStdString();
  }
  EXPECT_FALSE(states.contains(kStopped)) << "a stray stop during the run";
  EXPECT_GE(byEnd, 15);
  EXPECT_GT(byNext, 100);
  EXPECT_GT(byButton, 100);
}

}  // namespace
}  // namespace vcd::test
