// A "track" that is really a playlist must not make the player open what it names: neither a
// local file nor a web address. Plain libmpv follows such a list; this player must not.
#include <QFile>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/engine/recorder.h"

using vcd::mpv::MpvPlayer;
using namespace vcd::test;

namespace {

// A playable local file and a local web server that note whether anyone came to them.
struct Canaries {
  Canaries() {
    QFile::remove(path);
    QFile::copy(localMedia("pal1.mpg"), path);
    inotify = inotify_init1(IN_NONBLOCK);
    EXPECT_GE(inotify_add_watch(inotify, path.toLocal8Bit().constData(), IN_OPEN), 0);
    server = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    EXPECT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&addr), len), 0);
    EXPECT_EQ(::listen(server, 8), 0);
    ::getsockname(server, reinterpret_cast<sockaddr*>(&addr), &len);
    url = QStringLiteral("http://127.0.0.1:%1/x.mpg").arg(ntohs(addr.sin_port));
  }
  ~Canaries() {
    ::close(inotify);
    ::close(server);
  }
  bool fileOpened() {
    char buf[4096];
    return ::read(inotify, buf, sizeof buf) > 0;
  }
  bool connected() {
    const int client = ::accept(server, nullptr, nullptr);
    if (client >= 0) ::close(client);
    return client >= 0;
  }
  QByteArray m3u() const { return "#EXTM3U\n" + path.toUtf8() + "\n" + url.toUtf8() + "\n"; }
  QByteArray pls() const { return "[playlist]\nFile1=" + path.toUtf8() + "\nFile2=" + url.toUtf8() + "\nNumberOfEntries=2\n"; }

  QString path = writeTempFile("canary.mpg", {}), url;
  int inotify = -1, server = -1;
};

void expectNothingOpened(vcd::platform::DriveManager* drives, const QString& file, Canaries& canaries) {
  MpvPlayer player(drives, MpvPlayer::Mode::Headless);
  Recorder rec(player);
  player.setFileName(file);
  ASSERT_TRUE(waitForState(player, vcd::kClosed));
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.engineIdle(); }, 30000));
  EXPECT_FALSE(rec.sawState(vcd::kPlaying));
  EXPECT_FALSE(canaries.fileOpened()) << file.toStdString();
  EXPECT_FALSE(canaries.connected()) << file.toStdString();
}

TEST(Hardening, APlaylistInAFileOrOnADiscOpensNothingItNames) {
  Canaries canaries;
  expectNothingOpened(nullptr, writeTempFile("list.mpg", canaries.m3u()), canaries);
  expectNothingOpened(nullptr, writeTempFile("list2.mpg", canaries.pls()), canaries);

  ImageCopy image("pal3");
  image.overwriteFile("cdrom://D/MPEGAV/AVSEQ01.DAT", canaries.m3u(), '\n');
  image.overwriteFile("cdrom://D/MPEGAV/AVSEQ02.DAT", canaries.pls(), '\n');
  auto drives = driveWithImage(image.cue);
  expectNothingOpened(drives.get(), "cdrom://D/MPEGAV/AVSEQ01.DAT", canaries);
  expectNothingOpened(drives.get(), "cdrom://D/MPEGAV/AVSEQ02.DAT", canaries);

  // The canary itself is playable, and opening it is noticed: the checks above can fail.
  MpvPlayer player(nullptr, MpvPlayer::Mode::Headless);
  player.setFileName(canaries.path);
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  EXPECT_TRUE(canaries.fileOpened());
}

}  // namespace
