#include "disc/nrg_check.h"

#include "disc/image_layout.h"

#include <QtEndian>
#include <algorithm>

namespace vcd::disc {

namespace {

// The most a chunk of each kind can hold on a disc of at most 99 tracks: a longer one is damage
// (libcdio would read it whole). Chunks of one number (sessions, media type, an offset) and the
// image's own file name are small as well.
int64_t largestNrgChunk(const QByteArray& id) {
  if (id == "DAOX") return 22 + kMaxTracks * 42;
  if (id == "DAOI") return 22 + kMaxTracks * 30;
  if (id == "ETN2") return kMaxTracks * 32;
  if (id == "ETNF") return kMaxTracks * 20;
  if (id == "CUEX" || id == "CUES") return 4 * kMaxTracks * 8;
  if (id == "AFNM") return 4096;
  if (id == "SINF" || id == "MTYP" || id == "DINF" || id == "TOCT" || id == "RELO") return 64;
  return -1;  // not a chunk we know
}

}  // namespace

Result<void> checkNrg(const DataFile& file) {
  const int64_t size = file.size();
  // Exactly `n` bytes at `at`, or an empty array (a short read: a file cut while it is looked at).
  auto readAt = [&](int64_t at, int64_t n) {
    QByteArray b(static_cast<qsizetype>(n), '\0');
    return file.readAt(reinterpret_cast<uint8_t*>(b.data()), static_cast<size_t>(n), at) ? b : QByteArray();
  };
  if (size < 12) return failure(QStringLiteral("too short for an NRG image"));
  const QByteArray tail = readAt(size - 12, 12);
  if (tail.isEmpty()) return failure(QStringLiteral("its footer cannot be read"));
  int64_t chunks, footer;
  if (tail.startsWith("NER5")) {
    chunks = static_cast<int64_t>(std::min<quint64>(qFromBigEndian<quint64>(tail.constData() + 4), INT64_MAX));
    footer = size - 12;
  } else if (tail.mid(4, 4) == "NERO") {
    chunks = qFromBigEndian<quint32>(tail.constData() + 8);
    footer = size - 8;
  } else {
    return failure(QStringLiteral("no NRG footer (NER5 or NERO) at its end"));
  }
  if (chunks >= footer) return failure(QStringLiteral("its footer points past the end of the image"));
  // libcdio reads everything from the chunks to the end of the file into memory at once.
  if (size - chunks > kMaxNrgChunkBytes)
    return failure(QStringLiteral("its chunks take %1 bytes (at most %2 are read)").arg(size - chunks).arg(kMaxNrgChunkBytes));

  // The chunks, from the footer's offset to END!; every track's data lies before the chunks.
  const auto be = [](const QByteArray& b, int at, int bytes) {
    return bytes == 8 ? static_cast<int64_t>(std::min<quint64>(qFromBigEndian<quint64>(b.constData() + at), INT64_MAX))
                      : static_cast<int64_t>(qFromBigEndian<quint32>(b.constData() + at));
  };
  for (int64_t at = chunks, count = 0;; ++count) {
    if (count > 64 || at > footer - 8) return failure(QStringLiteral("its chunk chain runs past the footer"));
    const QByteArray head = readAt(at, 8);
    if (head.isEmpty()) return failure(QStringLiteral("a chunk cannot be read"));
    const QByteArray id = head.left(4);
    const int64_t length = be(head, 4, 4);
    if (id == "END!") return {};
    const QString name = QString::fromLatin1(id.toHex());
    if (id == "CDTX") {
      // libcdio 2.1 frees its CD-TEXT twice on a malformed block; CD-TEXT is not needed to play.
      return failure(QStringLiteral("CD-TEXT in an NRG image cannot be read safely"));
    }
    const int64_t largest = largestNrgChunk(id);
    if (largest < 0) return failure(QStringLiteral("unknown chunk %1").arg(name));
    if (length > footer - at - 8) return failure(QStringLiteral("chunk %1 runs past the footer").arg(name));
    if (length > largest)
      return failure(QStringLiteral("chunk %1 claims %2 bytes (at most %3)").arg(name).arg(length).arg(largest));
    const QByteArray body = length > 0 ? readAt(at + 8, length) : QByteArray();
    if (body.size() != length) return failure(QStringLiteral("chunk %1 cannot be read").arg(name));
    const auto entries = [&](int header, int entryBytes, int countAt) -> int64_t {
      if (length < header) return -1;
      const int64_t n = countAt < 0 ? (length - header) / entryBytes
                                    : std::max<int>(static_cast<uint8_t>(body[countAt]), static_cast<uint8_t>(body[countAt + 1]));
      if (n > kMaxTracks || header + n * entryBytes > length) return -1;
      return n;
    };
    if (id == "DAOX" || id == "DAOI") {
      const int wide = id == "DAOX" ? 8 : 4;
      const int entryBytes = 18 + 3 * wide;
      const int64_t n = entries(22, entryBytes, 20);
      if (n < 0) return failure(QStringLiteral("its disc-at-once table is malformed or lists more than 99 tracks"));
      for (int64_t k = 0; k < n; ++k) {
        const int e = 22 + static_cast<int>(k) * entryBytes + 18;
        const int64_t index0 = be(body, e, wide), index1 = be(body, e + wide, wide), end = be(body, e + 2 * wide, wide);
        if (index0 > index1 || index1 > end || end > chunks)
          return failure(QStringLiteral("track %1's data lies outside the image").arg(k + 1));
      }
    } else if (id == "ETN2" || id == "ETNF") {
      const int wide = id == "ETN2" ? 8 : 4;
      const int64_t n = entries(0, id == "ETN2" ? 32 : 20, -1);
      if (n < 0 || length % (id == "ETN2" ? 32 : 20) != 0) return failure(QStringLiteral("its track table is malformed"));
      for (int64_t k = 0; k < n; ++k) {
        const int e = static_cast<int>(k) * (id == "ETN2" ? 32 : 20);
        const int64_t start = be(body, e, wide), len = be(body, e + wide, wide);
        if (start > chunks || len > chunks - start) return failure(QStringLiteral("track %1's data lies outside the image").arg(k + 1));
      }
    } else if (id == "CUEX" || id == "CUES") {
      // libcdio 2.1 crashes on an empty one.
      if (length == 0 || length % 8 != 0) return failure(QStringLiteral("its cue table is malformed"));
    } else if ((id == "SINF" || id == "MTYP") && length < 4) {
      // libcdio reads a number of four bytes from each.
      return failure(QStringLiteral("chunk %1 is too short").arg(name));
    }
    at += 8 + length;
  }
}

}  // namespace vcd::disc
