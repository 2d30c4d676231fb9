#include "disc/disc_set.h"

#include <array>

namespace vcd::disc {
namespace {

// Offsets of the record's fields (all numbers big-endian).
constexpr int kSystemIdAt = 0, kSystemIdBytes = 8;
constexpr int kVersionAt = 8;
constexpr int kAlbumAt = 10, kAlbumBytes = 16;
constexpr int kVolumeCountAt = 26;
constexpr int kVolumeNumberAt = 28;
constexpr int kRecordBytes = 30;  // as far as this reader looks

constexpr std::array<const char*, 3> kSystemIds = {"VIDEO_CD", "SUPERVCD", "HQ-VCD  "};

int bigEndian16(const QByteArray& b, int at) {
  return (static_cast<uint8_t>(b[at]) << 8) | static_cast<uint8_t>(b[at + 1]);
}

}  // namespace

Result<DiscSetInfo> parseDiscSetInfo(const QByteArray& file) {
  if (file.size() < kRecordBytes)
    return failure(QStringLiteral("the info record holds %1 bytes, too few for a disc set").arg(file.size()));
  const QByteArray id = file.mid(kSystemIdAt, kSystemIdBytes);
  bool known = false;
  for (const char* k : kSystemIds) known = known || id == QByteArray(k);
  if (!known) return failure(QStringLiteral("unknown system id %1").arg(QString::fromLatin1(id.toHex())));

  DiscSetInfo info;
  info.systemId = QString::fromLatin1(id).trimmed();
  info.version = static_cast<uint8_t>(file[kVersionAt]);
  QByteArray album = file.mid(kAlbumAt, kAlbumBytes);
  // Padded with blanks (or zeros, by some tools); a zero ends it.
  if (const int nul = album.indexOf('\0'); nul >= 0) album.truncate(nul);
  for (const char c : album)
    if (static_cast<uint8_t>(c) < 0x20 || c == 0x7f) return failure(QStringLiteral("the album id holds control characters"));
  info.albumId = QString::fromLatin1(album).trimmed();
  info.volumeCount = bigEndian16(file, kVolumeCountAt);
  info.volumeNumber = bigEndian16(file, kVolumeNumberAt);
  if (info.volumeCount < 1) return failure(QStringLiteral("the set has no discs"));
  if (info.volumeNumber < 1 || info.volumeNumber > info.volumeCount)
    return failure(QStringLiteral("disc %1 of a set of %2").arg(info.volumeNumber).arg(info.volumeCount));
  return info;
}

}  // namespace vcd::disc
