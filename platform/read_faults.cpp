#include "platform/read_faults.h"

#include <thread>

namespace vcd::platform {

void ReadFaults::setLatency(Clock::duration perRead, Clock::duration perFailedRead) {
  std::lock_guard lock(mutex_);
  perRead_ = perRead;
  perFailedRead_ = perFailedRead;
}

void ReadFaults::add(uint32_t lsn, uint32_t count, const Fault& fault) {
  std::lock_guard lock(mutex_);
  for (uint32_t i = 0; i < count; ++i) faults_[lsn + i] = fault;
}

void ReadFaults::failForGood(uint32_t lsn, uint32_t count) { add(lsn, count, Fault{}); }

void ReadFaults::failForAttempts(uint32_t lsn, uint32_t count, int attempts) {
  add(lsn, count, Fault{attempts, Clock::duration::max(), std::nullopt});
}

void ReadFaults::failFor(uint32_t lsn, uint32_t count, Clock::duration span) {
  add(lsn, count, Fault{-1, span, std::nullopt});
}

void ReadFaults::clear() {
  std::lock_guard lock(mutex_);
  faults_.clear();
}

int64_t ReadFaults::failedReads() const {
  std::lock_guard lock(mutex_);
  return failedReads_;
}

std::vector<bool> ReadFaults::speedChanges() const {
  std::lock_guard lock(mutex_);
  return speedChanges_;
}

bool ReadFaults::slow() const {
  std::lock_guard lock(mutex_);
  return slow_;
}

void ReadFaults::setSlow(bool slow) {
  std::lock_guard lock(mutex_);
  if (slow == slow_) return;
  slow_ = slow;
  speedChanges_.push_back(slow);
}

bool ReadFaults::readFails(uint32_t lsn, uint32_t count) {
  bool fails = false;
  Clock::duration wait{};
  {
    std::lock_guard lock(mutex_);
    const auto now = Clock::now();
    for (auto it = faults_.lower_bound(lsn); it != faults_.end() && it->first - lsn < count; ++it) {
      Fault& f = it->second;
      if (!f.until && f.span != Clock::duration::max()) f.until = now + f.span;
      if (f.attemptsLeft == 0 || (f.until && now >= *f.until)) continue;
      if (f.attemptsLeft > 0) --f.attemptsLeft;
      fails = true;
    }
    if (fails) ++failedReads_;
    wait = fails ? perFailedRead_ : perRead_;
  }
  // The drive is busy with this read alone; another stream's read waits its own time.
  if (wait > Clock::duration::zero()) std::this_thread::sleep_for(wait);
  return fails;
}

namespace {

class FaultyDisc : public disc::DiscHandle {
 public:
  FaultyDisc(std::unique_ptr<disc::DiscHandle> disc, std::shared_ptr<ReadFaults> faults)
      : disc_(std::move(disc)), faults_(std::move(faults)) {}

  bool readSectors(uint8_t* buf, uint32_t lsn, uint32_t count, bool form2) override {
    return !faults_->readFails(lsn, count) && disc_->readSectors(buf, lsn, count, form2);
  }
  uint32_t endLsn() override { return disc_->endLsn(); }
  bool mediumPresent() override { return disc_->mediumPresent(); }
  bool storesForm2(uint32_t lsn) override { return disc_->storesForm2(lsn); }
  bool setSlowReading(bool slow) override {
    faults_->setSlow(slow);
    return true;
  }
  bool slowReading() override { return faults_->slow(); }

 private:
  std::unique_ptr<disc::DiscHandle> disc_;
  std::shared_ptr<ReadFaults> faults_;
};

}  // namespace

std::unique_ptr<disc::DiscHandle> withReadFaults(std::unique_ptr<disc::DiscHandle> disc,
                                                 std::shared_ptr<ReadFaults> faults) {
  return std::make_unique<FaultyDisc>(std::move(disc), std::move(faults));
}

}  // namespace vcd::platform
