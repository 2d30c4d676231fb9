#include "tests/support/media.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <stdexcept>

#include "disc/track_stream.h"

namespace vcd::test {

QString writeTempFile(const char* name, const QByteArray& bytes) {
  static QTemporaryDir dir;
  if (!writeFile(dir.filePath(QString::fromUtf8(name)), bytes)) throw std::runtime_error(std::string("cannot write ") + name);
  return dir.filePath(QString::fromUtf8(name));
}

QString writeImage(const QDir& folder, const QString& name, const QByteArray& bin, QByteArray cue, const char* like) {
  if (cue.isNull())
    cue = readFile(mediaPath((std::string(like) + ".cue").c_str())).replace(like + QByteArray(".bin"), name.toUtf8() + ".bin");
  writeFile(folder.filePath(name + ".bin"), bin);
  return writtenTo(folder, name + ".cue", cue);
}

void saveScreenshot(const QPixmap& picture, const QString& name) {
  if (const QString dir = qEnvironmentVariable("VCD_SCREENSHOT_DIR"); !dir.isEmpty() && QDir().mkpath(dir))
    picture.save(dir + "/" + name);
}

std::unique_ptr<platform::LinuxDriveManager> driveWithImage(const QString& image) {
  auto m = std::make_unique<platform::LinuxDriveManager>([] { return std::vector<platform::OpticalDevice>{}; });
  if (!image.isEmpty() && !m->insertImage(image)) throw std::runtime_error("cannot insert " + image.toStdString());
  return m;
}

ImageCopy::ImageCopy(const char* name) {
  cue = dir.filePath(QString::fromUtf8(name) + ".cue");
  bin = dir.filePath(QString::fromUtf8(name) + ".bin");
  if (!QFile::copy(mediaPath((std::string(name) + ".cue").c_str()), cue) ||
      !QFile::copy(mediaPath((std::string(name) + ".bin").c_str()), bin))
    throw std::runtime_error(std::string("cannot copy image ") + name);
}

void ImageCopy::overwriteFile(const QString& discPath, const QByteArray& bytes, char fill) {
  // The disc layer knows where the file lies.
  disc::TrackExtent extent;
  {
    auto drives = driveWithImage(cue);
    auto stream = drives->openFile(discPath);
    auto* track = dynamic_cast<disc::DiscTrackStream*>(stream.get());
    if (!track || !track->extent().form2) throw std::runtime_error("not a Form 2 track");
    extent = track->extent();
  }
  QFile f(bin);
  if (!f.open(QIODevice::ReadWrite)) throw std::runtime_error("cannot write image");
  for (uint32_t i = 0; i < extent.sectors; ++i) {
    QByteArray payload = bytes.mid(qsizetype(i) * kPayload, kPayload);
    payload.append(QByteArray(kPayload - payload.size(), fill));
    f.seek(qint64(extent.lsn + i) * kRawSector + 24);
    f.write(payload);
  }
}

}  // namespace vcd::test
