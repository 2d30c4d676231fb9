#include "disc/disc_path.h"

#include <QList>
#include <QStringView>

namespace vcd::disc {

namespace {

constexpr bool schemeIsNamed() {
  int i = 0;
  for (; kSchemeName[i] != 0; ++i)
    if (kScheme[i] != char16_t(kSchemeName[i])) return false;
  return kScheme[i] == u':' && kScheme[i + 1] == u'/' && kScheme[i + 2] == u'/' && kScheme[i + 3] == 0;
}
static_assert(schemeIsNamed(), "the scheme is its name and \"://\"");

const QString& scheme() {
  static const QString s = QString::fromUtf16(kScheme);
  return s;
}

bool isAsciiLetter(QChar c) {
  const char16_t u = c.unicode();
  return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}

}  // namespace

QString driveFolder(QChar letter, const QString& folder) {
  QStringView rest(folder);
  while (rest.startsWith(u'/')) rest = rest.mid(1);
  return scheme() + letter.toUpper() + u'/' + rest.toString();
}

bool isDiscPath(const QString& path) { return parsePath(path).has_value(); }

QString join(const QString& folder, const QString& name) {
  if (folder.endsWith(u'/')) return folder + name;
  return folder + u'/' + name;
}

QString DiscPath::text() const { return scheme() + letter + path; }

std::optional<DiscPath> parsePath(const QString& path) {
  if (!path.startsWith(scheme())) return std::nullopt;
  const QStringView rest = QStringView(path).mid(scheme().size());
  if (rest.isEmpty() || !isAsciiLetter(rest.front())) return std::nullopt;
  const QStringView tail = rest.mid(1);
  if (!tail.isEmpty() && tail.front() != u'/') return std::nullopt;

  // A disc path never climbs out of the disc it names.
  for (const QStringView component : tail.split(u'/')) {
    if (component == u"..") return std::nullopt;
  }
  return DiscPath{rest.front().toUpper(), tail.isEmpty() ? QStringLiteral("/") : tail.toString()};
}

}  // namespace vcd::disc
