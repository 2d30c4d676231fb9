#include "bench/bench.h"
#include "platform/log.h"
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mpv/client.h>
#include <mpv/stream_cb.h>
#include <mutex>
#include <unistd.h>

namespace vcd::bench {

double median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

QString loadAverage() {
  QFile f(QStringLiteral("/proc/loadavg"));
  if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("unknown");
  return QString::fromLatin1(f.readAll()).section(QLatin1Char(' '), 0, 2);
}

double residentMiB() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

std::unique_ptr<platform::LinuxDriveManager> drivesWith(const QString& image, double rate) {
  // A fresh table per run: the read pacer must not carry a previous run's backlog. The machine's
  // own drives are left out.
  auto drives = std::make_unique<platform::LinuxDriveManager>([] { return std::vector<platform::OpticalDevice>{}; });
  if (!drives->insertImage(image)) {
    std::fprintf(stderr, "cannot insert %s\n", qPrintable(image));
    std::exit(2);
  }
  drives->setReadRateLimit(rate);
  return drives;
}

namespace {

std::mutex g_streamsMutex;
std::vector<std::shared_ptr<platform::TrackStream>> g_streams;  // every track plain libmpv opened

platform::TrackStream& streamOf(void* cookie) { return **static_cast<std::shared_ptr<platform::TrackStream>*>(cookie); }

int openPlain(void* user, char* uri, mpv_stream_cb_info* info) {
  auto* drives = static_cast<platform::DriveManager*>(user);
  std::shared_ptr<platform::TrackStream> stream;
  try {
    stream = drives->openFile(QString::fromUtf8(uri));
  } catch (const std::exception& e) {
    qCDebug(lcEngine, "%s cannot be opened: %s", uri, e.what());
  }
  if (!stream) return MPV_ERROR_LOADING_FAILED;
  {
    std::lock_guard lock(g_streamsMutex);
    g_streams.push_back(stream);
  }
  info->cookie = new std::shared_ptr<platform::TrackStream>(stream);
  info->read_fn = [](void* c, char* buf, uint64_t n) -> int64_t { return streamOf(c).read(buf, n); };
  info->seek_fn = [](void* c, int64_t pos) -> int64_t {
    const int64_t at = streamOf(c).seek(pos);
    return at < 0 ? int64_t(MPV_ERROR_GENERIC) : at;
  };
  info->size_fn = [](void* c) -> int64_t { return streamOf(c).size(); };
  info->close_fn = [](void* c) { delete static_cast<std::shared_ptr<platform::TrackStream>*>(c); };
  info->cancel_fn = [](void* c) { streamOf(c).cancel(); };
  return 0;
}

}  // namespace

mpv_handle* plainHeadlessMpv(platform::DriveManager* drives) {
  {
    std::lock_guard lock(g_streamsMutex);
    g_streams.clear();
  }
  mpv_handle* mpv = mpv_create();
  mpv_set_option_string(mpv, "config", "no");
  mpv_set_option_string(mpv, "vo", "null");
  mpv_set_option_string(mpv, "ao", "null");
  if (mpv_initialize(mpv) < 0) {
    std::fprintf(stderr, "libmpv could not be started\n");
    std::exit(2);
  }
  mpv_stream_cb_add_ro(mpv, "cdrom", drives, openPlain);
  return mpv;
}

int64_t plainSectorsRead() {
  std::lock_guard lock(g_streamsMutex);
  int64_t total = 0;
  for (const auto& s : g_streams) total += s->sectorsRead();
  return total;
}

bool waitForFirstFrame(mpv_handle* mpv, double timeoutSeconds) {
  for (;;) {
    mpv_event* ev = mpv_wait_event(mpv, timeoutSeconds);
    switch (ev->event_id) {
      case MPV_EVENT_PLAYBACK_RESTART: return true;
      case MPV_EVENT_NONE:
      case MPV_EVENT_SHUTDOWN: return false;
      case MPV_EVENT_END_FILE:
        // The file it replaces ending is not news; only a failure or end of the new one is.
        if (static_cast<mpv_event_end_file*>(ev->data)->reason != MPV_END_FILE_REASON_STOP) return false;
        break;
      default: break;
    }
  }
}

}  // namespace vcd::bench
