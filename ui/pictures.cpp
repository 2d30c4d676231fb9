#include "ui/pictures.h"

#include <QFileInfo>
#include <QImageReader>

#include "platform/log.h"

namespace vcd::ui {
namespace {

void readerFor(QImageReader& reader, const QString& path) {
  reader.setFileName(path);
  reader.setFormat(QFileInfo(path).suffix().toLower().toLatin1());
  reader.setAutoDetectImageFormat(false);
}

}  // namespace

QPixmap resourcePicture(const QString& path) {
  QImageReader reader;
  readerFor(reader, path);
  const QImage image = reader.read();
  if (image.isNull()) qCDebug(lcWindow).noquote() << path << "cannot be read:" << reader.errorString();
  return QPixmap::fromImage(image);
}

QIcon resourceIcon(const QString& path) {
  QImageReader reader;
  readerFor(reader, path);
  QIcon icon;
  do {
    const QImage image = reader.read();
    if (image.isNull()) break;
    icon.addPixmap(QPixmap::fromImage(image));
  } while (reader.jumpToNextImage());
  if (icon.isNull()) qCDebug(lcWindow).noquote() << path << "cannot be read:" << reader.errorString();
  return icon;
}

}  // namespace vcd::ui
