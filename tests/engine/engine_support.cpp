#include "tests/engine/engine_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <condition_variable>
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

// ---- FileDriveManager ------------------------------------------------------------------------

namespace {

class FileTrackStream : public platform::TrackStream {
 public:
  FileTrackStream(const QString& path, std::atomic<bool>& ejected, std::atomic<bool>& hang)
      : m_file(path), m_ejected(ejected), m_hang(hang) {
    if (!m_file.open(QIODevice::ReadOnly)) throw platform::DiscError("cannot open");
  }
  int64_t read(char* buf, uint64_t n) override {
    if (m_hang) {
      std::unique_lock lock(m_mutex);
      m_cv.wait(lock, [&] { return m_cancelled.load(); });
    }
    if (m_cancelled) return -1;
    if (m_ejected) {
      m_gone = true;
      return -1;
    }
    int64_t got = m_file.read(buf, qint64(n));
    if (got > 0) m_sectors += (got + 2323) / 2324;
    return got < 0 ? -1 : got;
  }
  int64_t seek(int64_t pos) override {
    if (pos < 0 || pos > m_file.size()) return -1;
    return m_file.seek(pos) ? pos : -1;
  }
  int64_t size() const override { return m_file.size(); }
  void cancel() override {
    std::lock_guard lock(m_mutex);
    m_cancelled = true;
    m_cv.notify_all();
  }
  bool discGone() const override { return m_gone; }
  int64_t sectorsRead() const override { return m_sectors; }
  double nominalDuration() const override { return -1; }  // a plain file: libmpv knows better

 private:
  QFile m_file;
  std::atomic<bool>& m_ejected;
  std::atomic<bool>& m_hang;
  std::atomic<bool> m_cancelled{false};
  std::atomic<bool> m_gone{false};
  std::atomic<int64_t> m_sectors{0};
  std::mutex m_mutex;
  std::condition_variable m_cv;
};

}  // namespace

void FileDriveManager::add(const QString& discPath, const QString& localFile) {
  std::lock_guard lock(m_mutex);
  m_files[discPath.toUpper()] = localFile;
}

std::vector<platform::DriveRoot> FileDriveManager::driveRoots() {
  return {platform::DriveRoot{QChar('D'), platform::DriveType::CdRom, QStringLiteral("test")}};
}

std::vector<platform::FolderEntry> FileDriveManager::listFolder(const QString&) { return {}; }

std::unique_ptr<platform::TrackStream> FileDriveManager::openFile(const QString& discPath) {
  QString local;
  {
    std::lock_guard lock(m_mutex);
    auto it = m_files.find(discPath.toUpper());
    if (it == m_files.end()) throw platform::DiscError("no such file on the disc");
    local = it->second;
  }
  if (m_ejected) throw platform::DiscError("no disc");
  ++m_opens;
  return std::make_unique<FileTrackStream>(local, m_ejected, m_hang);
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
