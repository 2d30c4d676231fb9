#pragma once
#include "disc/sectors.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace vcd::disc {

// A file on a disc read as a plain byte stream (what the media engine reads a track through).
// read/seek/size run on the engine's thread; cancel may be called from any thread.
class TrackStream {
 public:
  virtual ~TrackStream() = default;
  // Reads up to n bytes at the current position. Returns the count, 0 at the end of the file,
  // or -1 when reading cannot go on (the stream was cancelled, or the disc is gone).
  virtual int64_t read(char* buf, uint64_t n) = 0;
  // Moves to an absolute byte position; returns it, or -1 when it lies outside the file.
  virtual int64_t seek(int64_t pos) = 0;
  virtual int64_t size() const = 0;
  // Makes a pending read return at once and every later read fail.
  virtual void cancel() = 0;
  // True once reading stopped because the disc left the drive (every read failed), as
  // opposed to the file simply ending.
  virtual bool discGone() const = 0;
  // Sectors read from the disc so far (including retries).
  virtual int64_t sectorsRead() const = 0;
  // Playing time known from the file's length (a Video CD track runs at 75 sectors a second),
  // or a negative value when it is not known.
  virtual double nominalDuration() const = 0;
};

// Slows disc reads down to a drive's speed (75 sectors a second is 1x). Shared by every stream
// of a drive table, as the streams share the one pick-up of a real drive.
class ReadPacer {
 public:
  using Clock = std::chrono::steady_clock;
  // 0 or less: no limit.
  void setRate(double sectorsPerSecond);
  double rate() const;
  // Books the drive for `sectors` and returns the moment they would have been read.
  Clock::time_point reserve(int64_t sectors);

 private:
  mutable std::mutex mutex_;
  double rate_ = 0;
  Clock::time_point busyUntil_{};
};

// Where a file lies on the disc and how many bytes it yields.
struct TrackExtent {
  uint32_t lsn = 0;
  uint32_t sectors = 0;  // never past the disc's end
  int64_t size = 0;      // Form 2: sectors x 2,324; otherwise the recorded size (within the sectors)
  bool form2 = false;
};
// The directory's size counts 2,048-byte blocks; a record that claims more than the disc holds
// is cut at `endLsn` so a malformed directory cannot send the reader past the lead-out.
TrackExtent extentOf(const DiscEntry& entry, uint32_t endLsn);

// A file on a disc read as a byte stream. Form 2 files (Video CD tracks) yield the 2,324-byte
// payload of every sector, including the empty sectors a track starts and ends with, so byte
// positions map straight onto sectors and seeking is exact.
//
// A sector that cannot be read (a scratch) is tried again for about a second, then delivered as
// zeros: an MPEG demuxer skips a zero-filled payload as stuffing and looks for the next pack
// start, so the picture and sound go on from the next sector that reads, and byte positions stay
// those of the disc. Once a sector has failed for good the stream is inside a bad patch: each
// further sector is tried once, and when failed reads take the drive long (its own retries), the
// sectors in between are skipped as blanks with a stride that doubles at each failure, so a
// patch costs a few failed reads rather than one per sector. After repeated failures the drive is
// asked to read slower, and after a clean stretch to read at full speed again. Only a drive that
// reports no disc, or a patch of more than two seconds of video where nothing reads, ends
// reading (the disc is gone).
class DiscTrackStream : public TrackStream {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr uint32_t kMaxBatch = 16;      // sectors per disc read
  static constexpr int kAttempts = 3;            // tries for a sector that fails...
  static constexpr Clock::duration kRetryBudget = std::chrono::seconds(1);  // ...within about this long
  // A failed read that took longer than this was the drive retrying on its own: skip ahead.
  static constexpr Clock::duration kSlowFailure = std::chrono::milliseconds(50);
  static constexpr uint32_t kFirstStride = 16;   // sectors skipped after the first slow failure of a patch
  static constexpr uint32_t kLongestStride = 128;
  static constexpr uint32_t kGiveUpRun = 150;    // two seconds of unreadable video: the disc is gone
  static constexpr int kSlowDownAfter = 3;       // failed reads without a clean stretch: read slower
  static constexpr int64_t kCleanStretch = 750;  // sectors read without a failure: full speed again

  DiscTrackStream(std::unique_ptr<DiscHandle> disc, const DiscEntry& entry, std::shared_ptr<ReadPacer> pacer = nullptr);
  ~DiscTrackStream() override;

  int64_t read(char* buf, uint64_t n) override;
  int64_t seek(int64_t pos) override;
  int64_t size() const override { return extent_.size; }
  void cancel() override;
  bool discGone() const override { return gone_; }
  int64_t sectorsRead() const override { return sectorsRead_; }
  double nominalDuration() const override;
  // The track is not multiplexed at a Video CD's fixed rate (a Super Video CD's MPEG-2 track):
  // its length tells nothing about its playing time, and nominalDuration() reports it unknown.
  void setVariableRate() { variableRate_ = true; }
  // What the lines about its unreadable sectors call it (its disc path, and the image it is on).
  void setShownName(const QString& name) { shownName_ = name.toUtf8(); }

  const TrackExtent& extent() const { return extent_; }
  // Sectors delivered as zeros: unreadable, or skipped inside a bad patch.
  int64_t unreadableSectors() const { return unreadable_; }
  // Disc reads that failed (batches, retries and probes inside bad patches).
  int64_t failedReads() const { return failedReads_; }

 private:
  // The run of unreadable sectors being crossed.
  struct BadPatch {
    bool open = false;
    uint32_t first = 0;     // the first sector that failed (of the file)
    uint32_t last = 0;      // the last one that failed
    uint32_t next = 0;      // the next one to try; those before it are blanks
    uint32_t stride = 1;
    int failedReads = 0;
    Clock::duration lost{};  // time spent on reads that failed
  };

  int sectorBytes() const { return extent_.form2 ? kForm2SectorBytes : kForm1SectorBytes; }
  bool fill(uint8_t* out, uint32_t first, uint32_t count);
  bool readSector(uint8_t* out, uint32_t sector);
  void blank(uint8_t* out);
  void closePatch(uint32_t resumedAt);
  void readFailed();
  void readCleanly(uint32_t sectors);
  bool readPaced(uint8_t* buf, uint32_t lsn, uint32_t count);
  bool waitUntil(ReadPacer::Clock::time_point deadline);

  std::unique_ptr<DiscHandle> disc_;
  QByteArray shownName_ = "the track";
  std::shared_ptr<ReadPacer> pacer_;
  TrackExtent extent_;
  int64_t pos_ = 0;
  bool variableRate_ = false;

  std::vector<uint8_t> cache_;  // the sectors of the last disc read that did not go straight to the caller
  uint32_t cacheFirst_ = 0;
  uint32_t cacheCount_ = 0;
  BadPatch patch_;
  bool batchFailed_ = false;     // the last batch failed, and no patch has taken it in yet
  Clock::duration batchLost_{};  // what that batch cost
  int failuresSinceClean_ = 0;
  int64_t cleanRun_ = 0;

  std::atomic<bool> cancelled_{false};
  std::atomic<bool> gone_{false};
  std::atomic<int64_t> sectorsRead_{0};
  std::atomic<int64_t> unreadable_{0};
  std::atomic<int64_t> failedReads_{0};
  std::mutex waitMutex_;
  std::condition_variable waitCv_;
};

}  // namespace vcd::disc
