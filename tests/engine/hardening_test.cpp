// A "track" that is really a playlist must not make the player open what it names: neither a
// local file nor a web address. Plain libmpv follows such a list; this player must not. To the
// player it is a file that cannot be decoded: it never plays, and the next file does.
#include <QFile>
#include <gtest/gtest.h>

#include "tests/engine/recorder.h"
#include "tests/support/canaries.h"

using vcd::engine::MpvPlayer;
using namespace vcd::test;

namespace {

// A playable local file and a local web server that note whether anyone came to them.
struct Canaries {
  static QString playable() {
    const QString path = writeTempFile("canary.mpg", {});
    QFile::remove(path);
    QFile::copy(localMedia("pal1.mpg"), path);
    return path;
  }
  bool fileOpened() { return opens.filesOpened() > 0; }
  bool connected() { return server.connected(); }
  QByteArray m3u() const { return "#EXTM3U\n" + path.toUtf8() + "\n" + server.url().toUtf8() + "\n"; }
  QByteArray pls() const {
    return "[playlist]\nFile1=" + path.toUtf8() + "\nFile2=" + server.url().toUtf8() + "\nNumberOfEntries=2\n";
  }

  QString path = playable();
  OpenWatch opens{QFile::encodeName(path)};
  LoopbackServer server;
};

void expectNothingOpened(vcd::platform::DriveManager* drives, const QString& file, Canaries& canaries) {
  MpvPlayer player(drives, MpvPlayer::Mode::Headless);
  Recorder rec(player);
  player.setFileName(file);
  ASSERT_TRUE(waitForState(player, vcd::kClosed));
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.engineIdle(); }, 30000));
  EXPECT_FALSE(rec.sawState(vcd::kPlaying));  // a file that opens but cannot be decoded: no failure, no end
  EXPECT_EQ(rec.endCount(), 0);
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

  // The canary itself is playable, also right after a file that never played, and opening it is
  // noticed: the checks above can fail.
  MpvPlayer player(nullptr, MpvPlayer::Mode::Headless);
  player.setFileName(localMedia("noise.dat"));
  ASSERT_TRUE(waitForState(player, vcd::kClosed));
  player.setFileName(canaries.path);
  ASSERT_TRUE(waitForState(player, vcd::kPlaying));
  EXPECT_TRUE(canaries.fileOpened());
}

}  // namespace
