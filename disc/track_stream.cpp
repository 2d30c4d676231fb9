#include "disc/track_stream.h"

#include "disc/log.h"

#include <algorithm>
#include <cstring>

namespace vcd::disc {

void ReadPacer::setRate(double sectorsPerSecond) {
  std::lock_guard lock(mutex_);
  rate_ = sectorsPerSecond > 0 ? sectorsPerSecond : 0;
}

double ReadPacer::rate() const {
  std::lock_guard lock(mutex_);
  return rate_;
}

ReadPacer::Clock::time_point ReadPacer::reserve(int64_t sectors) {
  std::lock_guard lock(mutex_);
  const auto now = Clock::now();
  if (rate_ <= 0) return now;
  const auto start = std::max(now, busyUntil_);
  busyUntil_ = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(sectors / rate_));
  return busyUntil_;
}

TrackExtent extentOf(const DiscEntry& entry, uint32_t endLsn) {
  TrackExtent e;
  e.lsn = entry.lsn;
  e.form2 = entry.form2;
  const uint64_t recorded = (static_cast<uint64_t>(entry.size) + kForm1SectorBytes - 1) / kForm1SectorBytes;
  const uint64_t available = entry.lsn < endLsn ? endLsn - entry.lsn : 0;
  e.sectors = static_cast<uint32_t>(std::min(recorded, available));
  if (e.form2) {
    e.size = static_cast<int64_t>(e.sectors) * kForm2SectorBytes;
  } else {
    e.size = std::min<int64_t>(entry.size, static_cast<int64_t>(e.sectors) * kForm1SectorBytes);
  }
  return e;
}

DiscTrackStream::DiscTrackStream(std::unique_ptr<DiscHandle> disc, const DiscEntry& entry,
                                 std::shared_ptr<ReadPacer> pacer)
    : disc_(std::move(disc)), pacer_(std::move(pacer)), extent_(extentOf(entry, disc_->endLsn())) {}

double DiscTrackStream::nominalDuration() const {
  return extent_.form2 && !variableRate_ ? extent_.sectors / kSectorsPerSecond : -1.0;
}

int64_t DiscTrackStream::seek(int64_t pos) {
  if (pos < 0 || pos > extent_.size) return -1;
  pos_ = pos;
  return pos_;
}

void DiscTrackStream::cancel() {
  {
    std::lock_guard lock(waitMutex_);
    cancelled_ = true;
  }
  waitCv_.notify_all();
}

int64_t DiscTrackStream::read(char* buf, uint64_t n) {
  if (cancelled_ || gone_) return -1;
  if (pos_ >= extent_.size || n == 0) return 0;

  const int bytes = sectorBytes();
  auto sector = static_cast<uint32_t>(pos_ / bytes);
  int64_t want = std::min<int64_t>(extent_.size - pos_, static_cast<int64_t>(std::min<uint64_t>(n, INT64_MAX / 2)));
  bool cached = cacheCount_ != 0 && sector >= cacheFirst_ && sector < cacheFirst_ + cacheCount_;
  int64_t done = 0;
  if (!cached && pos_ % bytes == 0 && want >= bytes) {
    // Whole sectors asked for: read them straight into the caller's buffer (at image speed the
    // extra copy through the cache is a good part of the cost).
    const auto count = std::min<uint32_t>(static_cast<uint32_t>(want / bytes), kMaxBatch);
    if (!fill(reinterpret_cast<uint8_t*>(buf), sector, count)) return -1;
    done = static_cast<int64_t>(count) * bytes;
    pos_ += done;
    if (count == kMaxBatch || done == want) return done;
    // The part of one more sector that was asked for goes through the cache.
    buf += done;
    want -= done;
    sector += count;
    cached = false;
  }
  if (!cached) {
    // Read only the sectors covering the requested range: the engine's first small reads must
    // not pull in more of the disc than they need.
    const auto last = static_cast<uint32_t>((pos_ + want - 1) / bytes);
    const uint32_t count = std::min({last - sector + 1, kMaxBatch, extent_.sectors - sector});
    cacheCount_ = 0;
    cache_.resize(static_cast<size_t>(count) * bytes);
    if (!fill(cache_.data(), sector, count)) return done > 0 ? done : -1;
    cacheFirst_ = sector;
    cacheCount_ = count;
  }

  const int64_t cacheStart = static_cast<int64_t>(cacheFirst_) * bytes;
  const int64_t offset = pos_ - cacheStart;
  const int64_t cacheEnd = std::min<int64_t>(cacheStart + static_cast<int64_t>(cacheCount_) * bytes, extent_.size);
  const int64_t count = std::min<int64_t>(cacheEnd - pos_, want);
  std::memcpy(buf, cache_.data() + offset, static_cast<size_t>(count));
  pos_ += count;
  return done + count;
}

// Reads `count` sectors of the file from `first` into `out`; unreadable ones become zeros
// unless the disc is gone.
bool DiscTrackStream::fill(uint8_t* out, uint32_t first, uint32_t count) {
  if (readPaced(out, extent_.lsn + first, count)) {
    failureRun_ = 0;
  } else if (!recover(out, first, count)) {
    return false;
  }
  return !cancelled_;
}

// The batch failed: go through it sector by sector, so one bad sector costs only itself.
bool DiscTrackStream::recover(uint8_t* dest, uint32_t first, uint32_t count) {
  const int bytes = sectorBytes();
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t* out = dest + static_cast<size_t>(i) * bytes;
    const int attempts = failureRun_ >= kRetryRunLimit ? 1 : kAttempts;
    bool ok = false;
    for (int a = 0; a < attempts && !ok; ++a) {
      if (cancelled_) return false;
      ok = readPaced(out, extent_.lsn + first + i, 1);
    }
    if (ok) {
      failureRun_ = 0;
      continue;
    }
    if (cancelled_) return false;
    const uint32_t lsn = extent_.lsn + first + i;
    if (!disc_->mediumPresent() || ++failureRun_ >= kGiveUpRun) {
      qCWarning(lcDisc, "sector %u of %s unreadable (%d attempts): the disc is gone, reading stops", lsn,
                shownName_.constData(), attempts);
      gone_ = true;
      return false;
    }
    // A scratch: the sector becomes silence and a blank picture slice, and playback goes on.
    // One line for the first sector of each unreadable run.
    if (failureRun_ == 1)
      qCWarning(lcDisc, "sector %u of %s unreadable (%d attempts): played as a blank", lsn, shownName_.constData(), attempts);
    std::memset(out, 0, bytes);
    ++unreadable_;
  }
  return true;
}

bool DiscTrackStream::readPaced(uint8_t* buf, uint32_t lsn, uint32_t count) {
  const auto ready = pacer_ ? pacer_->reserve(count) : ReadPacer::Clock::time_point{};
  sectorsRead_ += count;
  const bool ok = disc_->readSectors(buf, lsn, count, extent_.form2);
  if (pacer_ && !waitUntil(ready)) return false;
  return ok;
}

bool DiscTrackStream::waitUntil(ReadPacer::Clock::time_point deadline) {
  // Unpaced (or already late): no wait at all. A condition wait on a past deadline still
  // sleeps and wakes the thread once, which at image speed costs more than the read itself.
  if (ReadPacer::Clock::now() >= deadline) return !cancelled_;
  std::unique_lock lock(waitMutex_);
  return !waitCv_.wait_until(lock, deadline, [this] { return cancelled_.load(); });
}

}  // namespace vcd::disc
