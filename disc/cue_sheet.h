#pragma once
#include "disc/image_layout.h"

namespace vcd::disc {

// A cue sheet: FILE (BINARY or MOTOROLA), TRACK (1..99, numbered in order, each with an
// INDEX 01), INDEX, PREGAP, POSTGAP; CD-TEXT and other descriptive lines are ignored (a
// CDTEXTFILE is never opened); any other keyword, a bad time or number refuses the sheet. A
// sheet with no FILE and no TRACK at all stands for `sameNamedBin` as one Mode 2 track.
// A leading UTF-8 byte-order mark and CR LF line ends are accepted.
Result<ImageLayout> parseCueSheet(const QByteArray& text, const SheetFileOpener& open, const SheetFileOpener& sameNamedBin);

}  // namespace vcd::disc
