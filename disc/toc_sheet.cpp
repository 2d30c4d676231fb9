#include "disc/toc_sheet.h"

#include "disc/file_names.h"
#include "disc/sheet_parts.h"

#include <algorithm>

namespace vcd::disc {

using namespace sheet;

namespace {

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

Result<ImageLayout> parseTocSheet(const QByteArray& text, const SheetFileOpener& open) {
  if (text.size() > kMaxSheetBytes) return failure(QStringLiteral("the sheet is larger than 64 KiB"));
  const std::vector<TocToken> tokens = tocTokens(text.startsWith("\xEF\xBB\xBF") ? text.mid(3) : text);
  size_t i = 0;
  auto fail = [](const QString& reason) { return failure(reason); };
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
      auto opened = open(written);
      if (!opened) return fail(opened.reason());
      const std::shared_ptr<DataFile> file = *std::move(opened);
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

}  // namespace vcd::disc
