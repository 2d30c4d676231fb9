#include <gtest/gtest.h>

#include "platform/desktop_folder.h"
#include "tests/support/desktop_sandbox.h"

namespace vcd::test {
namespace {

TEST(DesktopFolder, FromTheUserDirectoriesWithoutATrailingSeparatorOrNothing) {
  for (const QByteArray& entry : {QByteArray("$HOME/Desktop"), QByteArray("$HOME/Desktop/")}) {
    DesktopSandbox sandbox(true, entry);
    EXPECT_EQ(platform::ModPaths::GetSpecialFolderPath(platform::kDesktopFolder), sandbox.desktop) << entry.constData();
    EXPECT_EQ(platform::ModPaths::GetSpecialFolderPath(5), "");  // no other folder is known
  }
  DesktopSandbox missing(false);  // named but not there
  EXPECT_EQ(platform::ModPaths::GetSpecialFolderPath(platform::kDesktopFolder), "");
}

}  // namespace
}  // namespace vcd::test
