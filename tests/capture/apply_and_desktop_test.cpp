// The "&Apply" button before any capture, and where the Desktop folder is found.
#include <QTest>

#include "platform/desktop_folder.h"
#include "tests/support/desktop_sandbox.h"
#include "tests/player/window_fixture.h"

namespace vcd::test {
namespace {

TEST(GetSpecialFolderPath, DesktopFromTheUserDirectoriesWithoutATrailingSeparator) {
  {
    DesktopSandbox sandbox;
    EXPECT_EQ(ModPaths::GetSpecialFolderPath(0), sandbox.desktop);
    EXPECT_EQ(ModPaths::GetSpecialFolderPath(5), "");  // no other folder is known
  }
  {
    DesktopSandbox sandbox(true, "$HOME/Desktop/");
    EXPECT_EQ(ModPaths::GetSpecialFolderPath(0), sandbox.desktop);
  }
  {
    DesktopSandbox sandbox(false);  // the folder is named but not there
    EXPECT_EQ(ModPaths::GetSpecialFolderPath(0), "");
  }
}

class ApplyTest : public WindowTest {
 protected:
  DesktopSandbox sandbox;
};

TEST_F(ApplyTest, AltAOnApplyBeforeAnyCaptureWritesNothingAndSaysSo) {
  load();
  w->show();
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  QTest::keyClick(w.get(), Qt::Key_A, Qt::AltModifier);  // the button presses itself a moment later
  ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.isEmpty(); }, 5000));

  EXPECT_EQ(messages, QStringList({"Voren VCD Player Lite|Please load a picture first"}));
  EXPECT_EQ(w->picMain->size(), QSize(0, 0));
  EXPECT_TRUE(w->picMainImage.isNull());  // no caption printed
  EXPECT_EQ(w->lzFilename, "");
  EXPECT_TRUE(sandbox.desktopFiles().isEmpty());
  EXPECT_EQ(endings, 0);

  w->CmdApply->click();  // and again: the same answer
  EXPECT_EQ(messages.size(), 2);
  EXPECT_TRUE(sandbox.desktopFiles().isEmpty());
}

}  // namespace
}  // namespace vcd::test
