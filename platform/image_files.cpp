#include "platform/image_files.h"

#include "platform/file_names.h"
#include "platform/log.h"

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

}  // namespace

ImageFile::~ImageFile() { ::close(fd_); }

bool ImageFile::readBlocks(uint8_t* out, int64_t offset, uint32_t count, int stride, int bytes, int marked) const {
  if (count == 0) return true;
  if (offset < marked || stride < bytes || marked > 16) return false;
  const int64_t from = offset - marked;
  const size_t span = static_cast<size_t>(count - 1) * static_cast<size_t>(stride) + static_cast<size_t>(bytes + marked);
  if (stride == bytes && marked == 0) return readFully(fd_, out, span, from);
  // The buffer stays with the thread (a track's reader), so a batch allocates nothing.
  thread_local std::vector<uint8_t> run;
  if (run.size() < span) run.resize(span);
  if (!readFully(fd_, run.data(), span, from)) return false;
  static constexpr uint8_t kZeros[16] = {};
  const uint8_t* src = run.data() + marked;
  for (uint32_t i = 0; i < count; ++i, out += bytes, src += stride) {
    if (marked > 0 && std::memcmp(src - marked, kZeros, static_cast<size_t>(marked)) == 0) return false;
    std::memcpy(out, src, static_cast<size_t>(bytes));
  }
  return true;
}

bool ImageFile::stillThere() const {
  struct stat st {};
  return ::fstat(fd_, &st) == 0 && st.st_nlink > 0;
}

std::shared_ptr<ImageFile> ImageFile::open(const QString& path, QString* why) { return openChecked(path, path, false, why); }

std::shared_ptr<ImageFile> ImageFile::openChecked(const QString& path, const QString& shownAs, bool noFollow, QString* why) {
  const QByteArray name = bytesOfName(path);
  struct stat st {};
  // Looked at before opening: opening a FIFO or a device may block or act on the device.
  if (::stat(name.constData(), &st) != 0) {
    *why = QStringLiteral("%1: %2").arg(shownAs, errorText(errno));
    return nullptr;
  }
  if (!S_ISREG(st.st_mode)) {
    *why = QStringLiteral("%1 is %2").arg(shownAs, QLatin1String(kindOf(st.st_mode)));
    return nullptr;
  }
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (noFollow ? O_NOFOLLOW : 0));
  if (fd < 0) {
    *why = QStringLiteral("%1: %2").arg(shownAs, errorText(errno));
    return nullptr;
  }
  // ... and again once open: it may have been swapped in between.
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *why = QStringLiteral("%1 is %2").arg(shownAs, QLatin1String(kindOf(st.st_mode)));
    ::close(fd);
    return nullptr;
  }
  // Reads go on blocking as for any file; only the open had to be non-blocking.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return std::shared_ptr<ImageFile>(new ImageFile(fd, shownAs, static_cast<int64_t>(st.st_size)));
}

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

std::shared_ptr<ImageFile> ImageFile::openInside(const QString& root, const QString& path, bool directly,
                                                 const QString& shownAs, QString* why) {
  // Resolved before anything is opened: a symlink that leads out of the folder is refused
  // without the file it leads to being touched.
  const QString realRoot = resolvedPath(root);
  const QString real = resolvedPath(path);
  if (real.isEmpty()) {
    *why = QStringLiteral("%1: %2").arg(shownAs, errorText(errno));
    return nullptr;
  }
  const auto inside = [&](const QString& p) {
    return directly ? QFileInfo(p).path() == realRoot : isWithin(p, realRoot) && p != realRoot;
  };
  if (!inside(real)) {
    *why = QStringLiteral("%1 leads out of %2").arg(shownAs, root);
    return nullptr;
  }
  auto file = openChecked(real, shownAs, true, why);
  if (!file) return nullptr;
  // A folder on the way may have been swapped for a symlink in between: checked once more.
  if (!inside(realPathOf(file->fd()))) {
    *why = QStringLiteral("%1 leads out of %2").arg(shownAs, root);
    return nullptr;
  }
  return file;
}

std::shared_ptr<ImageFile> ImageFile::openNamed(const QString& folder, const QString& written, QString* why) {
  // "C:\\rips\\Disc.bin", "../x/disc.bin", "/abs/disc.bin": the name alone, in the sheet's folder.
  const QString name = QString(written).replace(u'\\', u'/').section(u'/', -1);
  const QString path = findInFolder(folder, name);
  if (path.isEmpty()) {
    *why = QStringLiteral("the file \"%1\" it names is not in %2").arg(written, folder);
    return nullptr;
  }
  // A symlink in the folder may lead anywhere: the file must really lie in the folder.
  QString reason;
  auto file = openInside(folder, path, true, path, &reason);
  if (!file) {
    *why = reason.contains(QLatin1String("leads out of"))
               ? QStringLiteral("the file \"%1\" it names leads out of %2").arg(written, folder)
               : reason;
    return nullptr;
  }
  return file;
}

bool readFully(int fd, uint8_t* buf, size_t n, int64_t offset) {
  while (n > 0) {
    const ssize_t got = ::pread(fd, buf, n, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    buf += got;
    n -= static_cast<size_t>(got);
    offset += got;
  }
  return true;
}

}  // namespace vcd::platform
