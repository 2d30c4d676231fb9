#include "platform/image_sheets.h"

#include "platform/file_names.h"

#include <unistd.h>

#include <QList>
#include <QtEndian>
#include <algorithm>

namespace vcd::platform {

namespace {

constexpr int kFramesPerSecond = 75;
constexpr uint64_t kMaxLsn = 0x7FFFFFFFu;  // some 4.7 TB of raw sectors: anything more is damage
constexpr qsizetype kMaxLineBytes = 4096;

struct Format {
  int blockBytes;
  SectorLayout layout;
};

std::optional<Format> cueMode(const QByteArray& mode) {
  static const struct {
    const char* name;
    Format format;
  } modes[] = {{"AUDIO", {2352, SectorLayout::Audio}},         {"CDG", {2448, SectorLayout::Audio}},
               {"MODE1/2048", {2048, SectorLayout::Data2048}}, {"MODE1/2352", {2352, SectorLayout::RawMode1}},
               {"MODE2/2048", {2048, SectorLayout::Data2048}}, {"MODE2/2324", {2324, SectorLayout::Form2Only}},
               {"MODE2/2336", {2336, SectorLayout::Mode2}},    {"MODE2/2352", {2352, SectorLayout::Raw}},
               {"CDI/2336", {2336, SectorLayout::Mode2}},      {"CDI/2352", {2352, SectorLayout::Raw}}};
  for (const auto& m : modes)
    if (mode.compare(m.name, Qt::CaseInsensitive) == 0) return m.format;
  return std::nullopt;
}

std::optional<Format> tocMode(const QByteArray& mode) {
  static const struct {
    const char* name;
    Format format;
  } modes[] = {{"AUDIO", {2352, SectorLayout::Audio}},          {"MODE0", {2336, SectorLayout::Audio}},
               {"MODE1", {2048, SectorLayout::Data2048}},       {"MODE1_RAW", {2352, SectorLayout::RawMode1}},
               {"MODE2", {2336, SectorLayout::Mode2}},          {"MODE2_FORM1", {2048, SectorLayout::Data2048}},
               {"MODE2_FORM2", {2324, SectorLayout::Form2Only}}, {"MODE2_FORM_MIX", {2336, SectorLayout::Mode2}},
               {"MODE2_RAW", {2352, SectorLayout::Raw}}};
  for (const auto& m : modes)
    if (mode == m.name) return m.format;
  return std::nullopt;
}

bool allDigits(QByteArrayView s, int maxDigits) {
  if (s.isEmpty() || s.size() > maxDigits) return false;
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "mm:ss:ff" as frames; minutes up to 99, seconds below 60, frames below 75.
std::optional<uint32_t> msf(const QByteArray& text) {
  const QList<QByteArray> parts = text.split(':');
  if (parts.size() != 3 || !allDigits(parts[0], 3) || !allDigits(parts[1], 2) || !allDigits(parts[2], 2))
    return std::nullopt;
  const uint32_t m = parts[0].toUInt(), s = parts[1].toUInt(), f = parts[2].toUInt();
  if (m > 99 || s >= 60 || f >= kFramesPerSecond) return std::nullopt;
  return (m * 60 + s) * kFramesPerSecond + f;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Words of a line; a double-quoted word may hold spaces.
QList<QByteArray> words(const QByteArray& line) {
  QList<QByteArray> out;
  qsizetype i = 0;
  while (i < line.size()) {
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i >= line.size()) break;
    if (line[i] == '"') {
      const qsizetype end = line.indexOf('"', i + 1);
      const qsizetype stop = end < 0 ? line.size() : end;
      out << line.mid(i + 1, stop - i - 1);
      i = stop + 1;
    } else {
      qsizetype end = i;
      while (end < line.size() && !isBlank(line[end])) ++end;
      out << line.mid(i, end - i);
      i = end;
    }
  }
  return out;
}

bool refuse(QString* why, const QString& reason) {
  *why = reason;
  return false;
}

// Appends the runs of one stretch of the disc; false when the disc grows past any real one.
class LayoutBuilder {
 public:
  bool gap(uint64_t sectors) { return advance(sectors); }
  bool stored(const std::shared_ptr<ImageFile>& file, int64_t offset, uint64_t sectors, uint64_t storedSectors,
              const Format& f) {
    storedSectors = std::min(storedSectors, sectors);
    if (storedSectors > 0) {
      layout_.runs.push_back(ImageRun{static_cast<uint32_t>(lsn_), static_cast<uint32_t>(std::min<uint64_t>(storedSectors, kMaxLsn)),
                                      file, offset, f.blockBytes, f.layout});
      storedEnd_ = std::min<uint64_t>(lsn_ + storedSectors, kMaxLsn);
    }
    return advance(sectors);
  }
  ImageLayout finish(int tracks) {
    layout_.endLsn = static_cast<uint32_t>(storedEnd_);
    layout_.tracks = tracks;
    return std::move(layout_);
  }

 private:
  bool advance(uint64_t sectors) {
    lsn_ += sectors;
    return lsn_ <= kMaxLsn;
  }
  ImageLayout layout_;
  uint64_t lsn_ = 0;
  uint64_t storedEnd_ = 0;
};

// Sectors of `bytes` left in a file from `offset` on.
uint64_t sectorsLeft(const ImageFile& file, int64_t offset, int blockBytes) {
  return offset >= file.size() ? 0 : static_cast<uint64_t>((file.size() - offset) / blockBytes);
}

}  // namespace

// ---- CUE ------------------------------------------------------------------------------------

std::optional<ImageLayout> parseCueSheet(const QByteArray& input, const SheetFileOpener& open,
                                         const SheetFileOpener& sameNamedBin, QString* why) {
  struct Track {
    Format format;
    int file;
    std::optional<uint32_t> start;  // the first INDEX given: where the track's data starts in its file
    bool hasIndex1 = false;
    uint32_t pregap = 0, postgap = 0;
  };
  if (input.size() > kMaxSheetBytes) return refuse(why, QStringLiteral("the sheet is larger than 64 KiB")), std::nullopt;
  QByteArray text = input;
  if (text.startsWith("\xEF\xBB\xBF")) text.remove(0, 3);
  std::vector<std::shared_ptr<ImageFile>> files;
  std::vector<Track> tracks;
  int lastNumber = 0;
  int lineNumber = 0;
  auto fail = [&](const QString& reason) {
    *why = QStringLiteral("line %1: %2").arg(lineNumber).arg(reason);
    return std::nullopt;
  };
  static const char* const kIgnored[] = {"REM", "CATALOG", "CDTEXTFILE", "PERFORMER", "TITLE", "SONGWRITER",
                                         "FLAGS", "ISRC", "ARRANGER", "COMPOSER", "MESSAGE", "DISC_ID", "GENRE",
                                         "TOC_INFO1", "TOC_INFO2", "UPC_EAN", "SIZE_INFO"};
  for (const QByteArray& line : text.split('\n')) {
    ++lineNumber;
    if (line.size() > kMaxLineBytes) return fail(QStringLiteral("longer than %1 bytes").arg(kMaxLineBytes));
    const QList<QByteArray> w = words(line);
    if (w.isEmpty()) continue;
    const QByteArray key = w[0].toUpper();
    if (std::any_of(std::begin(kIgnored), std::end(kIgnored), [&](const char* k) { return key == k; })) continue;
    if (key == "FILE") {
      if (w.size() != 3) return fail(QStringLiteral("FILE needs a name and a type"));
      const QByteArray type = w[2].toUpper();
      if (type != "BINARY" && type != "MOTOROLA")
        return fail(QStringLiteral("FILE of type %1 cannot be read").arg(QString::fromLatin1(w[2])));
      QString reason;
      auto file = open(nameFromBytes(w[1]), &reason);
      if (!file) return fail(reason);
      files.push_back(std::move(file));
    } else if (key == "TRACK") {
      if (files.empty()) return fail(QStringLiteral("TRACK before any FILE"));
      if (w.size() != 3 || !allDigits(w[1], 2)) return fail(QStringLiteral("TRACK needs a number and a mode"));
      const int number = w[1].toInt();
      if (number < 1 || (lastNumber > 0 && number != lastNumber + 1) || tracks.size() >= kMaxTracks)
        return fail(QStringLiteral("track %1 out of order (tracks run from 1 to 99)").arg(number));
      const auto format = cueMode(w[2]);
      if (!format) return fail(QStringLiteral("unknown track mode %1").arg(QString::fromLatin1(w[2])));
      lastNumber = number;
      tracks.push_back(Track{*format, static_cast<int>(files.size()) - 1, std::nullopt});
    } else if (key == "INDEX" || key == "PREGAP" || key == "POSTGAP") {
      if (tracks.empty()) return fail(QStringLiteral("%1 outside a track").arg(QString::fromLatin1(key)));
      const bool index = key == "INDEX";
      if (w.size() != (index ? 3 : 2) || (index && !allDigits(w[1], 2)))
        return fail(QStringLiteral("malformed %1").arg(QString::fromLatin1(key)));
      const auto frames = msf(w.back());
      if (!frames) return fail(QStringLiteral("%1 is not a time (mm:ss:ff)").arg(QString::fromLatin1(w.back())));
      Track& t = tracks.back();
      if (!index) {
        (key == "PREGAP" ? t.pregap : t.postgap) = *frames;
      } else {
        if (!t.start) t.start = *frames;
        if (w[1].toInt() == 1) t.hasIndex1 = true;
      }
    } else {
      return fail(QStringLiteral("unknown keyword %1").arg(QString::fromLatin1(w[0].left(40))));
    }
  }

  if (files.empty() && tracks.empty()) {
    // Nothing but comments: the BIN named like the sheet, as one Mode 2 track.
    QString reason;
    auto bin = sameNamedBin ? sameNamedBin(QString(), &reason) : nullptr;
    if (!bin) return refuse(why, QStringLiteral("the sheet names no track")), std::nullopt;
    files.push_back(bin);
    tracks.push_back(Track{Format{2352, SectorLayout::Raw}, 0, 0u, true});
  }
  if (tracks.empty()) return refuse(why, QStringLiteral("the sheet names no track")), std::nullopt;
  for (size_t i = 0; i < tracks.size(); ++i)
    if (!tracks[i].hasIndex1) return refuse(why, QStringLiteral("track %1 has no INDEX 01").arg(i + 1)), std::nullopt;

  LayoutBuilder builder;
  for (size_t i = 0; i < tracks.size();) {
    // The tracks of one file: each runs from its first index to the next track's (never backwards).
    const int f = tracks[i].file;
    const ImageFile& file = *files[static_cast<size_t>(f)];
    size_t end = i;
    while (end < tracks.size() && tracks[end].file == f) ++end;
    int64_t offset = 0;
    uint32_t from = 0;
    for (size_t k = i; k < end; ++k) {
      const Track& t = tracks[k];
      const uint32_t next = k + 1 < end ? std::max(from, *tracks[k + 1].start) : from;
      const uint64_t left = sectorsLeft(file, offset, t.format.blockBytes);
      const uint64_t frames = k + 1 < end ? next - from : left;
      if (!builder.gap(t.pregap) || !builder.stored(files[static_cast<size_t>(f)], offset, frames, left, t.format) ||
          !builder.gap(t.postgap))
        return refuse(why, QStringLiteral("the disc it describes is too large")), std::nullopt;
      offset += static_cast<int64_t>(frames) * t.format.blockBytes;
      from = next;
    }
    i = end;
  }
  return builder.finish(static_cast<int>(tracks.size()));
}

// ---- TOC ------------------------------------------------------------------------------------

namespace {

// The tokens of a TOC file: words, quoted strings, braces and "#offset"; "//" comments dropped.
struct TocToken {
  enum Kind { Word, String, Open, Close } kind;
  QByteArray text;
};

std::vector<TocToken> tocTokens(const QByteArray& t) {
  std::vector<TocToken> out;
  qsizetype i = 0;
  const qsizetype n = t.size();
  while (i < n) {
    const char c = t[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',') {
      ++i;
    } else if (c == '/' && i + 1 < n && t[i + 1] == '/') {
      while (i < n && t[i] != '\n') ++i;
    } else if (c == '{' || c == '}') {
      out.push_back({c == '{' ? TocToken::Open : TocToken::Close, {}});
      ++i;
    } else if (c == '"') {
      QByteArray s;
      for (++i; i < n && t[i] != '"'; ++i) {
        if (t[i] == '\\' && i + 1 < n) ++i;  // \" and \\ (octal escapes only occur in CD-TEXT)
        s += t[i];
      }
      ++i;
      out.push_back({TocToken::String, s});
    } else {
      const qsizetype from = i;
      while (i < n && !QByteArrayView(" \t\r\n{}\",").contains(t[i])) ++i;
      out.push_back({TocToken::Word, t.mid(from, i - from)});
    }
  }
  return out;
}

bool isLength(const TocToken& t) {
  return t.kind == TocToken::Word && (allDigits(t.text, 12) || msf(t.text).has_value());
}

// A length or position: a time is sectors of 2,352 bytes, a plain number is `unitBytes` each
// (audio samples of 4 bytes, or bytes).
uint64_t lengthBytes(const QByteArray& text, int unitBytes) {
  if (const auto frames = msf(text)) return uint64_t(*frames) * 2352;
  return text.toULongLong() * static_cast<uint64_t>(unitBytes);
}

}  // namespace

std::optional<ImageLayout> parseTocSheet(const QByteArray& text, const SheetFileOpener& open, QString* why) {
  if (text.size() > kMaxSheetBytes) return refuse(why, QStringLiteral("the sheet is larger than 64 KiB")), std::nullopt;
  const std::vector<TocToken> tokens = tocTokens(text.startsWith("\xEF\xBB\xBF") ? text.mid(3) : text);
  size_t i = 0;
  auto fail = [&](const QString& reason) {
    *why = reason;
    return std::nullopt;
  };
  auto word = [&](const char* w) { return i < tokens.size() && tokens[i].kind == TocToken::Word && tokens[i].text == w; };
  auto skipBlock = [&]() {  // at "{": to just past its "}"
    int depth = 0;
    do {
      if (tokens[i].kind == TocToken::Open) ++depth;
      if (tokens[i].kind == TocToken::Close) --depth;
      ++i;
    } while (i < tokens.size() && depth > 0);
    return depth == 0;
  };

  LayoutBuilder builder;
  std::optional<Format> track;
  int tracks = 0;
  while (i < tokens.size()) {
    const TocToken& t = tokens[i];
    if (t.kind != TocToken::Word) return fail(QStringLiteral("unexpected %1").arg(QString::fromLatin1(t.text.left(40))));
    const QByteArray key = t.text;
    ++i;
    if (key == "CD_DA" || key == "CD_ROM" || key == "CD_ROM_XA" || key == "CD_I" || key == "COPY" ||
        key == "PRE_EMPHASIS" || key == "TWO_CHANNEL_AUDIO" || key == "FOUR_CHANNEL_AUDIO") {
      continue;
    } else if (key == "NO") {
      if (!word("COPY") && !word("PRE_EMPHASIS")) return fail(QStringLiteral("NO without COPY or PRE_EMPHASIS"));
      ++i;
    } else if (key == "CATALOG" || key == "ISRC") {
      if (i >= tokens.size() || tokens[i].kind != TocToken::String) return fail(QStringLiteral("%1 needs a string").arg(QString::fromLatin1(key)));
      ++i;
    } else if (key == "CD_TEXT") {
      if (i >= tokens.size() || tokens[i].kind != TocToken::Open || !skipBlock()) return fail(QStringLiteral("unclosed CD_TEXT block"));
    } else if (key == "TRACK") {
      if (++tracks > kMaxTracks) return fail(QStringLiteral("more than 99 tracks"));
      track = i < tokens.size() ? tocMode(tokens[i].text) : std::nullopt;
      if (!track) return fail(QStringLiteral("TRACK without a known mode"));
      ++i;
      if (word("RW") || word("RW_RAW")) track->blockBytes += 96, ++i;
    } else if (!track) {
      return fail(QStringLiteral("%1 outside a track").arg(QString::fromLatin1(key.left(40))));
    } else if (key == "PREGAP" || key == "SILENCE" || key == "ZERO") {
      if (key == "ZERO" && i < tokens.size() && tocMode(tokens[i].text)) ++i;
      if (key == "ZERO" && (word("RW") || word("RW_RAW"))) ++i;
      if (i >= tokens.size() || !isLength(tokens[i])) return fail(QStringLiteral("%1 needs a length").arg(QString::fromLatin1(key)));
      if (!builder.gap(lengthBytes(tokens[i++].text, 4) / 2352)) return fail(QStringLiteral("the disc it describes is too large"));
    } else if (key == "START" || key == "INDEX") {
      if (i < tokens.size() && tokens[i].kind == TocToken::Word && msf(tokens[i].text)) ++i;
      else if (key == "INDEX") return fail(QStringLiteral("INDEX needs a time"));
    } else if (key == "DATAFILE" || key == "FILE" || key == "AUDIOFILE") {
      if (i >= tokens.size() || tokens[i].kind != TocToken::String) return fail(QStringLiteral("%1 needs a file name").arg(QString::fromLatin1(key)));
      const QString written = nameFromBytes(tokens[i++].text);
      uint64_t offset = 0;
      if (i < tokens.size() && tokens[i].kind == TocToken::Word && tokens[i].text.startsWith('#')) {
        if (!allDigits(QByteArrayView(tokens[i].text).sliced(1), 12)) return fail(QStringLiteral("bad file offset"));
        offset = tokens[i++].text.mid(1).toULongLong();
      }
      const bool data = key == "DATAFILE";
      const int unit = data ? 1 : 4;
      if (!data) {  // FILE and AUDIOFILE name where in the file the track starts
        if (i >= tokens.size() || !isLength(tokens[i])) return fail(QStringLiteral("%1 needs a start").arg(QString::fromLatin1(key)));
        offset += lengthBytes(tokens[i++].text, unit);
      }
      std::optional<uint64_t> length;
      if (i < tokens.size() && isLength(tokens[i])) length = lengthBytes(tokens[i++].text, unit);
      QString reason;
      auto file = open(written, &reason);
      if (!file) return fail(reason);
      const auto size = static_cast<uint64_t>(file->size());
      if (offset > size || (length && *length > size - offset))
        return fail(QStringLiteral("the data of \"%1\" lies past its end").arg(written));
      const uint64_t sectors = (length ? *length : size - offset) / static_cast<uint64_t>(track->blockBytes);
      if (!builder.stored(file, static_cast<int64_t>(offset), sectors, sectors, *track))
        return fail(QStringLiteral("the disc it describes is too large"));
    } else {
      return fail(QStringLiteral("unknown keyword %1").arg(QString::fromLatin1(key.left(40))));
    }
  }
  if (tracks == 0) return fail(QStringLiteral("the sheet names no track"));
  return builder.finish(tracks);
}

// ---- ISO and NRG ----------------------------------------------------------------------------

ImageLayout isoLayout(std::shared_ptr<ImageFile> file) {
  LayoutBuilder builder;
  const uint64_t sectors = std::min<uint64_t>(sectorsLeft(*file, 0, 2048), kMaxLsn);
  builder.stored(file, 0, sectors, sectors, Format{2048, SectorLayout::Data2048});
  return builder.finish(1);
}

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

bool checkNrg(const ImageFile& file, QString* why) {
  const int64_t size = file.size();
  // Exactly `n` bytes at `at`, or an empty array (a short read: a file cut while it is looked at).
  auto readAt = [&](int64_t at, int64_t n) {
    QByteArray b(static_cast<qsizetype>(n), '\0');
    return readFully(file.fd(), reinterpret_cast<uint8_t*>(b.data()), static_cast<size_t>(n), at) ? b : QByteArray();
  };
  if (size < 12) return refuse(why, QStringLiteral("too short for an NRG image"));
  const QByteArray tail = readAt(size - 12, 12);
  if (tail.isEmpty()) return refuse(why, QStringLiteral("its footer cannot be read"));
  int64_t chunks, footer;
  if (tail.startsWith("NER5")) {
    chunks = static_cast<int64_t>(std::min<quint64>(qFromBigEndian<quint64>(tail.constData() + 4), INT64_MAX));
    footer = size - 12;
  } else if (tail.mid(4, 4) == "NERO") {
    chunks = qFromBigEndian<quint32>(tail.constData() + 8);
    footer = size - 8;
  } else {
    return refuse(why, QStringLiteral("no NRG footer (NER5 or NERO) at its end"));
  }
  if (chunks >= footer) return refuse(why, QStringLiteral("its footer points past the end of the image"));
  // libcdio reads everything from the chunks to the end of the file into memory at once.
  if (size - chunks > kMaxNrgChunkBytes)
    return refuse(why, QStringLiteral("its chunks take %1 bytes (at most %2 are read)").arg(size - chunks).arg(kMaxNrgChunkBytes));

  // The chunks, from the footer's offset to END!; every track's data lies before the chunks.
  const auto be = [](const QByteArray& b, int at, int bytes) {
    return bytes == 8 ? static_cast<int64_t>(std::min<quint64>(qFromBigEndian<quint64>(b.constData() + at), INT64_MAX))
                      : static_cast<int64_t>(qFromBigEndian<quint32>(b.constData() + at));
  };
  for (int64_t at = chunks, count = 0;; ++count) {
    if (count > 64 || at > footer - 8) return refuse(why, QStringLiteral("its chunk chain runs past the footer"));
    const QByteArray head = readAt(at, 8);
    if (head.isEmpty()) return refuse(why, QStringLiteral("a chunk cannot be read"));
    const QByteArray id = head.left(4);
    const int64_t length = be(head, 4, 4);
    if (id == "END!") return true;
    const QString name = QString::fromLatin1(id.toHex());
    if (id == "CDTX") {
      // libcdio 2.1 frees its CD-TEXT twice on a malformed block; CD-TEXT is not needed to play.
      return refuse(why, QStringLiteral("CD-TEXT in an NRG image cannot be read safely"));
    }
    const int64_t largest = largestNrgChunk(id);
    if (largest < 0) return refuse(why, QStringLiteral("unknown chunk %1").arg(name));
    if (length > footer - at - 8) return refuse(why, QStringLiteral("chunk %1 runs past the footer").arg(name));
    if (length > largest)
      return refuse(why, QStringLiteral("chunk %1 claims %2 bytes (at most %3)").arg(name).arg(length).arg(largest));
    const QByteArray body = length > 0 ? readAt(at + 8, length) : QByteArray();
    if (body.size() != length) return refuse(why, QStringLiteral("chunk %1 cannot be read").arg(name));
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
      if (n < 0) return refuse(why, QStringLiteral("its disc-at-once table is malformed or lists more than 99 tracks"));
      for (int64_t k = 0; k < n; ++k) {
        const int e = 22 + static_cast<int>(k) * entryBytes + 18;
        const int64_t index0 = be(body, e, wide), index1 = be(body, e + wide, wide), end = be(body, e + 2 * wide, wide);
        if (index0 > index1 || index1 > end || end > chunks)
          return refuse(why, QStringLiteral("track %1's data lies outside the image").arg(k + 1));
      }
    } else if (id == "ETN2" || id == "ETNF") {
      const int wide = id == "ETN2" ? 8 : 4;
      const int64_t n = entries(0, id == "ETN2" ? 32 : 20, -1);
      if (n < 0 || length % (id == "ETN2" ? 32 : 20) != 0) return refuse(why, QStringLiteral("its track table is malformed"));
      for (int64_t k = 0; k < n; ++k) {
        const int e = static_cast<int>(k) * (id == "ETN2" ? 32 : 20);
        const int64_t start = be(body, e, wide), len = be(body, e + wide, wide);
        if (start > chunks || len > chunks - start) return refuse(why, QStringLiteral("track %1's data lies outside the image").arg(k + 1));
      }
    } else if (id == "CUEX" || id == "CUES") {
      // libcdio 2.1 crashes on an empty one.
      if (length == 0 || length % 8 != 0) return refuse(why, QStringLiteral("its cue table is malformed"));
    } else if ((id == "SINF" || id == "MTYP") && length < 4) {
      // libcdio reads a number of four bytes from each.
      return refuse(why, QStringLiteral("chunk %1 is too short").arg(name));
    }
    at += 8 + length;
  }
}

}  // namespace vcd::platform
