#include "disc_images.h"

#include "disc/cue_sheet.h"
#include "disc/iso9660_folders.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace vcd::test {

std::shared_ptr<disc::DataFile> openData(const QString& path) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) return nullptr;
  return std::make_shared<disc::DataFile>(fd, path, static_cast<int64_t>(st.st_size));
}

std::shared_ptr<disc::VirtualDisc> imageDisc(const char* cueName) {
  const QString cue = mediaPath(cueName);
  QFile sheet(cue);
  if (!sheet.open(QIODevice::ReadOnly)) return nullptr;
  const QString folder = QFileInfo(cue).absolutePath();
  const auto open = [folder](const QString& written) -> disc::Result<std::shared_ptr<disc::DataFile>> {
    if (auto file = openData(folder + u'/' + written)) return file;
    return disc::failure(written + QStringLiteral(" cannot be opened"));
  };
  auto layout = disc::parseCueSheet(sheet.readAll(), open, nullptr);
  EXPECT_TRUE(layout) << layout.reason().toStdString();
  if (!layout) return nullptr;
  return std::make_shared<disc::VirtualDisc>(
      cue, disc::SheetImage{std::make_shared<const disc::ImageLayout>(*std::move(layout))});
}

std::unique_ptr<disc::DiscHandle> openImage(const std::shared_ptr<disc::VirtualDisc>& disc) {
  return disc::openImageDisc(disc, *disc->as<disc::SheetImage>());
}

disc::DiscEntry fileOnDisc(disc::DiscHandle& disc, const char* folder, const char* name) {
  const auto entries = disc::readFolderAt(disc, folder);
  if (entries)
    for (const disc::DiscEntry& e : *entries)
      if (disc::nameMatches(QString::fromUtf8(name), e.storedName)) return e;
  ADD_FAILURE() << "no " << folder << "/" << name;
  return {};
}

QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  const bool ok = f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
  EXPECT_TRUE(ok) << path.toStdString();
  return ok;
}

QByteArray readToEnd(disc::TrackStream& s, int chunk, int64_t* last) {
  QByteArray all, buf(chunk, '\0');
  int64_t n;
  while ((n = s.read(buf.data(), chunk)) > 0) all.append(buf.constData(), n);
  if (last) *last = n;
  return all;
}

}  // namespace vcd::test
