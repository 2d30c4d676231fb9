#pragma once
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// Files that a disc image consists of: the image the user named, and the data files its sheet
// names. A sheet is something people download, so nothing it names is opened unless it is a
// regular file inside the sheet's own folder: only the name's last component counts (a path, a
// drive letter or ".." in front of it is dropped), it is looked up in that folder (exactly, then
// without regard to case), and the opened file is checked again (a symlink leading out of the
// folder, a FIFO or a device is refused). Nothing here ever blocks: FIFOs are refused before and
// after opening, and opening is non-blocking.
namespace vcd::platform {

// An open, read-only, regular file. Closed with the last owner.
class ImageFile {
 public:
  ~ImageFile();
  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;

  int fd() const { return fd_; }
  const QString& path() const { return path_; }
  int64_t size() const { return size_; }  // at the time it was opened
  // Still linked in the file system (a deleted image counts as taken out).
  bool stillThere() const;

  // Reads `count` blocks of `bytes` bytes, one every `stride` bytes from `offset` on, back to
  // back into `out`: one pread for the whole run (straight into `out` when the blocks lie back to
  // back, else into a buffer of the calling thread, the blocks then copied out of it). The
  // `marked` bytes (at most 16) in front of each block must not all be zero (a Form 2 sector's
  // subheader: an unwritten sector has none). False when a mark is all zero, or the file ends
  // before the run does (cut since it was opened), or it cannot be read.
  bool readBlocks(uint8_t* out, int64_t offset, uint32_t count, int stride, int bytes, int marked = 0) const;

  // Opens `path` itself, which must be a regular file. nullptr (with the reason in `why`) otherwise.
  static std::shared_ptr<ImageFile> open(const QString& path, QString* why);
  // Opens the file a sheet in `folder` names as `written`; see above.
  static std::shared_ptr<ImageFile> openNamed(const QString& folder, const QString& written, QString* why);
  // Opens `path`, which must lead (after every symlink) to a regular file inside the folder
  // `root`: directly in it, or at any depth below it. The path is resolved before anything is
  // opened, so nothing outside `root` is ever opened; the open file is checked once more.
  // `shownAs` names the file in the reason and in path().
  static std::shared_ptr<ImageFile> openInside(const QString& root, const QString& path, bool directly,
                                               const QString& shownAs, QString* why);

 private:
  static std::shared_ptr<ImageFile> openChecked(const QString& path, const QString& shownAs, bool noFollow, QString* why);
  ImageFile(int fd, QString path, int64_t size) : fd_(fd), path_(std::move(path)), size_(size) {}
  int fd_;
  QString path_;
  int64_t size_;
};

// The most entries of one folder on the hard disk the disc layer looks at: past the playlist's
// 16-bit index, and read (names only, nothing opened) in a few milliseconds.
inline constexpr size_t kMaxFolderEntries = 65536;

// The names in a folder (without "." and ".."), in the order the file system gives them, at most
// `limit` of them (`cut` says whether there were more); none when it cannot be read. Only the
// folder is read: no entry is looked at or opened.
std::vector<QString> folderNames(const QString& folder, size_t limit, bool* cut = nullptr);
// `folder` + "/" + `name`.
QString joinedPath(const QString& folder, const QString& name);
// Whether anything (a dangling symlink too) is called `path`.
bool pathExists(const QString& path);
// `path` with every symlink, "." and ".." resolved; "" when it does not exist.
QString resolvedPath(const QString& path);

// The file of `folder` called `name` (exactly, else without regard to case), or an empty string.
QString findInFolder(const QString& folder, const QString& name);

// Reads exactly `n` bytes at `offset`, retrying after signals; false on a short read (a file cut
// after it was opened) or an error.
bool readFully(int fd, uint8_t* buf, size_t n, int64_t offset);

}  // namespace vcd::platform
