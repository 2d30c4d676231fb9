#include "platform/image_files.h"

#include "disc/file_names.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace vcd::platform {

using disc::bytesOfName;
using disc::DataFile;
using disc::failure;
using disc::nameFromBytes;

namespace {

QString errorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

const char* kindOf(mode_t mode) {
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

// The path the descriptor really leads to (after every symlink).
QString realPathOf(int fd) {
  char buf[4096];
  const QByteArray link = QByteArray("/proc/self/fd/") + QByteArray::number(fd);
  const ssize_t n = ::readlink(link.constData(), buf, sizeof buf - 1);
  return n > 0 ? nameFromBytes(QByteArray(buf, static_cast<qsizetype>(n))) : QString();
}

// Whether `path` is `folder` itself or lies below it (both resolved).
bool isWithin(const QString& path, const QString& folder) {
  if (folder.isEmpty() || path.isEmpty()) return false;
  if (path == folder) return true;
  return path.startsWith(folder.endsWith(u'/') ? folder : folder + u'/');
}

// Opens a regular file read-only; `noFollow` refuses a symlink as the last component.
OpenedFile openChecked(const QString& path, const QString& shownAs, bool noFollow) {
  const QByteArray name = bytesOfName(path);
  struct stat st {};
  // Looked at before opening: opening a FIFO or a device may block or act on the device.
  if (::stat(name.constData(), &st) != 0) return failure(QStringLiteral("%1: %2").arg(shownAs, errorText(errno)));
  if (!S_ISREG(st.st_mode)) return failure(QStringLiteral("%1 is %2").arg(shownAs, QLatin1String(kindOf(st.st_mode))));
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (noFollow ? O_NOFOLLOW : 0));
  if (fd < 0) return failure(QStringLiteral("%1: %2").arg(shownAs, errorText(errno)));
  // ... and again once open: it may have been swapped in between.
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return failure(QStringLiteral("%1 is %2").arg(shownAs, QLatin1String(kindOf(st.st_mode))));
  }
  // Reads go on blocking as for any file; only the open had to be non-blocking.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return std::make_shared<DataFile>(fd, shownAs, static_cast<int64_t>(st.st_size));
}

}  // namespace

OpenedFile openImageFile(const QString& path) { return openChecked(path, path, false); }

std::vector<QString> folderNames(const QString& folder, size_t limit, bool* cut) {
  std::vector<QString> names;
  if (cut) *cut = false;
  DIR* dir = ::opendir(bytesOfName(folder).constData());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    if (names.size() >= limit) {
      if (cut) *cut = true;
      break;
    }
    names.push_back(nameFromBytes(QByteArray(name)));
  }
  ::closedir(dir);
  return names;
}

QString joinedPath(const QString& folder, const QString& name) {
  return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

bool pathExists(const QString& path) {
  struct stat st {};
  return ::lstat(bytesOfName(path).constData(), &st) == 0;
}

QString resolvedPath(const QString& path) {
  char buf[PATH_MAX];
  return ::realpath(bytesOfName(path).constData(), buf) != nullptr ? nameFromBytes(QByteArray(buf)) : QString();
}

QString findInFolder(const QString& folder, const QString& name) {
  if (name.isEmpty() || name == u"." || name == u".." || name.contains(QChar(0)) || name.contains(u'/')) return {};
  if (pathExists(joinedPath(folder, name))) return joinedPath(folder, name);
  for (const QString& entry : folderNames(folder, kMaxFolderEntries))
    if (entry.compare(name, Qt::CaseInsensitive) == 0) return joinedPath(folder, entry);
  return {};
}

OpenedFile openFileInside(const QString& root, const QString& path, bool directly, const QString& shownAs) {
  // Resolved before anything is opened: a symlink that leads out of the folder is refused
  // without the file it leads to being touched.
  const QString realRoot = resolvedPath(root);
  const QString real = resolvedPath(path);
  if (real.isEmpty()) return failure(QStringLiteral("%1: %2").arg(shownAs, errorText(errno)));
  const auto inside = [&](const QString& p) {
    return directly ? QFileInfo(p).path() == realRoot : isWithin(p, realRoot) && p != realRoot;
  };
  if (!inside(real)) return failure(QStringLiteral("%1 leads out of %2").arg(shownAs, root));
  auto file = openChecked(real, shownAs, true);
  if (!file) return file;
  // A folder on the way may have been swapped for a symlink in between: checked once more.
  if (!inside(realPathOf((*file)->fd()))) return failure(QStringLiteral("%1 leads out of %2").arg(shownAs, root));
  return file;
}

OpenedFile openNamedFile(const QString& folder, const QString& written) {
  // "C:\\rips\\Disc.bin", "../x/disc.bin", "/abs/disc.bin": the name alone, in the sheet's folder.
  const QString name = QString(written).replace(u'\\', u'/').section(u'/', -1);
  const QString path = findInFolder(folder, name);
  if (path.isEmpty()) return failure(QStringLiteral("the file \"%1\" it names is not in %2").arg(written, folder));
  // A symlink in the folder may lead anywhere: the file must really lie in the folder.
  auto file = openFileInside(folder, path, true, path);
  if (!file && file.reason().contains(QLatin1String("leads out of")))
    return failure(QStringLiteral("the file \"%1\" it names leads out of %2").arg(written, folder));
  return file;
}

}  // namespace vcd::platform
