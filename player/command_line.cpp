#include "player/command_line.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

#include "disc/file_names.h"
#include "platform/linux_drives.h"

namespace vcd::player::command_line {

namespace {

// What is called `path`, looked up by the bytes of its name (a name in any encoding the file
// system holds: QFileInfo would look up another one). 0 when nothing is.
mode_t kindOf(const QString& path) {
  struct stat st {};
  return ::stat(disc::bytesOfName(path).constData(), &st) == 0 ? st.st_mode : 0;
}

QString absolute(const QString& workingFolder, const QString& name) {
  return QDir::cleanPath(QDir::isAbsolutePath(name) ? name : workingFolder + u'/' + name);
}

}  // namespace

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
  const QString path = absolute(workingFolder, name);
  return kindOf(path) != 0 ? path : QString();
}

bool takeNamedPath(platform::LinuxDriveManager& drives, const QString& path, const QString& shownAs) {
  drives.forgetNamedMedia();
  const mode_t kind = kindOf(path);
  if (S_ISDIR(kind)) {
    drives.insertFolder(path, shownAs);
    return true;
  }
  return S_ISREG(kind) && platform::LinuxDriveManager::looksLikeDiscImage(path) && drives.insertImage(path, shownAs);
}

QString discImage(const QString& commandLine, const QString& workingFolder) {
  const QString name = fileToPlay(commandLine);
  // A name with a NUL cannot be a file; QFileInfo would look at the part before it.
  if (name.isEmpty() || name.contains(QChar(u'\0')) || !platform::LinuxDriveManager::looksLikeDiscImage(name))
    return {};
  const QString path = absolute(workingFolder, name);
  return S_ISREG(kindOf(path)) ? path : QString();
}

}  // namespace vcd::player::command_line
