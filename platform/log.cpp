#include "platform/log.h"

// Debug messages are off by default: a normal run prints nothing.
Q_LOGGING_CATEGORY(lcDrives, "vcd.drives", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDisc, "vcd.disc", QtInfoMsg)
Q_LOGGING_CATEGORY(lcEngine, "vcd.engine", QtInfoMsg)
Q_LOGGING_CATEGORY(lcWindow, "vcd.window", QtInfoMsg)

#include <QHash>
#include <QMutex>

namespace vcd::platform {
namespace {
QMutex sourcesMutex;
QHash<QChar, QString>& sources() {
  static QHash<QChar, QString> table;
  return table;
}
}  // namespace

void setDriveSource(QChar letter, const QString& source) {
  QMutexLocker lock(&sourcesMutex);
  if (source.isEmpty()) sources().remove(letter.toUpper());
  else sources().insert(letter.toUpper(), source);
}

QString withDriveSource(const QString& text) {
  QChar letter;
  static const QString kScheme = QStringLiteral("cdrom://");
  if (text.startsWith(kScheme, Qt::CaseInsensitive) && text.size() > kScheme.size()) letter = text[kScheme.size()];
  else if (text.size() == 2 && text[1] == u':') letter = text[0];
  if (letter.isNull()) return text;
  QMutexLocker lock(&sourcesMutex);
  const auto it = sources().constFind(letter.toUpper());
  if (it == sources().constEnd()) return text;
  return text + QStringLiteral(" (") + *it + u')';
}

}  // namespace vcd::platform
