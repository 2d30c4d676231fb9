#include "platform/desktop_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vcd::ModPaths {

QString GetSpecialFolderPath(int folderId) {
  if (folderId != platform::kDesktopFolder) return QString();
  QString path = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (path.isEmpty() || !QFileInfo(path).isDir()) return QString();
  path = QDir::cleanPath(path);
  while (path.endsWith(QLatin1Char('/'))) path.chop(1);  // "/" as a Desktop is no Desktop
  return path;
}

}  // namespace vcd::ModPaths
