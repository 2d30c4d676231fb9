// A "track" that is really a playlist must not make the player open what it names: neither a
// local file nor a web address. Plain libmpv follows such a list; this player must not.
#include "tests/engine/engine_support.h"

#include <QTest>
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <unistd.h>

using vcd::mpv::MpvPlayer;
using namespace vcd::test;

namespace {

// A local file and a local web server that note whether anyone came to them.
class Canaries {
 public:
  Canaries() {
    path = writeTempFile("canary.mpg", QByteArray());
    QFile::remove(path);
    QFile::copy(localMedia("pal1.mpg"), path);  // a perfectly playable file
    m_inotify = inotify_init1(IN_NONBLOCK);
    EXPECT_GE(inotify_add_watch(m_inotify, path.toLocal8Bit().constData(), IN_OPEN), 0);
    // A listening socket: a connection attempt completes in the kernel and waits to be accepted.
    m_server = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    EXPECT_EQ(::bind(m_server, reinterpret_cast<sockaddr*>(&addr), len), 0);
    EXPECT_EQ(::listen(m_server, 8), 0);
    ::getsockname(m_server, reinterpret_cast<sockaddr*>(&addr), &len);
    url = QStringLiteral("http://127.0.0.1:%1/x.mpg").arg(ntohs(addr.sin_port));
  }
  ~Canaries() {
    ::close(m_inotify);
    ::close(m_server);
  }

  bool fileOpened() {
    char buf[4096];
    return ::read(m_inotify, buf, sizeof buf) > 0;
  }
  bool connected() {
    int client = ::accept(m_server, nullptr, nullptr);
    if (client < 0) return false;
    ::close(client);
    return true;
  }

  QString path, url;

 private:
  int m_inotify = -1;
  int m_server = -1;
};

QByteArray m3u(const Canaries& c) { return "#EXTM3U\n" + c.path.toUtf8() + "\n" + c.url.toUtf8() + "\n"; }
QByteArray pls(const Canaries& c) {
  return "[playlist]\nFile1=" + c.path.toUtf8() + "\nFile2=" + c.url.toUtf8() + "\nNumberOfEntries=2\n";
}

// Waits until the player has given up on the file and libmpv has nothing left to try.
void expectRefused(MpvPlayer& player, Recorder& rec, Canaries& canaries) {
  ASSERT_TRUE(waitForState(player, vcd::kClosed));
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.engineIdle(); }, 20000));
  EXPECT_FALSE(rec.sawState(vcd::kPlaying));
  EXPECT_EQ(rec.endCount(), 0);
  EXPECT_FALSE(canaries.fileOpened());
  EXPECT_FALSE(canaries.connected());
}

TEST(Hardening, LocalFileHoldingAPlaylistOpensNothingItNames) {
  Canaries canaries;
  for (const QByteArray& list : {m3u(canaries), pls(canaries)}) {
    MpvPlayer player(nullptr, MpvPlayer::Mode::Headless);
    Recorder rec(player);
    player.setFileName(writeTempFile("list.mpg", list));
    expectRefused(player, rec, canaries);
  }
  // The canary itself is playable, and opening it is noticed: the checks above can fail.
  MpvPlayer player(nullptr, MpvPlayer::Mode::Headless);
  player.setFileName(canaries.path);
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  EXPECT_TRUE(canaries.fileOpened());
}

TEST(Hardening, DiscTrackHoldingAPlaylistOpensNothingItNames) {
  Canaries canaries;
  ImageCopy image("pal3");
  image.overwriteFile("cdrom://D/MPEGAV/AVSEQ01.DAT", m3u(canaries), '\n');
  image.overwriteFile("cdrom://D/MPEGAV/AVSEQ02.DAT", pls(canaries), '\n');
  auto drives = driveWithImage(image.cue);
  for (const char* track : {"cdrom://D/MPEGAV/AVSEQ01.DAT", "cdrom://D/MPEGAV/AVSEQ02.DAT"}) {
    MpvPlayer player(drives.get(), MpvPlayer::Mode::Headless);
    Recorder rec(player);
    player.setFileName(track);
    expectRefused(player, rec, canaries);
  }
}

}  // namespace
