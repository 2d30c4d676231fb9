// Image files are read with one pread per batch: whole runs of blocks, payloads picked out of raw
// sectors, and a file that is cut or grows while it is open.
#include "disc/data_file.h"
#include "disc_images.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vcd::disc;

namespace {

constexpr int kRaw = 2352, kPayload = 2324, kAt = 24;

// A file of `bytes` bytes, none of its 8-byte groups all zero (so every "subheader" is written).
QByteArray pattern(qsizetype bytes) {
  QByteArray b(bytes, '\0');
  char* p = b.data();
  for (qsizetype i = 0; i < bytes; ++i) p[i] = static_cast<char>(1 + (i * 7 + i / 4099) % 251);
  return b;
}

std::shared_ptr<DataFile> writeAndOpen(const QString& path, const QByteArray& bytes) {
  vcd::test::writeFile(path, bytes);
  auto file = vcd::test::openData(path);
  EXPECT_TRUE(file) << path.toStdString();
  return file;
}

}  // namespace

// Batches of every size up to a stream's, payloads out of raw sectors and whole blocks back to back.
TEST(ImageReads, PayloadsOutOfRawSectorsAndWholeBlocks) {
  QTemporaryDir dir;
  const int sectors = 300;
  const QByteArray bytes = pattern(qsizetype(sectors) * kRaw);
  auto file = writeAndOpen(dir.filePath("disc.bin"), bytes);
  ASSERT_TRUE(file);

  QByteArray out(27 * kPayload, '\0');
  auto* to = reinterpret_cast<uint8_t*>(out.data());
  for (int first = 0, n = 1; first < sectors; first += n, n = n % 27 + 1) {
    n = std::min(n, sectors - first);
    ASSERT_TRUE(file->readBlocks(to, qint64(first) * kRaw + kAt, n, kRaw, kPayload, true)) << first;
    for (int i = 0; i < n; ++i)
      ASSERT_EQ(out.mid(i * kPayload, kPayload), bytes.mid(qsizetype(first + i) * kRaw + kAt, kPayload)) << first + i;
  }

  // Whole blocks back to back, as an ISO image holds them.
  QByteArray run(5 * 2048, '\0');
  ASSERT_TRUE(file->readBlocks(reinterpret_cast<uint8_t*>(run.data()), 16 * 2048, 5, 2048, 2048));
  EXPECT_EQ(run, bytes.mid(16 * 2048, 5 * 2048));

  // Past the end of the file, or a mark in front of its first byte: nothing to read.
  EXPECT_FALSE(file->readBlocks(to, bytes.size() - kPayload + 1, 1, kRaw, kPayload));
  EXPECT_FALSE(file->readBlocks(to, 4, 1, kRaw, kPayload, true));

  // A sector whose subheader is all zero was never written.
  QByteArray unwritten = bytes.left(4 * kRaw);
  unwritten.replace(2 * kRaw + kAt - 8, 8, QByteArray(8, '\0'));
  auto small = writeAndOpen(dir.filePath("unwritten.bin"), unwritten);
  EXPECT_FALSE(small->readBlocks(to, kAt, 4, kRaw, kPayload, true));
  EXPECT_TRUE(small->readBlocks(to, kAt, 2, kRaw, kPayload, true));
  EXPECT_TRUE(small->readBlocks(to, kAt, 4, kRaw, kPayload));
}

// A file cut while it is open fails the reads of what it lost (and of a batch straddling the
// cut), not the process; what is left reads as before, and so does the whole file once it is
// whole again. A file that grew is read past its size at opening.
TEST(ImageReads, FileCutOrGrownWhileOpen) {
  QTemporaryDir dir;
  const QByteArray bytes = pattern(64 * kRaw);
  const QString path = dir.filePath("disc.bin");
  auto file = writeAndOpen(path, bytes);
  ASSERT_TRUE(file);
  QByteArray out(16 * kPayload, '\0');
  auto* to = reinterpret_cast<uint8_t*>(out.data());
  ASSERT_TRUE(file->readBlocks(to, 40 * kRaw + kAt, 16, kRaw, kPayload, true));

  ASSERT_TRUE(QFile::resize(path, 32 * kRaw));
  EXPECT_FALSE(file->readBlocks(to, 40 * kRaw + kAt, 16, kRaw, kPayload, true));
  EXPECT_FALSE(file->readBlocks(to, 24 * kRaw + kAt, 16, kRaw, kPayload, true));  // straddles the cut
  QByteArray blocks(16 * 2048, '\0');
  EXPECT_FALSE(file->readBlocks(reinterpret_cast<uint8_t*>(blocks.data()), 20 * 2048 * 2, 16, 2048, 2048));
  ASSERT_TRUE(file->readBlocks(to, 16 * kRaw + kAt, 16, kRaw, kPayload, true));
  EXPECT_EQ(out.left(kPayload), bytes.mid(16 * kRaw + kAt, kPayload));

  ASSERT_TRUE(QFile::resize(path, 0));
  EXPECT_FALSE(file->readBlocks(to, kAt, 1, kRaw, kPayload, true));

  vcd::test::writeFile(path, bytes + bytes);  // the same inode, whole again and twice as long
  ASSERT_TRUE(file->readBlocks(to, 40 * kRaw + kAt, 16, kRaw, kPayload, true));
  EXPECT_EQ(out.right(kPayload), bytes.mid(55 * kRaw + kAt, kPayload));
  ASSERT_TRUE(file->readBlocks(to, (64 + 40) * kRaw + kAt, 16, kRaw, kPayload, true));
  EXPECT_EQ(out.right(kPayload), bytes.mid(55 * kRaw + kAt, kPayload));
}
