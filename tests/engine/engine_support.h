#pragma once
#include "platform/linux_drives.h"
#include "engine/mpv_player.h"

#include <QString>
#include <QTemporaryDir>
#include <QThread>
#include <QVector>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>

// Helpers shared by the engine's tests: small MPEG files made with ffmpeg, disc images in the
// disc layer's virtual drive, and a recorder of everything the player reports.
namespace vcd::test {

// Makes (once per run) the local media the tests play; returns its absolute path.
//   pal1.mpg   1 s PAL Video CD MPEG      ntsc1.mpg  1 s NTSC Video CD MPEG
//   pal2.mpg   2 s PAL                    long.mpg  20 s PAL
//   noise.dat  random bytes
//   pal2.mpg shows red, green and blue stripes (rgbtestsrc)
//   tones.mpg  6 s of Video CD sound (MPEG-1 layer II, 224 kbit/s, 44.1 kHz) in an MPEG program
//              stream: 440 Hz on the first channel, 1000 Hz on the second (a karaoke track's two)
//   karaoke.mpg  8 s PAL Video CD MPEG shown at 4:3 (narrow pixels, as on a real disc):
//              rgbtestsrc and the two tones of tones.mpg
//   mono.mp3   3 s of 440 Hz on one channel
QString localMedia(const char* name);

// The sound a headless player wrote with setSoundCapture: a 16-bit stereo WAV file.
struct Wav {
  int rate = 0;
  QVector<qint16> left, right;
  double seconds() const { return rate > 0 ? double(left.size()) / rate : 0; }
};
// Waits until libmpv has finished the file (the header holds the real data length), then reads
// it. Returns an empty Wav on a timeout or a file that is not 16-bit stereo PCM.
Wav readFinishedWav(const QString& path, int timeoutMs = 20000);
// The frequency of a pure tone in [fromSec, toSec) of one channel, from its zero crossings.
double toneFrequency(const QVector<qint16>& samples, int rate, double fromSec, double toSec);
// The largest absolute sample in [fromSec, toSec).
int peakLevel(const QVector<qint16>& samples, int rate, double fromSec, double toSec);

// A file that exists while the test runs, holding the given bytes.
QString writeTempFile(const char* name, const QByteArray& bytes);

// A drive table with no optical drives and the image in its virtual drive D.
std::unique_ptr<platform::LinuxDriveManager> driveWithImage(const QString& image);

// A writable copy of a built disc image, whose tracks a test may overwrite.
struct ImageCopy {
  explicit ImageCopy(const char* name);
  // Replaces the payload of a file on the disc (e.g. "cdrom://D/MPEGAV/AVSEQ01.DAT") with
  // `bytes`, the rest of the file filled with `fill`.
  void overwriteFile(const QString& discPath, const QByteArray& bytes, char fill = '\0');
  std::unique_ptr<QTemporaryDir> dir;
  QString cue, bin;
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
