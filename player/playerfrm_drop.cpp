// A disc image, a folder or a file dropped on the main window.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "disc/file_names.h"
#include "platform/log.h"
#include "player/playerfrm.h"
#include "ui/failure.h"

namespace vcd::player {
namespace {
// The first local file or folder of the drop; "" when it brings none (a web address, text). The
// name is taken from the bytes the URL encodes (a file manager percent-encodes a Latin-1 name
// byte by byte, which QUrl would decode into something else).
QString droppedPath(const QMimeData* data) {
  if (data == nullptr) return {};
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile() || url.toLocalFile().isEmpty()) continue;
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (bytes.isEmpty() || bytes.contains('\0')) continue;
    return url.host().isEmpty() ? disc::nameFromBytes(bytes) : url.toLocalFile();
  }
  return {};
}
}  // namespace

void Playerfrm::dragEnterEvent(QDragEnterEvent* event) {
  if (!droppedPath(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void Playerfrm::dropEvent(QDropEvent* event) {
  const QString path = droppedPath(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  // Once the drop has been answered: the file manager is not kept waiting while discs are read.
  QMetaObject::invokeMethod(this, [this, path] { PlayDroppedPath(path); }, Qt::QueuedConnection);
}

void Playerfrm::PlayDroppedPath(const QString& path) {
  qCDebug(lcWindow).noquote() << "Dropped:" << path;
  // As at start-up, nothing plays while the drives take what was dropped and are searched.
  ui::skipOnFailure("Drop: stop", [this] { player->Stop(); });
  const bool inDrive = services_.takeIntoDrives && services_.takeIntoDrives(path);
  services_.commandLine = inDrive ? QString() : path;
  Command29_Click();
  if (!inDrive) playNamedFile(path);
}

}  // namespace vcd::player
