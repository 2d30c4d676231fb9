#include "tests/engine/engine_support.h"

#include "platform/disc_track_stream.h"
#include "tests/support/test_media.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

namespace vcd::test {

namespace {

QTemporaryDir& mediaDir() {
  static QTemporaryDir dir;
  return dir;
}

void runFfmpeg(const QStringList& args) {
  QProcess ffmpeg;
  ffmpeg.start("ffmpeg", QStringList{"-nostdin", "-hide_banner", "-loglevel", "error", "-y"} + args);
  if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0)
    throw std::runtime_error("ffmpeg failed: " + ffmpeg.readAllStandardError().toStdString());
}

void makeMpeg(const QString& out, const char* norm, const char* pattern, int seconds) {
  const bool pal = QByteArray(norm) == "pal";
  const QString video = QStringLiteral("%1=size=%2:rate=%3:duration=%4")
                            .arg(pattern, pal ? "352x288" : "352x240", pal ? "25" : "30000/1001")
                            .arg(seconds);
  const QString audio = QStringLiteral("sine=frequency=440:duration=%1:sample_rate=44100").arg(seconds);
  runFfmpeg({"-f", "lavfi", "-i", video, "-f", "lavfi", "-i", audio, "-target", QString(norm) + "-vcd", out});
}

}  // namespace

QString localMedia(const char* name) {
  static std::once_flag once;
  std::call_once(once, [] {
    const QString d = mediaDir().path();
    makeMpeg(d + "/pal1.mpg", "pal", "testsrc", 1);
    makeMpeg(d + "/ntsc1.mpg", "ntsc", "smptebars", 1);
    makeMpeg(d + "/pal2.mpg", "pal", "rgbtestsrc", 2);
    makeMpeg(d + "/long.mpg", "pal", "testsrc2", 20);
    QByteArray noise(300 * 1024, '\0');
    QRandomGenerator rng(12345);  // fixed: the same bytes every run
    for (auto& c : noise) c = char(rng.bounded(256));
    QFile f(d + "/noise.dat");
    f.open(QIODevice::WriteOnly);
    f.write(noise);
  });
  return mediaDir().path() + "/" + QString::fromUtf8(name);
}

QString writeTempFile(const char* name, const QByteArray& bytes) {
  localMedia("pal1.mpg");  // the folder exists from here on
  const QString path = mediaDir().path() + "/" + QString::fromUtf8(name);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw std::runtime_error("cannot write temp file");
  f.write(bytes);
  return path;
}

// ---- disc images -----------------------------------------------------------------------------

std::unique_ptr<platform::LinuxDriveManager> driveWithImage(const QString& image) {
  auto drives = std::make_unique<platform::LinuxDriveManager>([] { return std::vector<platform::OpticalDevice>{}; });
  if (!drives->insertImage(image)) throw std::runtime_error("cannot insert " + image.toStdString());
  return drives;
}

ImageCopy::ImageCopy(const char* name) : dir(std::make_unique<QTemporaryDir>()) {
  cue = dir->filePath(QString::fromUtf8(name) + ".cue");
  bin = dir->filePath(QString::fromUtf8(name) + ".bin");
  if (!QFile::copy(mediaPath((std::string(name) + ".cue").c_str()), cue) ||
      !QFile::copy(mediaPath((std::string(name) + ".bin").c_str()), bin))
    throw std::runtime_error(std::string("cannot copy image ") + name);
}

void ImageCopy::overwriteFile(const QString& discPath, const QByteArray& bytes, char fill) {
  // Where the file lies: the disc layer knows its first sector and length.
  auto drives = driveWithImage(cue);
  auto stream = drives->openFile(discPath);
  auto* track = dynamic_cast<platform::DiscTrackStream*>(stream.get());
  if (!track || !track->extent().form2) throw std::runtime_error("not a Form 2 track");
  const auto extent = track->extent();
  stream.reset();
  drives.reset();

  constexpr int kRaw = 2352, kPayloadOffset = 24, kPayload = platform::kForm2SectorBytes;
  QFile f(bin);
  if (!f.open(QIODevice::ReadWrite)) throw std::runtime_error("cannot write image");
  for (uint32_t i = 0; i < extent.sectors; ++i) {
    QByteArray payload(kPayload, fill);
    const qsizetype from = qsizetype(i) * kPayload;
    if (from < bytes.size()) payload.replace(0, std::min<qsizetype>(kPayload, bytes.size() - from), bytes.mid(from, kPayload));
    f.seek(qint64(extent.lsn + i) * kRaw + kPayloadOffset);
    f.write(payload);
  }
}

// ---- Recorder --------------------------------------------------------------------------------

Recorder::Recorder(mpv::MpvPlayer& player) {
  QObject::connect(&player, &MediaPlayer::PlayStateChange, &player, [this](int o, int n) {
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) offGuiThread = true;
    log.push_back({Entry::State, o, n});
  }, Qt::DirectConnection);
  QObject::connect(&player, &MediaPlayer::EndOfStream, &player, [this, &player](int) {
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) offGuiThread = true;
    Entry e{Entry::End};
    e.position = player.CurrentPosition();
    e.duration = player.Duration();
    log.push_back(e);
  }, Qt::DirectConnection);
}

int Recorder::endCount() const {
  return int(std::count_if(log.begin(), log.end(), [](const Entry& e) { return e.kind == Entry::End; }));
}

bool Recorder::sawState(int state) const {
  return std::any_of(log.begin(), log.end(), [&](const Entry& e) { return e.kind == Entry::State && e.newState == state; });
}

QVector<int> Recorder::states() const {
  QVector<int> out;
  for (const auto& e : log)
    if (e.kind == Entry::State) out.push_back(e.newState);
  return out;
}

const Recorder::Entry* Recorder::lastEnd() const {
  for (auto it = log.rbegin(); it != log.rend(); ++it)
    if (it->kind == Entry::End) return &*it;
  return nullptr;
}

bool waitForState(const mpv::MpvPlayer& player, int state, int timeoutMs) {
  return QTest::qWaitFor([&] { return player.PlayState() == state; }, timeoutMs);
}

bool waitForEnds(const Recorder& rec, int count, int timeoutMs) {
  return QTest::qWaitFor([&] { return rec.endCount() >= count; }, timeoutMs);
}

}  // namespace vcd::test
