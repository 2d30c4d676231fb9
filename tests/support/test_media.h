#pragma once
#include <QString>

// Disc images made by the build (scripts/make-vcd.sh): real Video CDs from vcdimager.
namespace vcd::test {
inline QString mediaPath(const char* name) { return QStringLiteral(VCD_MEDIA_DIR "/") + QString::fromUtf8(name); }
// demo.cue: PAL, 4 tracks of 6 s.  pal3.cue / ntsc3.cue: 3 tracks of 1 s.
// pal25.cue: 25 tracks of 1 s.  notracks.cue: an MPEGAV folder with only *.TXT files.
}  // namespace vcd::test
