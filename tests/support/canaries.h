#pragma once
// Canaries for what must never happen: a file opened that nothing may open, a connection made
// to an address that nothing may visit.
#include <QString>
#include <gtest/gtest.h>
#include <cerrno>
#include <cstring>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vcd::test {

// Files opened in a folder, or a file, while it is watched (inotify sees every open, by anyone).
// A watch that cannot be set fails the test: it would see no opens and pass without watching.
class OpenWatch {
 public:
  explicit OpenWatch(const QByteArray& path) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (inotify_add_watch(fd_, path.constData(), IN_OPEN) < 0)
      ADD_FAILURE() << "cannot watch " << path.constData() << ": " << std::strerror(errno);
  }
  ~OpenWatch() { ::close(fd_); }
  // Files (not the folder itself) opened since the last call.
  int filesOpened() {
    int files = 0;
    alignas(inotify_event) char buf[65536];
    for (ssize_t n; (n = ::read(fd_, buf, sizeof buf)) > 0;)
      for (char* p = buf; p < buf + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len)
        if ((reinterpret_cast<inotify_event*>(p)->mask & IN_ISDIR) == 0) ++files;
    return files;
  }

 private:
  int fd_;
};

// A web server on the loopback that only notes whether anyone came.
class LoopbackServer {
 public:
  LoopbackServer() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    listening_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), len) == 0 && ::listen(fd_, 8) == 0 &&
                 ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0;
    url_ = QStringLiteral("http://127.0.0.1:%1/x.mpg").arg(ntohs(addr.sin_port));
  }
  ~LoopbackServer() { ::close(fd_); }
  bool listening() const { return listening_; }
  QString url() const { return url_; }
  bool connected() {
    const int client = ::accept(fd_, nullptr, nullptr);
    if (client >= 0) ::close(client);
    return client >= 0;
  }

 private:
  int fd_;
  bool listening_ = false;
  QString url_;
};

}  // namespace vcd::test
