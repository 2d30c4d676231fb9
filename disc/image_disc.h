#pragma once
#include "disc/sectors.h"
#include "disc/virtual_disc.h"

#include <memory>

namespace vcd::disc {

// The sectors of a CUE, TOC or ISO image in a virtual drive, read with one pread per batch from
// the files its sheet named (opened and checked once, when the image went into the drive). A
// disc taken out of the drive reads nothing; one whose files were deleted is gone.
std::unique_ptr<DiscHandle> openImageDisc(std::shared_ptr<VirtualDisc> disc, const SheetImage& image);

}  // namespace vcd::disc
