#include "disc/cue_sheet.h"

#include "disc/file_names.h"
#include "disc/sheet_parts.h"

#include <QList>
#include <algorithm>

namespace vcd::disc {

using namespace sheet;

namespace {

constexpr qsizetype kMaxLineBytes = 4096;

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

}  // namespace

Result<ImageLayout> parseCueSheet(const QByteArray& input, const SheetFileOpener& open, const SheetFileOpener& sameNamedBin) {
  struct Track {
    Format format;
    int file;
    std::optional<uint32_t> start;  // the first INDEX given: where the track's data starts in its file
    bool hasIndex1 = false;
    uint32_t pregap = 0, postgap = 0;
  };
  if (input.size() > kMaxSheetBytes) return failure(QStringLiteral("the sheet is larger than 64 KiB"));
  QByteArray text = input;
  if (text.startsWith("\xEF\xBB\xBF")) text.remove(0, 3);
  std::vector<std::shared_ptr<DataFile>> files;
  std::vector<Track> tracks;
  int lastNumber = 0;
  int lineNumber = 0;
  auto fail = [&](const QString& reason) { return failure(QStringLiteral("line %1: %2").arg(lineNumber).arg(reason)); };
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
      auto file = open(nameFromBytes(w[1]));
      if (!file) return fail(file.reason());
      files.push_back(*std::move(file));
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
    auto bin = sameNamedBin ? sameNamedBin(QString()) : Result<std::shared_ptr<DataFile>>(failure({}));
    if (!bin) return failure(QStringLiteral("the sheet names no track"));
    files.push_back(*std::move(bin));
    tracks.push_back(Track{Format{2352, SectorLayout::Raw}, 0, 0u, true});
  }
  if (tracks.empty()) return failure(QStringLiteral("the sheet names no track"));
  for (size_t i = 0; i < tracks.size(); ++i)
    if (!tracks[i].hasIndex1) return failure(QStringLiteral("track %1 has no INDEX 01").arg(i + 1));

  LayoutBuilder builder;
  for (size_t i = 0; i < tracks.size();) {
    // The tracks of one file: each runs from its first index to the next track's (never backwards).
    const int f = tracks[i].file;
    const DataFile& file = *files[static_cast<size_t>(f)];
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
        return failure(QStringLiteral("the disc it describes is too large"));
      offset += static_cast<int64_t>(frames) * t.format.blockBytes;
      from = next;
    }
    i = end;
  }
  return builder.finish(static_cast<int>(tracks.size()));
}

}  // namespace vcd::disc
