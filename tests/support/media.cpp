#include "tests/support/media.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <mutex>
#include <stdexcept>

#include "platform/disc_track_stream.h"

namespace vcd::test {
namespace {

QTemporaryDir& mediaDir() {
  static QTemporaryDir dir;
  return dir;
}

void ffmpeg(const QStringList& args) {
  QProcess p;
  p.start("ffmpeg", QStringList{"-nostdin", "-hide_banner", "-loglevel", "error", "-y"} + args);
  if (!p.waitForFinished(120000) || p.exitCode() != 0)
    throw std::runtime_error("ffmpeg failed: " + p.readAllStandardError().toStdString());
}

void mpeg(const QString& out, bool pal, const char* pattern, int seconds) {
  const QString video = QStringLiteral("%1=size=%2:rate=%3:duration=%4")
                            .arg(pattern, pal ? "352x288" : "352x240", pal ? "25" : "30000/1001")
                            .arg(seconds);
  ffmpeg({"-f", "lavfi", "-i", video, "-f", "lavfi", "-i",
          QStringLiteral("sine=frequency=440:duration=%1:sample_rate=44100").arg(seconds), "-target",
          pal ? "pal-vcd" : "ntsc-vcd", out});
}

QStringList twoTones(int seconds) {
  const QString s = QString::number(seconds);
  return {"-f", "lavfi", "-i", "sine=frequency=440:duration=" + s + ":sample_rate=44100",
          "-f", "lavfi", "-i", "sine=frequency=1000:duration=" + s + ":sample_rate=44100"};
}

}  // namespace

QString localMedia(const char* name) {
  static std::once_flag once;
  std::call_once(once, [] {
    const QString d = mediaDir().path();
    mpeg(d + "/pal1.mpg", true, "testsrc", 1);
    mpeg(d + "/ntsc1.mpg", false, "smptebars", 1);
    mpeg(d + "/pal2.mpg", true, "rgbtestsrc", 2);
    mpeg(d + "/long.mpg", true, "testsrc2", 20);
    // Sound only: it plays as fast as libmpv can write it out.
    ffmpeg(twoTones(6) + QStringList{"-filter_complex", "[0:a][1:a]join=inputs=2:channel_layout=stereo[a]", "-map",
                                     "[a]", "-c:a", "mp2", "-b:a", "224k", "-f", "mpeg", d + "/tones.mpg"});
    ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=3:sample_rate=44100", "-ac", "1", "-c:a", "libmp3lame",
            d + "/mono.mp3"});
    ffmpeg(QStringList{"-f", "lavfi", "-i", "rgbtestsrc=size=352x288:rate=25:duration=8"} + twoTones(8) +
           QStringList{"-filter_complex", "[1:a][2:a]join=inputs=2:channel_layout=stereo[a]", "-map", "0:v", "-map",
                       "[a]", "-target", "pal-vcd", "-aspect", "4:3", d + "/karaoke.mpg"});
    QByteArray noise(300 * 1024, '\0');
    QRandomGenerator rng(12345);  // the same bytes every run
    for (auto& c : noise) c = char(rng.bounded(256));
    writeFile(d + "/noise.dat", noise);
  });
  return mediaDir().path() + "/" + QString::fromUtf8(name);
}

QString writeTempFile(const char* name, const QByteArray& bytes) {
  const QString path = QFileInfo(localMedia("pal1.mpg")).absolutePath() + "/" + QString::fromUtf8(name);
  if (!writeFile(path, bytes)) throw std::runtime_error("cannot write " + path.toStdString());
  return path;
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

std::unique_ptr<platform::LinuxDriveManager> driveWithImage(const QString& image) {
  auto m = std::make_unique<platform::LinuxDriveManager>([] { return std::vector<platform::OpticalDevice>{}; });
  if (!image.isEmpty() && !m->insertImage(image)) throw std::runtime_error("cannot insert " + image.toStdString());
  return m;
}

QByteArray readToEnd(platform::TrackStream& s, int chunk, int64_t* last) {
  QByteArray all, buf(chunk, '\0');
  int64_t n;
  while ((n = s.read(buf.data(), chunk)) > 0) all.append(buf.constData(), n);
  if (last) *last = n;
  return all;
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
  platform::TrackExtent extent;
  {
    auto drives = driveWithImage(cue);
    auto stream = drives->openFile(discPath);
    auto* track = dynamic_cast<platform::DiscTrackStream*>(stream.get());
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
