#include "disc/image_disc.h"

#include <algorithm>

namespace vcd::disc {

namespace {

class ImageDisc : public DiscHandle {
 public:
  ImageDisc(std::shared_ptr<VirtualDisc> disc, std::shared_ptr<const ImageLayout> layout)
      : virtual_(std::move(disc)), layout_(std::move(layout)) {}

  bool readSectors(uint8_t* buf, uint32_t lsn, uint32_t count, bool form2) override {
    if (!virtual_->present()) return false;
    const int out = form2 ? kForm2SectorBytes : kForm1SectorBytes;
    while (count > 0) {
      const ImageRun* run = runAt(lsn);
      if (run == nullptr || !run->file) return false;
      const uint32_t n = std::min(count, run->lsn + run->sectors - lsn);
      if (!readRun(*run, buf, lsn, n, form2)) return false;
      buf += static_cast<size_t>(n) * out;
      lsn += n;
      count -= n;
    }
    return true;
  }

  uint32_t endLsn() override { return layout_->endLsn; }

  bool storesForm2(uint32_t lsn) override {
    const ImageRun* run = runAt(lsn);
    return run == nullptr || dataOffset(run->layout, true) >= 0;
  }

  bool mediumPresent() override {
    if (!virtual_->present()) return false;
    return std::all_of(layout_->runs.begin(), layout_->runs.end(),
                       [](const ImageRun& r) { return !r.file || r.file->stillThere(); });
  }

 private:
  const ImageRun* runAt(uint32_t lsn) const {
    const auto& runs = layout_->runs;
    auto it = std::upper_bound(runs.begin(), runs.end(), lsn, [](uint32_t l, const ImageRun& r) { return l < r.lsn; });
    if (it == runs.begin()) return nullptr;
    --it;
    return lsn - it->lsn < it->sectors ? &*it : nullptr;
  }

  static bool readRun(const ImageRun& run, uint8_t* buf, uint32_t lsn, uint32_t n, bool form2) {
    const int at = dataOffset(run.layout, form2);
    if (at < 0) return false;
    const int out = form2 ? kForm2SectorBytes : kForm1SectorBytes;
    const int64_t offset = run.offset + static_cast<int64_t>(lsn - run.lsn) * run.blockBytes;
    // A Form 2 payload stored with its subheader in front: the subheader must have been written.
    const bool subheaders = form2 && at >= kSubheaderBytes;
    return run.file->readBlocks(buf, offset + at, n, run.blockBytes, out, subheaders);
  }

  std::shared_ptr<VirtualDisc> virtual_;
  std::shared_ptr<const ImageLayout> layout_;
};

}  // namespace

std::unique_ptr<DiscHandle> openImageDisc(std::shared_ptr<VirtualDisc> disc, const SheetImage& image) {
  return std::make_unique<ImageDisc>(std::move(disc), image.layout);
}

}  // namespace vcd::disc
