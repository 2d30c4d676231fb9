#pragma once
#include "platform/linux_drives.h"
#include "tests/support/test_media.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace vcd::test {

constexpr int kRawSector = 2352;  // a BIN holds raw sectors

// A drive table with no optical drives; the image (if any) sits in its virtual drive D.
inline std::unique_ptr<platform::LinuxDriveManager> driveWithImage(const QString& image) {
  auto m = std::make_unique<platform::LinuxDriveManager>([] { return std::vector<platform::OpticalDevice>{}; });
  if (!image.isEmpty()) {
    EXPECT_TRUE(m->insertImage(image)) << image.toStdString();
  }
  return m;
}

// Reads a stream to its end in chunks of `chunk` bytes; stops early on -1.
inline QByteArray readToEnd(platform::TrackStream& s, int chunk = 65536, int64_t* last = nullptr) {
  QByteArray all, buf(chunk, '\0');
  int64_t n;
  while ((n = s.read(buf.data(), chunk)) > 0) all.append(buf.constData(), n);
  if (last) *last = n;
  return all;
}

// A writable copy of a BIN/CUE image (name without extension) in a temporary folder.
struct ImageCopy {
  QTemporaryDir dir;
  QString cue, bin;
  explicit ImageCopy(const char* name) {
    cue = dir.filePath(QString::fromUtf8(name) + ".cue");
    bin = dir.filePath(QString::fromUtf8(name) + ".bin");
    EXPECT_TRUE(QFile::copy(mediaPath((std::string(name) + ".cue").c_str()), cue));
    EXPECT_TRUE(QFile::copy(mediaPath((std::string(name) + ".bin").c_str()), bin));
  }
  QByteArray binBytes() const {
    QFile f(bin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  void writeBin(const QByteArray& bytes) const {
    QFile f(bin);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
  }
};

}  // namespace vcd::test
