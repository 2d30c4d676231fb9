#pragma once
#include <QString>

// Disc images made by the build (scripts/make-vcd.sh): real Video CDs from vcdimager.
namespace vcd::test {
inline QString mediaPath(const char* name) { return QStringLiteral(VCD_MEDIA_DIR "/") + QString::fromUtf8(name); }
// demo.cue: PAL, 4 tracks of 6 s.  pal3.cue / ntsc3.cue: 3 tracks of 1 s.
// pal25.cue: 25 tracks of 1 s.  notracks.cue: an MPEGAV folder with only *.TXT files.
// svcd3.cue: a PAL Super Video CD (MPEG2/AVSEQnn.MPG), 3 tracks of 2 s.  svcd2n.cue: NTSC, 2 of 1 s.
// both.cue: a PAL Video CD of 2 tracks of 1 s that also holds MPEG2/AVSEQ01.MPG.
}  // namespace vcd::test
