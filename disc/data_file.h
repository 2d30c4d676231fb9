#pragma once
#include <QString>
#include <cstdint>
#include <memory>

// A file a disc image consists of, already opened (and checked) by whoever hands it over: the
// disc layer only reads it. Closed with its last owner.
namespace vcd::disc {

class DataFile {
 public:
  // Takes over `fd`, a read-only descriptor of a regular file of `size` bytes; `path` names it
  // in lines and reasons.
  DataFile(int fd, QString path, int64_t size) : fd_(fd), path_(std::move(path)), size_(size) {}
  ~DataFile();
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;

  int fd() const { return fd_; }
  const QString& path() const { return path_; }
  int64_t size() const { return size_; }  // at the time it was opened
  // Still linked in the file system (a deleted image counts as taken out).
  bool stillThere() const;

  // Reads exactly `n` bytes at `offset`; false on a short read (a file cut after it was opened)
  // or an error.
  bool readAt(uint8_t* buf, size_t n, int64_t offset) const;

  // Reads `count` blocks of `bytes` bytes, one every `stride` bytes from `offset` on, back to
  // back into `out`: one pread for the whole run (straight into `out` when the blocks lie back to
  // back, else into a buffer of the calling thread, the blocks then copied out of it). With
  // `subheaders`, the 8 bytes in front of each block are a Form 2 sector's subheader and must
  // have been written (see subheaderWritten). False when one was not, or the file ends before the
  // run does (cut since it was opened), or it cannot be read.
  bool readBlocks(uint8_t* out, int64_t offset, uint32_t count, int stride, int bytes, bool subheaders = false) const;

 private:
  int fd_;
  QString path_;
  int64_t size_;
};

// Reads exactly `n` bytes at `offset` of `fd`, retrying after signals; false on a short read or
// an error.
bool readFully(int fd, uint8_t* buf, size_t n, int64_t offset);

}  // namespace vcd::disc
