#include "platform/desktop_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vcd::platform::ModPaths {

QString GetSpecialFolderPath(int folderId) {
  if (folderId != kDesktopFolder) return QString();
  QString path = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (path.isEmpty() || !QFileInfo(path).isDir()) return QString();
  path = QDir::cleanPath(path);
  while (path.endsWith(QLatin1Char('/'))) path.chop(1);  // "/" as a Desktop is no Desktop
  return path;
}

}  // namespace vcd::platform::ModPaths
