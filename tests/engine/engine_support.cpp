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
#include <QtEndian>
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
    // Sound only, so that it plays as fast as libmpv can write it out.
    runFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=6:sample_rate=44100", "-f", "lavfi", "-i",
               "sine=frequency=1000:duration=6:sample_rate=44100", "-filter_complex",
               "[0:a][1:a]join=inputs=2:channel_layout=stereo[a]", "-map", "[a]", "-c:a", "mp2", "-b:a", "224k",
               "-f", "mpeg", d + "/tones.mpg"});
    runFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=3:sample_rate=44100", "-ac", "1", "-c:a",
               "libmp3lame", d + "/mono.mp3"});
    // The same two channels under a picture, as a karaoke Video CD track has them.
    runFfmpeg({"-f", "lavfi", "-i", "rgbtestsrc=size=352x288:rate=25:duration=8", "-f", "lavfi", "-i",
               "sine=frequency=440:duration=8:sample_rate=44100", "-f", "lavfi", "-i",
               "sine=frequency=1000:duration=8:sample_rate=44100", "-filter_complex",
               "[1:a][2:a]join=inputs=2:channel_layout=stereo[a]", "-map", "0:v", "-map", "[a]", "-target",
               "pal-vcd", "-aspect", "4:3", d + "/karaoke.mpg"});
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

// ---- captured sound --------------------------------------------------------------------------

namespace {
quint32 le32(const QByteArray& b, qsizetype at) {
  return quint32(uchar(b[at])) | quint32(uchar(b[at + 1])) << 8 | quint32(uchar(b[at + 2])) << 16 |
         quint32(uchar(b[at + 3])) << 24;
}
quint16 le16(const QByteArray& b, qsizetype at) { return quint16(uchar(b[at]) | uchar(b[at + 1]) << 8); }
}  // namespace

Wav readFinishedWav(const QString& path, int timeoutMs) {
  QByteArray bytes;
  qsizetype dataAt = -1;
  quint32 dataLength = 0;
  // libmpv writes a provisional length first and the real one when it lets go of the file.
  const bool finished = QTest::qWaitFor([&] {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    bytes = f.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF")) return false;
    for (qsizetype at = 12; at + 8 <= bytes.size();) {
      const quint32 length = le32(bytes, at + 4);
      if (bytes.mid(at, 4) == "data") {
        dataAt = at + 8;
        dataLength = length;
        return qsizetype(dataLength) == bytes.size() - dataAt;
      }
      at += 8 + length;
    }
    return false;
  }, timeoutMs);
  Wav wav;
  if (!finished) return wav;
  const qsizetype fmt = bytes.indexOf("fmt ");
  if (fmt < 0 || le16(bytes, fmt + 10) != 2 || le16(bytes, fmt + 22) != 16) return wav;
  wav.rate = int(le32(bytes, fmt + 12));
  const auto* samples = reinterpret_cast<const qint16*>(bytes.constData() + dataAt);
  for (quint32 i = 0; i + 1 < dataLength / 2; i += 2) {
    wav.left.push_back(qFromLittleEndian(samples[i]));
    wav.right.push_back(qFromLittleEndian(samples[i + 1]));
  }
  return wav;
}

double toneFrequency(const QVector<qint16>& samples, int rate, double fromSec, double toSec) {
  const qsizetype from = qsizetype(fromSec * rate), to = std::min(samples.size(), qsizetype(toSec * rate));
  if (to - from < 2) return 0;
  int crossings = 0;
  for (qsizetype i = from + 1; i < to; ++i)
    if ((samples[i - 1] < 0) != (samples[i] < 0)) ++crossings;
  return crossings * 0.5 * rate / double(to - from);
}

int peakLevel(const QVector<qint16>& samples, int rate, double fromSec, double toSec) {
  const qsizetype from = qsizetype(fromSec * rate), to = std::min(samples.size(), qsizetype(toSec * rate));
  int peak = 0;
  for (qsizetype i = from; i < to; ++i) peak = std::max(peak, std::abs(int(samples[i])));
  return peak;
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
