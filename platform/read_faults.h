#pragma once
#include "disc/sectors.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// A drive that is not what it should be, for the virtual drive: reads that take their time,
// sectors that fail for some attempts, for a while or for good, and the speeds the drive was
// asked for. Set up by tests and benchmarks; with nothing set the virtual drive reads as before.
namespace vcd::platform {

class ReadFaults {
 public:
  using Clock = std::chrono::steady_clock;

  // Every read takes `perRead`, and one that fails `perFailedRead` (a drive's own retries).
  void setLatency(Clock::duration perRead, Clock::duration perFailedRead);
  // `count` sectors from `lsn` fail: for good, for their next `attempts` reads, or for `span`
  // from the first read that tries them.
  void failForGood(uint32_t lsn, uint32_t count);
  void failForAttempts(uint32_t lsn, uint32_t count, int attempts);
  void failFor(uint32_t lsn, uint32_t count, Clock::duration span);
  // Every sector reads again, at once.
  void clear();

  // Reads that failed so far.
  int64_t failedReads() const;
  // The speed changes asked of the drive, in order: true for slower, false for full speed.
  std::vector<bool> speedChanges() const;

  // What the drive does with a read of `count` sectors from `lsn`: waits its latency and says
  // whether the read fails (every failing sector it touches counts one attempt).
  bool readFails(uint32_t lsn, uint32_t count);
  bool slow() const;
  void setSlow(bool slow);

 private:
  struct Fault {
    int attemptsLeft = -1;  // -1: no limit
    Clock::duration span = Clock::duration::max();
    std::optional<Clock::time_point> until;  // set by the first read that tries the sector
  };
  void add(uint32_t lsn, uint32_t count, const Fault& fault);

  mutable std::mutex mutex_;
  std::map<uint32_t, Fault> faults_;
  Clock::duration perRead_{};
  Clock::duration perFailedRead_{};
  int64_t failedReads_ = 0;
  bool slow_ = false;
  std::vector<bool> speedChanges_;
};

// `disc` read through the faults of its drive.
std::unique_ptr<disc::DiscHandle> withReadFaults(std::unique_ptr<disc::DiscHandle> disc,
                                                 std::shared_ptr<ReadFaults> faults);

}  // namespace vcd::platform
