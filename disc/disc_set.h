#pragma once
#include "disc/result.h"

#include <QByteArray>
#include <QString>

// Which disc of a set this is: the info record a Video CD carries in VCD/INFO.VCD (a Super Video
// CD in SVCD/INFO.SVD), as vcdimager and the authoring tools write it. A film on two or three
// discs gives every disc the same album id and its own number.
namespace vcd::disc {

struct DiscSetInfo {
  QString systemId;      // "VIDEO_CD", "SUPERVCD" or "HQ-VCD"
  int version = 0;       // 1 (VCD 1.1, SVCD 1.0) or 2 (VCD 2.0)
  QString albumId;       // up to 16 characters, padding taken off; may be empty
  int volumeCount = 1;   // discs in the set, 1 or more
  int volumeNumber = 1;  // this disc's place in the set, 1..volumeCount
  // More discs follow this one.
  bool continues() const { return volumeNumber < volumeCount; }
  // `other` is the next disc of this set.
  bool isFollowedBy(const DiscSetInfo& other) const {
    return continues() && other.albumId == albumId && other.volumeCount == volumeCount &&
           other.volumeNumber == volumeNumber + 1;
  }
  bool operator==(const DiscSetInfo&) const = default;
};

// The info files, in the order they are looked for.
inline constexpr const char16_t* kVideoCdInfoFile = u"/VCD/INFO.VCD";
inline constexpr const char16_t* kSvcdInfoFile = u"/SVCD/INFO.SVD";

// Reads the record from the start of the file. Fails for a record too short to hold the set's
// numbers, an unknown system id, a volume count of 0 or a number outside 1..count, and an album
// id holding control characters.
Result<DiscSetInfo> parseDiscSetInfo(const QByteArray& file);

}  // namespace vcd::disc
