#include "player/command_line.h"

#include <QDir>
#include <QFileInfo>

#include "platform/linux_drives.h"

namespace vcd::command_line {

QString argumentString(const QStringList& arguments) { return arguments.mid(1).join(QLatin1Char(' ')); }

QString fileToPlay(const QString& commandLine) {
  QString name = commandLine;
  name.remove(QLatin1Char('"'));
  if (name == QLatin1String("%1")) return {};
  return name;
}

QString namedPath(const QString& commandLine, const QString& workingFolder) {
  const QString name = fileToPlay(commandLine);
  // A name with a NUL cannot be a file; QFileInfo would look at the part before it.
  if (name.isEmpty() || name.contains(QChar(u'\0'))) return {};
  const QFileInfo info(QDir(workingFolder), name);
  if (!info.exists()) return {};
  return info.absoluteFilePath();
}

bool takeNamedPath(platform::LinuxDriveManager& drives, const QString& path) {
  drives.forgetNamedMedia();
  const QFileInfo info(path);
  if (info.isDir()) {
    drives.insertFolder(path);
    return true;
  }
  return info.isFile() && platform::LinuxDriveManager::looksLikeDiscImage(path) && drives.insertImage(path);
}

QString discImage(const QString& commandLine, const QString& workingFolder) {
  const QString name = fileToPlay(commandLine);
  // A name with a NUL cannot be a file; QFileInfo would look at the part before it.
  if (name.isEmpty() || name.contains(QChar(u'\0')) || !platform::LinuxDriveManager::looksLikeDiscImage(name))
    return {};
  const QFileInfo info(QDir(workingFolder), name);
  if (!info.isFile()) return {};
  return info.absoluteFilePath();
}

}  // namespace vcd::command_line
