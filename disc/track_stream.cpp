#include "disc/track_stream.h"

#include "disc/log.h"

#include <algorithm>
#include <cstring>
#include <utility>

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

namespace {

long long msOf(DiscTrackStream::Clock::duration d) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

}  // namespace

DiscTrackStream::~DiscTrackStream() {
  // The file was left (its end, another track, Stop) inside a bad patch: what it cost.
  if (patch_.open) closePatch(patch_.next);
}

// Reads `count` sectors of the file from `first` into `out`; unreadable ones become zeros
// unless the disc is gone.
bool DiscTrackStream::fill(uint8_t* out, uint32_t first, uint32_t count) {
  // A seek away from the patch being crossed: what lies there is tried afresh.
  if (patch_.open && (first < patch_.first || first > patch_.next)) closePatch(patch_.next);
  if (!patch_.open) {
    const auto started = Clock::now();
    if (readPaced(out, extent_.lsn + first, count)) {
      readCleanly(count);
      return !cancelled_;
    }
    if (cancelled_) return false;
    batchLost_ = Clock::now() - started;
    batchFailed_ = true;
    readFailed();
  }
  // The batch failed, or a patch is being crossed: sector by sector, so one bad sector costs
  // only itself and the good ones around it are kept.
  const int bytes = sectorBytes();
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t* sector = out + static_cast<size_t>(i) * bytes;
    if (patch_.open && first + i < patch_.next) {
      blank(sector);  // skipped: inside the patch
      continue;
    }
    if (!readSector(sector, first + i)) return false;
  }
  return !cancelled_;
}

bool DiscTrackStream::readSector(uint8_t* out, uint32_t sector) {
  const uint32_t lsn = extent_.lsn + sector;
  const auto started = Clock::now();
  const int attempts = patch_.open ? 1 : kAttempts;
  Clock::duration lastTry{};
  int tried = 0;
  bool ok = false;
  while (!ok && tried < attempts && (tried == 0 || Clock::now() - started < kRetryBudget)) {
    if (cancelled_) return false;
    if (tried > 0)
      qCDebug(lcDisc, "sector %u of %s: read %d failed after %lld ms, trying again", lsn, shownName_.constData(), tried,
              msOf(lastTry));
    const auto tryStarted = Clock::now();
    ok = readPaced(out, lsn, 1);
    lastTry = Clock::now() - tryStarted;
    ++tried;
    if (!ok && !cancelled_) readFailed();
  }
  if (cancelled_) return false;
  if (ok) {
    if (patch_.open) closePatch(sector);
    readCleanly(1);
    return true;
  }
  if (!disc_->mediumPresent() || (patch_.open && sector - patch_.first + 1 >= kGiveUpRun)) {
    qCWarning(lcDisc, "sector %u of %s unreadable (attempts: %d): the disc is gone, reading stops", lsn,
              shownName_.constData(), tried);
    patch_.open = false;  // this line says it all
    gone_ = true;
    return false;
  }
  if (!patch_.open) {
    patch_ = BadPatch{};
    patch_.open = true;
    patch_.first = sector;
    if (std::exchange(batchFailed_, false)) {
      patch_.lost = batchLost_;
      patch_.failedReads = 1;  // the batch it lies in
    }
    // One line for each patch: where it starts (its end may never come, if the track ends in it).
    qCWarning(lcDisc, "sector %u of %s unreadable (a scratch): played as a blank, as are the sectors after it until one reads",
              lsn, shownName_.constData());
  }
  patch_.last = sector;
  patch_.failedReads += tried;
  patch_.lost += Clock::now() - started;
  // Failures the drive answers at once cost nothing: every sector is tried. A drive that spends
  // its own retries on each is skipped past, further at each failure.
  patch_.stride = lastTry >= kSlowFailure ? std::clamp(patch_.stride * 2, kFirstStride, kLongestStride) : 1;
  patch_.next = sector + patch_.stride;
  qCDebug(lcDisc, "sector %u of %s unreadable (attempts: %d, %lld ms): next try at sector %u", lsn,
          shownName_.constData(), tried, msOf(Clock::now() - started), extent_.lsn + patch_.next);
  blank(out);
  return true;
}

// A scratch: the sector becomes silence and a blank picture slice, and playback goes on.
void DiscTrackStream::blank(uint8_t* out) {
  std::memset(out, 0, sectorBytes());
  ++unreadable_;
}

void DiscTrackStream::closePatch(uint32_t resumedAt) {
  patch_.open = false;
  qCDebug(lcDisc, "sectors %u to %u of %s played as blanks (%d failed reads, %.1f s lost)", extent_.lsn + patch_.first,
          extent_.lsn + std::max(patch_.last, resumedAt - 1), shownName_.constData(), patch_.failedReads,
          std::chrono::duration<double>(patch_.lost).count());
}

void DiscTrackStream::readFailed() {
  ++failedReads_;
  cleanRun_ = 0;
  if (++failuresSinceClean_ != kSlowDownAfter || disc_->slowReading()) return;
  const bool slower = disc_->setSlowReading(true);
  qCDebug(lcDisc, "%d failed reads on %s: %s", failuresSinceClean_, shownName_.constData(),
          slower ? "the drive reads slower" : "the drive cannot be asked to read slower");
}

void DiscTrackStream::readCleanly(uint32_t sectors) {
  cleanRun_ += sectors;
  if (cleanRun_ < kCleanStretch) return;
  failuresSinceClean_ = 0;
  if (!disc_->slowReading()) return;
  const bool faster = disc_->setSlowReading(false);
  qCDebug(lcDisc, "%lld sectors of %s read cleanly: %s", static_cast<long long>(cleanRun_), shownName_.constData(),
          faster ? "the drive reads at full speed again" : "the drive refused its full speed");
  cleanRun_ = 0;  // asked again, if need be, after another clean stretch
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
