#include "platform/image_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace vcd::platform {

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
  return n > 0 ? QFile::decodeName(QByteArray(buf, static_cast<qsizetype>(n))) : QString();
}

}  // namespace

ImageFile::~ImageFile() { ::close(fd_); }

bool ImageFile::stillThere() const {
  struct stat st {};
  return ::fstat(fd_, &st) == 0 && st.st_nlink > 0;
}

std::shared_ptr<ImageFile> ImageFile::open(const QString& path, QString* why) {
  const QByteArray name = QFile::encodeName(path);
  struct stat st {};
  // Looked at before opening: opening a FIFO or a device may block or act on the device.
  if (::stat(name.constData(), &st) != 0) {
    *why = QStringLiteral("%1: %2").arg(path, errorText(errno));
    return nullptr;
  }
  if (!S_ISREG(st.st_mode)) {
    *why = QStringLiteral("%1 is %2").arg(path, QLatin1String(kindOf(st.st_mode)));
    return nullptr;
  }
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    *why = QStringLiteral("%1: %2").arg(path, errorText(errno));
    return nullptr;
  }
  // ... and again once open: it may have been swapped in between.
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *why = QStringLiteral("%1 is %2").arg(path, QLatin1String(kindOf(st.st_mode)));
    ::close(fd);
    return nullptr;
  }
  // Reads go on blocking as for any file; only the open had to be non-blocking.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return std::shared_ptr<ImageFile>(new ImageFile(fd, path, static_cast<int64_t>(st.st_size)));
}

QString findInFolder(const QString& folder, const QString& name) {
  if (name.isEmpty() || name == u"." || name == u".." || name.contains(QChar(0))) return {};
  const QDir dir(folder);
  if (QFileInfo::exists(dir.filePath(name))) return dir.filePath(name);
  const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
  for (const QString& entry : entries)
    if (entry.compare(name, Qt::CaseInsensitive) == 0) return dir.filePath(entry);
  return {};
}

std::shared_ptr<ImageFile> ImageFile::openNamed(const QString& folder, const QString& written, QString* why) {
  // "C:\rips\Disc.bin", "../x/disc.bin", "/abs/disc.bin": the name alone, in the sheet's folder.
  const QString name = QString(written).replace(u'\\', u'/').section(u'/', -1);
  const QString path = findInFolder(folder, name);
  if (path.isEmpty()) {
    *why = QStringLiteral("the file \"%1\" it names is not in %2").arg(written, folder);
    return nullptr;
  }
  auto file = open(path, why);
  if (!file) return nullptr;
  // A symlink in the folder may lead anywhere: the file must really lie in the folder.
  const QString real = realPathOf(file->fd());
  const QString realFolder = QFileInfo(folder).canonicalFilePath();
  if (real.isEmpty() || realFolder.isEmpty() || QFileInfo(real).absolutePath() != realFolder) {
    *why = QStringLiteral("the file \"%1\" it names leads out of %2").arg(written, folder);
    return nullptr;
  }
  return file;
}

}  // namespace vcd::platform
