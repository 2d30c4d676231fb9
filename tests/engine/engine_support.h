#pragma once
#include "platform/drives.h"
#include "player/mpv/mpv_player.h"

#include <QString>
#include <QThread>
#include <QVector>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>

// Helpers shared by the engine's tests: small MPEG files made with ffmpeg, a drive table that
// serves local files as disc tracks, and a recorder of everything the player reports.
namespace vcd::test {

// Makes (once per run) the local media the tests play; returns its absolute path.
//   pal1.mpg   1 s PAL Video CD MPEG      ntsc1.mpg  1 s NTSC Video CD MPEG
//   pal2.mpg   2 s PAL                    long.mpg  20 s PAL
//   noise.dat  random bytes
QString localMedia(const char* name);

// A file that exists while the test runs, holding the given bytes.
QString writeTempFile(const char* name, const QByteArray& bytes);

// A drive table whose drive D holds local files under disc paths (cdrom://D/MPEGAV/X.DAT).
// It can "eject" its disc (every read fails from then on) and slow its reads down.
class FileDriveManager : public platform::DriveManager {
 public:
  void add(const QString& discPath, const QString& localFile);
  void eject() { m_ejected = true; }
  // Each read blocks until cancelled (a drive that stopped answering).
  void setHangReads(bool hang) { m_hang = hang; }
  int opens() const { return m_opens; }

  std::vector<platform::DriveRoot> driveRoots() override;
  std::vector<platform::FolderEntry> listFolder(const QString& discPath) override;
  std::unique_ptr<platform::TrackStream> openFile(const QString& discPath) override;

 private:
  std::mutex m_mutex;
  std::map<QString, QString> m_files;  // upper-cased disc path -> local file
  std::atomic<bool> m_ejected{false};
  std::atomic<bool> m_hang{false};
  std::atomic<int> m_opens{0};
};

// Everything a player reports, in order, with the figures seen at each end of stream.
struct Recorder {
  struct Entry {
    enum Kind { State, End } kind;
    int oldState = 0, newState = 0;
    double position = -1, duration = -1;
  };
  explicit Recorder(mpv::MpvPlayer& player);

  QVector<Entry> log;
  bool offGuiThread = false;

  int endCount() const;
  bool sawState(int state) const;
  QVector<int> states() const;  // the new state of every change, in order
  const Entry* lastEnd() const;
};

// Waits (with a generous bound) for the player to reach a state.
bool waitForState(const mpv::MpvPlayer& player, int state, int timeoutMs = 20000);
bool waitForEnds(const Recorder& rec, int count, int timeoutMs = 30000);

}  // namespace vcd::test
