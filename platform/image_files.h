#pragma once
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

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

  // Opens `path` itself, which must be a regular file. nullptr (with the reason in `why`) otherwise.
  static std::shared_ptr<ImageFile> open(const QString& path, QString* why);
  // Opens the file a sheet in `folder` names as `written`; see above.
  static std::shared_ptr<ImageFile> openNamed(const QString& folder, const QString& written, QString* why);

 private:
  ImageFile(int fd, QString path, int64_t size) : fd_(fd), path_(std::move(path)), size_(size) {}
  int fd_;
  QString path_;
  int64_t size_;
};

// The file of `folder` called `name` (exactly, else without regard to case), or an empty string.
QString findInFolder(const QString& folder, const QString& name);

}  // namespace vcd::platform
