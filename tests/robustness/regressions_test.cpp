// Inputs the fuzzers once broke the player with (tests/robustness/regressions/<target>/), run
// through the fuzz targets again. Each file is a case; the folder names the target.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <gtest/gtest.h>

#include "fuzz/targets.h"

namespace {

int runAll(const char* target, int (*body)(const uint8_t*, size_t)) {
  int count = 0;
  QDirIterator it(QStringLiteral(VCD_REGRESSIONS_DIR "/") + QLatin1String(target), QDir::Files);
  while (it.hasNext()) {
    QFile f(it.next());
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << f.fileName().toStdString();
    const QByteArray bytes = f.readAll();
    SCOPED_TRACE(f.fileName().toStdString());
    body(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()));
    ++count;
  }
  return count;
}

TEST(FuzzRegressions, KeptInputsRunCleanly) {
  vcd::fuzz::initialise();
  const int cases = runAll("disc_image", &vcd::fuzz::discImage) + runAll("track_stream", &vcd::fuzz::trackStream) +
                    runAll("command_line", &vcd::fuzz::commandLine) + runAll("toc_sheet", &vcd::fuzz::tocSheet) +
                    runAll("nrg_image", &vcd::fuzz::nrgImage) + runAll("folder_walk", &vcd::fuzz::folderWalk) +
                    runAll("cdxa_copy", &vcd::fuzz::cdxaCopy);
  EXPECT_GT(cases, 0) << "no kept inputs under " VCD_REGRESSIONS_DIR;
}

}  // namespace
