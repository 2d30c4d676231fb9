// The window with the real engine (headless libmpv) and the real drives, given what a user names
// on the command line or drops on the window: Super Video CDs, Video CDs copied to a folder, a
// disc holding both kinds, a folder holding neither.
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include "engine/mpv_player.h"
#include "platform/linux_drives.h"
#include "player/command_line.h"
#include "player/playerfrm.h"
#include "tests/support/copied_disc.h"
#include "tests/support/qt_printers.h"
#include "tests/support/test_media.h"

namespace vcd::test {
namespace {

class NamedMedia : public ::testing::Test {
 protected:
  platform::LinuxDriveManager drives{[] { return std::vector<platform::OpticalDevice>{}; }};
  std::unique_ptr<mpv::MpvPlayer> engine;
  std::unique_ptr<Playerfrm> w;
  QTemporaryDir folders;
  // What the window showed at each change of the play state: "state|status|counter".
  QStringList shown;
  // The playing time the engine reported at the end of each track.
  std::vector<double> durations;

  // Starts the window as main() does with `named` on the command line.
  void start(const QString& named) {
    QString commandLine = named;
    if (const QString path = command_line::namedPath(named, QDir::currentPath()); !path.isEmpty())
      if (command_line::takeNamedPath(drives, path)) commandLine.clear();
    engine = std::make_unique<mpv::MpvPlayer>(&drives, mpv::MpvPlayer::Mode::Headless);
    PlayerfrmServices s;
    s.player = engine.get();
    s.drives = &drives;
    s.commandLine = commandLine;
    s.takeIntoDrives = [this](const QString& path) { return command_line::takeNamedPath(drives, path); };
    // Before the window's own handler, which starts the next track at once.
    QObject::connect(engine.get(), &MediaPlayer::EndOfStream, [this](int) { durations.push_back(engine->Duration()); });
    w = std::make_unique<Playerfrm>(std::move(s));
    // After the window's own handler: records what it made of each change.
    QObject::connect(engine.get(), &MediaPlayer::PlayStateChange, [this](int, int now) {
      shown << QStringLiteral("%1|%2|%3").arg(now).arg(w->lblDisplay->text(), w->lblTrack_Display->text());
    });
    w->Form_Load();
  }
  QStringList playing() const { return shown.filter(QRegularExpression("^2\\|")); }
  bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 90000); }
};

struct PlayThrough {
  const char* what;
  QStringList tracks;  // the status line's names, in "Order"
  double seconds;      // each track's playing time (a Video CD's counts the empty sectors around it)
};

void PrintTo(const PlayThrough& c, std::ostream* os) { *os << c.what; }

class PlaysThroughInOrder : public NamedMedia, public ::testing::WithParamInterface<PlayThrough> {};

TEST_P(PlaysThroughInOrder, WithTheRightCounterAndOneStopAtTheEnd) {
  const PlayThrough& c = GetParam();
  if (QString(c.what).startsWith("copy:")) {  // copied as Windows copies a Video CD
    ASSERT_TRUE(copyDiscToFolder(mediaPath(c.what + 5), folders.path(), CopyStyle::Cdxa));
    start(folders.path());
  } else {
    start(mediaPath(c.what));
  }
  ASSERT_TRUE(waitFor([&] { return shown.contains("0||00 of 0"); })) << shown.join("\n").toStdString();
  QStringList expected;
  for (int i = 0; i < c.tracks.size(); ++i)
    expected << QStringLiteral("2|Playing %1  ........|%2 of %3").arg(c.tracks[i]).arg(i + 1, 2, 10, QChar('0')).arg(c.tracks.size());
  EXPECT_EQ(playing(), expected);
  EXPECT_EQ(shown.filter(QRegularExpression("^0\\|")).size(), 1);
  ASSERT_EQ(durations.size(), static_cast<size_t>(c.tracks.size()));
  for (double d : durations) EXPECT_NEAR(d, c.seconds, 0.25);
}

INSTANTIATE_TEST_SUITE_P(
    SvcdCopiesAndBoth, PlaysThroughInOrder,
    ::testing::Values(PlayThrough{"svcd3.cue", {"Avseq01.mpg", "Avseq02.mpg", "Avseq03.mpg"}, 2.0},
                      PlayThrough{"copy:pal3.cue", {"Avseq01.dat", "Avseq02.dat", "Avseq03.dat"}, 1.99},
                      PlayThrough{"copy:svcd2n.cue", {"Avseq01.mpg", "Avseq02.mpg"}, 1.0},
                      // A Video CD that also carries an MPEG2 folder: the Video CD plays.
                      PlayThrough{"both.cue", {"Avseq01.dat", "Avseq02.dat"}, 1.99}),
    [](const auto& info) { return QString(info.param.what).replace(':', '_').section('.', 0, 0).toStdString(); });

TEST_F(NamedMedia, FolderWithoutEitherPlaysNothingAndSaysSo) {
  ASSERT_TRUE(QDir(folders.path()).mkpath("Holiday/VCD"));
  start(folders.filePath("Holiday"));
  EXPECT_EQ(w->lblDisplay->text(), "No movies files in the Cd-rom drive.");
  EXPECT_TRUE(engine->FileName().isEmpty());
  EXPECT_TRUE(drives.driveRoots().empty());
}

TEST_F(NamedMedia, DroppedImageReplacesWhatPlays) {
  start(mediaPath("demo.cue"));
  ASSERT_TRUE(waitFor([&] { return !playing().isEmpty(); }));
  EXPECT_EQ(playing().first(), "2|Playing Avseq01.dat  ........|01 of 4");

  auto drop = [&](const QUrl& url) {
    QMimeData data;
    data.setUrls({url});
    const QPoint at = w->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.get(), &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.get(), &dropped);
    return dropped.isAccepted();
  };
  EXPECT_FALSE(drop(QUrl("https://example.org/disc.cue")));  // only local files and folders
  shown.clear();
  ASSERT_TRUE(drop(QUrl::fromLocalFile(mediaPath("svcd3.cue"))));
  ASSERT_TRUE(waitFor([&] { return !playing().isEmpty(); })) << shown.join("\n").toStdString();
  EXPECT_EQ(playing().first(), "2|Playing Avseq01.mpg  ........|01 of 3");
  EXPECT_EQ(w->Text2->text(), "cdrom://D/MPEG2");
  EXPECT_EQ(drives.driveRoots().front().device, mediaPath("svcd3.cue"));
}

}  // namespace
}  // namespace vcd::test
