#include "platform/image_files.h"

#include "platform/file_names.h"
#include "platform/log.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <fcntl.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
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

// Reading a page of a memory map that lies past the end of its file (cut after it was mapped)
// raises SIGBUS, which ends the process unless it is handled. While a thread copies out of a
// map, the handler sends it back to where the copy began, and the copy reports the failure;
// any other SIGBUS goes on to whatever handled it before.
struct MapCopyGuard {
  sigjmp_buf resume;
  const uint8_t* from;
  const uint8_t* to;
};
// The guard of the copy this thread is in, if any. Initial-exec: read in the signal handler,
// where nothing may be allocated.
thread_local MapCopyGuard* tCopyGuard __attribute__((tls_model("initial-exec"))) = nullptr;
struct sigaction gPreviousSigbus;

void onSigbus(int sig, siginfo_t* info, void* context) {
  MapCopyGuard* guard = tCopyGuard;
  const auto* at = static_cast<const uint8_t*>(info->si_addr);
  if (guard != nullptr && at >= guard->from && at < guard->to) siglongjmp(guard->resume, 1);
  if (gPreviousSigbus.sa_flags & SA_SIGINFO) {
    gPreviousSigbus.sa_sigaction(sig, info, context);
    return;
  }
  if (gPreviousSigbus.sa_handler == SIG_IGN && info->si_code <= 0) return;  // sent, not a fault: ignored as before
  if (gPreviousSigbus.sa_handler != SIG_DFL && gPreviousSigbus.sa_handler != SIG_IGN) {
    gPreviousSigbus.sa_handler(sig);
    return;
  }
  // Not ours and nobody else's: the process ends as it would have without this handler.
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  sigaction(SIGBUS, &byDefault, nullptr);
  raise(SIGBUS);
}

void catchSigbus() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_sigaction = onSigbus;
    // Not blocked while handled: the copy resumes by a jump that leaves the signal mask as it is.
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &gPreviousSigbus);
  });
}

// Copies the blocks; false when a mark is all zero.
[[gnu::noinline]] bool copyBlocks(uint8_t* out, const uint8_t* src, uint32_t count, int stride, int bytes, int marked) {
  static constexpr uint8_t kZeros[16] = {};
  if (stride == bytes && marked == 0) {
    std::memcpy(out, src, static_cast<size_t>(count) * static_cast<size_t>(bytes));
    return true;
  }
  for (uint32_t i = 0; i < count; ++i, out += bytes, src += stride) {
    if (marked > 0 && std::memcmp(src - marked, kZeros, static_cast<size_t>(marked)) == 0) return false;
    std::memcpy(out, src, static_cast<size_t>(bytes));
  }
  return true;
}

// copyBlocks out of a map; false as well when the map faulted within [from, to). The fault
// jumps back here, out of the copy (which holds nothing that would need cleaning up).
bool guardedCopy(uint8_t* out, const uint8_t* src, uint32_t count, int stride, int bytes, int marked,
                 const uint8_t* from, const uint8_t* to) {
  MapCopyGuard guard;
  guard.from = from;
  guard.to = to;
  if (sigsetjmp(guard.resume, 0) != 0) {
    tCopyGuard = nullptr;
    return false;
  }
  tCopyGuard = &guard;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  const bool ok = copyBlocks(out, src, count, stride, bytes, marked);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  tCopyGuard = nullptr;
  return ok;
}

constexpr int kBlockShift = 16;  // the map's pages are counted in 64 KiB blocks

}  // namespace

ImageFile::~ImageFile() {
  if (map_ != nullptr) ::munmap(const_cast<uint8_t*>(map_), static_cast<size_t>(size_));
  ::close(fd_);
}

bool ImageFile::mapped() const {
  std::call_once(mapOnce_, [this] {
    // A file larger than any disc (a sparse one, say) is read with pread: its map's bookkeeping
    // would grow with it.
    if (size_ <= 0 || size_ > kLargestMappedFile) return;
    void* map = ::mmap(nullptr, static_cast<size_t>(size_), PROT_READ, MAP_SHARED, fd_, 0);
    if (map == MAP_FAILED) {
      qCDebug(lcDisc, "%s cannot be mapped (%s): it is read with pread", qPrintable(path_), std::strerror(errno));
      return;
    }
    catchSigbus();
    touched_ = std::make_unique<std::atomic<uint64_t>[]>(static_cast<size_t>(((size_ - 1) >> kBlockShift) / 64 + 1));
    map_ = static_cast<const uint8_t*>(map);
  });
  return map_ != nullptr;
}

void ImageFile::keptInMemory(int64_t from, int64_t to) const {
  int64_t fresh = 0;
  for (int64_t block = from >> kBlockShift; block <= (to - 1) >> kBlockShift; ++block) {
    const uint64_t bit = uint64_t{1} << (block & 63);
    if ((touched_[block >> 6].fetch_or(bit, std::memory_order_relaxed) & bit) == 0) ++fresh;
  }
  if (fresh > 0 && touchedBlocks_.fetch_add(fresh) + fresh > (kMappedBudget >> kBlockShift)) releaseMemory();
}

void ImageFile::releaseMemory() const {
  // Nothing counted: nothing mapped since the last time (and no map made just for this).
  if (touchedBlocks_ == 0 || !mapped()) return;
  // A copy running on another thread at this moment just maps its pages again.
  ::madvise(const_cast<uint8_t*>(map_), static_cast<size_t>(size_), MADV_DONTNEED);
  for (int64_t word = 0; word <= ((size_ - 1) >> kBlockShift) / 64; ++word)
    touched_[word].store(0, std::memory_order_relaxed);
  touchedBlocks_ = 0;
}

ImageFile::MapCopy ImageFile::copyMapped(uint8_t* out, int64_t offset, uint32_t count, int stride, int bytes,
                                         int marked) const {
  if (count == 0) return MapCopy::Done;
  const int64_t from = offset - marked;
  const int64_t to = offset + static_cast<int64_t>(count - 1) * stride + bytes;
  if (from < 0 || to > size_ || !mapped()) return MapCopy::NotMapped;
  keptInMemory(from, to);
  return guardedCopy(out, map_ + offset, count, stride, bytes, marked, map_ + from, map_ + to) ? MapCopy::Done
                                                                                            : MapCopy::Failed;
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
