#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

// Malformed Video CDs made from good vcdimager images by changing bytes of the BIN (raw
// 2,352-byte Mode 2 sectors) or lines of the CUE. Shared by the robustness tests and the
// program that turns them into fuzzing seeds.
namespace vcd::fuzz::mutations {

inline constexpr int kRaw = 2352;
inline constexpr int kUserData = 24;  // sync (12) + header (4) + XA subheader (8)

// The user data of a Form 1 sector, and the payload of a Form 2 one, start 24 bytes in.
inline qsizetype userData(uint32_t lsn) { return qsizetype(lsn) * kRaw + kUserData; }

// The offset in the BIN of the directory record with this stored name ("MPEGAV", "AVSEQ01.DAT;1"),
// or -1. The record is the one whose name-length byte matches, 33 bytes before the name.
qsizetype recordOf(const QByteArray& bin, const QByteArray& storedName);
uint32_t recordLsn(const QByteArray& bin, qsizetype record);
uint32_t recordSize(const QByteArray& bin, qsizetype record);
// Both-endian fields: the extent at 2 (LE) / 6 (BE), the data length at 10 / 14.
void setRecordLsn(QByteArray& bin, qsizetype record, uint32_t lsn);
void setRecordSize(QByteArray& bin, qsizetype record, uint32_t size);

// The first sector of a file found by its stored name (ENTRIES.VCD;1, INFO.VCD;1).
uint32_t fileLsn(const QByteArray& bin, const QByteArray& storedName);

// Where the root directory's size is written: in the volume descriptor (sector 16) and in the
// root's own "." record.
void setRootSize(QByteArray& bin, uint32_t size);

// Fills the payload of every sector of a file (Form 2: 2,324 bytes each; the headers stay) with
// what `fill` gives for the n-th payload byte of the file.
void fillPayload(QByteArray& bin, const QByteArray& storedName, const std::function<char(qsizetype)>& fill);
// Overwrites whole raw sectors (headers too) with zeros: the drive cannot read them.
void zeroRawSectors(QByteArray& bin, uint32_t first, uint32_t count);

// One named malformation of a BIN; `apply` returns false when the image does not allow it.
struct BinMutation {
  const char* name;
  std::function<bool(QByteArray&)> apply;
};
// The malformations of the disc's file system and Video CD files, in a fixed order.
std::vector<BinMutation> binMutations();

// Cue sheets for an image whose BIN is `binName` and is `sectors` long; each named.
struct CueSheet {
  const char* name;
  QByteArray text;
};
std::vector<CueSheet> malformedCueSheets(const QByteArray& binName, uint32_t sectors);

}  // namespace vcd::fuzz::mutations
