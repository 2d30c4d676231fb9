#include "platform/log.h"

#include "disc/disc_path.h"

// Debug messages are off by default: a normal run prints nothing.
Q_LOGGING_CATEGORY(lcDrives, "vcd.drives", QtInfoMsg)
Q_LOGGING_CATEGORY(lcEngine, "vcd.engine", QtInfoMsg)
Q_LOGGING_CATEGORY(lcWindow, "vcd.window", QtInfoMsg)
Q_LOGGING_CATEGORY(lcStartup, "vcd.startup", QtInfoMsg)

#include <QHash>
#include <QMutex>
#include <atomic>
#include <ctime>

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
  static const QString scheme = QString::fromUtf16(disc::kScheme);
  if (text.startsWith(scheme, Qt::CaseInsensitive) && text.size() > scheme.size()) letter = text[scheme.size()];
  else if (text.size() == 2 && text[1] == u':') letter = text[0];
  if (letter.isNull()) return text;
  QMutexLocker lock(&sourcesMutex);
  const auto it = sources().constFind(letter.toUpper());
  if (it == sources().constEnd()) return text;
  return text + QStringLiteral(" (") + *it + u')';
}

namespace {
std::atomic<bool> gStartupOver{false};

double monotonicMs() {
  timespec t {};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void stamp(const char* step) {
  static const double first = monotonicMs();
  const double now = monotonicMs();
  qCDebug(lcStartup, "%.3f (+%.1f) %s", now, now - first, step);
}
}  // namespace

void startupStep(const char* step) {
  if (!gStartupOver.load(std::memory_order_relaxed) && lcStartup().isDebugEnabled()) stamp(step);
}

void startupDone(const char* step) {
  if (!gStartupOver.exchange(true) && lcStartup().isDebugEnabled()) stamp(step);
}

}  // namespace vcd::platform
