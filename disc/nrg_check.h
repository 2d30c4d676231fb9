#pragma once
#include "disc/data_file.h"
#include "disc/result.h"

#include <cstdint>

// NRG images are read through libcdio (by the drive table); they are only checked here first.
namespace vcd::disc {

// The most an NRG image's chunks and footer take (a real one takes a few KiB): libcdio reads all
// of it into memory at once.
inline constexpr int64_t kMaxNrgChunkBytes = 1 << 20;

// Whether an NRG image's structure lies inside the file: the footer ("NER5"/"NERO") points at a
// chain of known chunks that fits before it and ends in "END!", each no longer than a disc of 99
// tracks needs, the whole chain at most kMaxNrgChunkBytes; track tables of at most 99 tracks whose
// data lies inside the file. What libcdio would otherwise choke on; nothing larger than the
// chunk a length claims (bounded as above) is ever read.
Result<void> checkNrg(const DataFile& file);

}  // namespace vcd::disc
