#include "disc/file_names.h"

namespace vcd::disc {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // a byte b >= 0x80 becomes kEscapeBase + b

// The length of the valid UTF-8 sequence at `p` (of `left` bytes), with its code point; 0 when
// the bytes there are not one (overlong forms and encoded surrogates count as invalid).
int utf8Sequence(const unsigned char* p, qsizetype left, char32_t* code) {
  const unsigned char c = p[0];
  int n;
  char32_t min;
  if (c < 0x80) return *code = c, 1;
  if (c >= 0xC2 && c <= 0xDF) n = 2, min = 0x80, *code = c & 0x1F;
  else if (c >= 0xE0 && c <= 0xEF) n = 3, min = 0x800, *code = c & 0x0F;
  else if (c >= 0xF0 && c <= 0xF4) n = 4, min = 0x10000, *code = c & 0x07;
  else return 0;
  if (left < n) return 0;
  for (int i = 1; i < n; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    *code = *code << 6 | (p[i] & 0x3F);
  }
  if (*code < min || *code > 0x10FFFF || (*code >= 0xD800 && *code <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

QString nameFromBytes(const QByteArray& bytes) {
  QString name;
  name.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
  for (qsizetype i = 0; i < bytes.size();) {
    char32_t code = 0;
    const int n = utf8Sequence(p + i, bytes.size() - i, &code);
    if (n == 0) {
      name += QChar(static_cast<char16_t>(kEscapeBase + p[i]));
      ++i;
      continue;
    }
    if (code >= 0x10000) {
      name += QChar(QChar::highSurrogate(code));
      name += QChar(QChar::lowSurrogate(code));
    } else {
      name += QChar(static_cast<char16_t>(code));
    }
    i += n;
  }
  return name;
}

QByteArray bytesOfName(const QString& name) {
  QByteArray bytes;
  bytes.reserve(name.size());
  qsizetype from = 0;  // the start of the run of ordinary characters not yet encoded
  for (qsizetype i = 0; i < name.size(); ++i) {
    const char16_t c = name[i].unicode();
    const bool escaped = c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF &&
                         (i == 0 || !QChar::isHighSurrogate(name[i - 1].unicode()));
    if (!escaped) continue;
    bytes += QStringView(name).mid(from, i - from).toUtf8();
    bytes += static_cast<char>(c - kEscapeBase);
    from = i + 1;
  }
  bytes += QStringView(name).mid(from).toUtf8();
  return bytes;
}

}  // namespace vcd::disc
