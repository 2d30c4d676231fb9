#include "disc/data_file.h"

#include "disc/sectors.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace vcd::disc {

DataFile::~DataFile() { ::close(fd_); }

bool DataFile::stillThere() const {
  struct stat st {};
  return ::fstat(fd_, &st) == 0 && st.st_nlink > 0;
}

bool DataFile::readAt(uint8_t* buf, size_t n, int64_t offset) const { return readFully(fd_, buf, n, offset); }

bool DataFile::readBlocks(uint8_t* out, int64_t offset, uint32_t count, int stride, int bytes, bool subheaders) const {
  if (count == 0) return true;
  const int marked = subheaders ? kSubheaderBytes : 0;
  if (offset < marked || stride < bytes) return false;
  const int64_t from = offset - marked;
  const size_t span = static_cast<size_t>(count - 1) * static_cast<size_t>(stride) + static_cast<size_t>(bytes + marked);
  if (stride == bytes && marked == 0) return readFully(fd_, out, span, from);
  // The buffer stays with the thread (a track's reader), so a batch allocates nothing.
  thread_local std::vector<uint8_t> run;
  if (run.size() < span) run.resize(span);
  if (!readFully(fd_, run.data(), span, from)) return false;
  const uint8_t* src = run.data() + marked;
  for (uint32_t i = 0; i < count; ++i, out += bytes, src += stride) {
    if (subheaders && !subheaderWritten(src - marked)) return false;
    std::memcpy(out, src, static_cast<size_t>(bytes));
  }
  return true;
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

}  // namespace vcd::disc
