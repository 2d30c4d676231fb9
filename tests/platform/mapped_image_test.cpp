// Image files are copied out of a memory map: whole runs of sectors, payloads picked out of raw
// sectors, and a file that is cut while it is mapped.
#include "platform/image_files.h"
#include "tests/support/media.h"

#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vcd::platform;
using MapCopy = ImageFile::MapCopy;

namespace {

constexpr int kRaw = 2352, kPayload = 2324, kAt = 24;

// A file of `bytes` bytes, none of its 8-byte groups all zero (so every "subheader" is written).
QByteArray pattern(qsizetype bytes) {
  QByteArray b(bytes, '\0');
  char* p = b.data();
  for (qsizetype i = 0; i < bytes; ++i) p[i] = static_cast<char>(1 + (i * 7 + i / 4099) % 251);
  return b;
}

std::shared_ptr<ImageFile> writeAndOpen(const QString& path, const QByteArray& bytes) {
  vcd::test::writeFile(path, bytes);
  QString why;
  auto file = ImageFile::open(path, &why);
  EXPECT_TRUE(file) << why.toStdString();
  return file;
}

}  // namespace

// Past the memory budget the pages are let go while copies go on: every payload still arrives.
TEST(MappedImage, CopiesPayloadsOutOfRawSectorsPastTheMemoryBudget) {
  QTemporaryDir dir;
  const int sectors = static_cast<int>(ImageFile::kMappedBudget / kRaw) + 2000;
  QByteArray bytes = pattern(qsizetype(sectors) * kRaw);
  auto file = writeAndOpen(dir.filePath("disc.bin"), bytes);
  ASSERT_TRUE(file);

  QByteArray out(27 * kPayload, '\0');
  auto* to = reinterpret_cast<uint8_t*>(out.data());
  for (int first = 0; first < sectors; first += 27) {
    const int n = std::min(27, sectors - first);
    ASSERT_EQ(file->copyMapped(to, qint64(first) * kRaw + kAt, n, kRaw, kPayload, 8), MapCopy::Done);
    for (int i = 0; i < n; ++i)
      ASSERT_EQ(out.mid(i * kPayload, kPayload), bytes.mid(qsizetype(first + i) * kRaw + kAt, kPayload)) << first + i;
  }
  file->releaseMemory();

  // Whole blocks back to back, as an ISO image holds them.
  QByteArray run(5 * 2048, '\0');
  ASSERT_EQ(file->copyMapped(reinterpret_cast<uint8_t*>(run.data()), 16 * 2048, 5, 2048, 2048), MapCopy::Done);
  EXPECT_EQ(run, bytes.mid(16 * 2048, 5 * 2048));

  // Outside the map (the file may have grown since): left to pread.
  EXPECT_EQ(file->copyMapped(to, bytes.size() - kPayload + 1, 1, kRaw, kPayload), MapCopy::NotMapped);
  EXPECT_EQ(file->copyMapped(to, 4, 1, kRaw, kPayload, 8), MapCopy::NotMapped);

  // A sector whose subheader is all zero was never written.
  QByteArray unwritten = bytes.left(4 * kRaw);
  unwritten.replace(2 * kRaw + kAt - 8, 8, QByteArray(8, '\0'));
  auto small = writeAndOpen(dir.filePath("unwritten.bin"), unwritten);
  EXPECT_EQ(small->copyMapped(to, kAt, 4, kRaw, kPayload, 8), MapCopy::Failed);
  EXPECT_EQ(small->copyMapped(to, kAt, 2, kRaw, kPayload, 8), MapCopy::Done);
  EXPECT_EQ(small->copyMapped(to, kAt, 4, kRaw, kPayload), MapCopy::Done);
}

// Reading a page the file no longer has faults; the copy fails and the process goes on. Once
// the file is whole again, so are the copies.
TEST(MappedImage, FileCutWhileMappedFailsOnlyThePagesItLost) {
  QTemporaryDir dir;
  const QByteArray bytes = pattern(64 * kRaw);
  const QString path = dir.filePath("disc.bin");
  auto file = writeAndOpen(path, bytes);
  ASSERT_TRUE(file);
  QByteArray out(16 * kPayload, '\0');
  auto* to = reinterpret_cast<uint8_t*>(out.data());
  ASSERT_EQ(file->copyMapped(to, 40 * kRaw + kAt, 16, kRaw, kPayload, 8), MapCopy::Done);

  ASSERT_TRUE(QFile::resize(path, 32 * kRaw));
  EXPECT_EQ(file->copyMapped(to, 40 * kRaw + kAt, 16, kRaw, kPayload, 8), MapCopy::Failed);
  EXPECT_EQ(file->copyMapped(to, 24 * kRaw + kAt, 16, kRaw, kPayload, 8), MapCopy::Failed);  // straddles the cut
  ASSERT_EQ(file->copyMapped(to, 16 * kRaw + kAt, 16, kRaw, kPayload, 8), MapCopy::Done);
  EXPECT_EQ(out.left(kPayload), bytes.mid(16 * kRaw + kAt, kPayload));

  writeAndOpen(path, bytes);
  ASSERT_EQ(file->copyMapped(to, 40 * kRaw + kAt, 16, kRaw, kPayload, 8), MapCopy::Done);
  EXPECT_EQ(out.right(kPayload), bytes.mid(55 * kRaw + kAt, kPayload));
}

// The fault is caught only inside a copy out of a map: anywhere else it still ends the process
// (through a sanitizer's handler, when one was there before: it reports the fault and aborts).
TEST(MappedImageDeathTest, AFaultOutsideTheCopiesStillEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        QTemporaryDir dir;
        const QString path = dir.filePath("disc.bin");
        auto file = writeAndOpen(path, pattern(4 * kRaw));
        uint8_t sector[kPayload];
        if (!file || file->copyMapped(sector, kAt, 1, kRaw, kPayload) != MapCopy::Done) std::_Exit(3);
        void* own = ::mmap(nullptr, 4 * kRaw, PROT_READ, MAP_SHARED, file->fd(), 0);
        if (own == MAP_FAILED || ::truncate(QFile::encodeName(path).constData(), 0) != 0) std::_Exit(4);
        std::_Exit(static_cast<const volatile uint8_t*>(own)[kRaw]);
      },
      [](int status) { return WIFSIGNALED(status) && (WTERMSIG(status) == SIGBUS || WTERMSIG(status) == SIGABRT); },
      "");
}
