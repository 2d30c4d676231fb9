#pragma once
#include "disc/image_layout.h"

namespace vcd::disc {

// A cdrdao TOC file: TRACK (mode and optional subchannel mode), DATAFILE / FILE / AUDIOFILE
// (offset "#n", start and length as times, samples or bytes), ZERO / SILENCE / PREGAP, START,
// INDEX; CD_TEXT blocks and flags are skipped; FIFO and anything unknown refuse the sheet.
// Data must lie inside its file.
Result<ImageLayout> parseTocSheet(const QByteArray& text, const SheetFileOpener& open);

}  // namespace vcd::disc
