// Shared by the benchmark driver's parts: one row of the table, medians, the disc set-up and
// plain libmpv reading a disc track through the same disc layer as the player.
#pragma once
#include "platform/linux_drives.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

struct mpv_handle;

namespace vcd::bench {

// One line of the table: a figure, its reference from the same run, and the target on the ratio
// (or on the figure itself).
struct Row {
  Row(QString f, double r, double o, QString t, bool p)
      : figure(std::move(f)), reference(r), ours(o), target(std::move(t)), pass(p) {}
  QString figure;
  double reference = -1;
  double ours = -1;
  QString target;
  bool pass = false;
  double ratio = -1;  // when set: the ratio shown (a median of per-pair ratios), else ours / reference
  QString note;  // printed below the table when set
};

struct Settings {
  QString mediaDir;        // build-bench/media
  QString binDir;          // build-bench
  QString image;           // the disc of the start-up figures (demo.cue)
  QString longImage;       // one long track, for the playback figures
  QString shortImage;      // many short tracks, for the growth figure
  QString ntscImage;       // one long NTSC (29.97 fps) track, for the frame rate figure
  QString track = QStringLiteral("cdrom://D/MPEGAV/AVSEQ01.DAT");
  int runs = 5;
  int changes = 1000;
  int frameSeconds = 30;   // how long frames are counted in the real window
};

double median(std::vector<double> v);
// Resident memory of this process, MiB.
double residentMiB();
// The machine's load averages over 1, 5 and 15 minutes, as /proc/loadavg gives them.
QString loadAverage();

// A drive table with `image` in its virtual drive and reads paced to `rate` sectors/s (0: no limit).
std::unique_ptr<platform::LinuxDriveManager> drivesWith(const QString& image, double rate);

// Plain libmpv: `config=no`, `vo=null`, `ao=null` and otherwise its defaults, with disc tracks
// (cdrom://...) opened through `drives`. Returns the handle; the caller destroys it.
mpv_handle* plainHeadlessMpv(platform::DriveManager* drives);
// Sectors read by every track libmpv opened through plainHeadlessMpv's protocol so far.
int64_t plainSectorsRead();
// Waits for the next PLAYBACK_RESTART (true) or the end / failure of the file (false).
bool waitForFirstFrame(mpv_handle* mpv, double timeoutSeconds = 120);

// The payload of the long disc's track as a plain file (written by readerRows).
QString extractedTrackPath(const Settings& s);

std::vector<Row> startupRows(const Settings& s);      // sectors and time to the first frame, 1x / 8x
std::vector<Row> coldStartRows(const Settings& s);    // process start to picture, under X
std::vector<Row> trackSwitchRows(const Settings& s);  // track button to playing
std::vector<Row> playbackRows(const Settings& s);     // processor time and peak memory
std::vector<Row> readerRows(const Settings& s);       // stream throughput
std::vector<Row> growthRows(const Settings& s);
std::vector<Row> lateDiscRows(const Settings& s);     // a disc put in while the player waits, to playing       // memory after many track changes
std::vector<Row> windowRows(const Settings& s);       // the real window playing: GUI answers, frames, CPU
std::vector<Row> waylandRows(const Settings& s);      // figures 7 and 9 natively on Wayland against X11
std::vector<Row> scratchRows(const Settings& s);      // a bad patch: time lost, GUI answers

}  // namespace vcd::bench
