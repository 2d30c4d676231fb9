// What the window says in the terminal: one line per failure a user may need to report, nothing
// on a normal start; and the logo giving way to whatever picture plays.
#include <QLoggingCategory>
#include <QTest>

#include "tests/player/window_fixture.h"

namespace vcd::test {
namespace {

// The lines of the player's own categories as the terminal would show them ("vcd.window: ...").
class TerminalCapture {
 public:
  TerminalCapture() {
    lines().clear();
    previous_ = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
      if (QByteArray(context.category).startsWith("vcd.") && type != QtDebugMsg)
        lines() << QString::fromLatin1(context.category) + ": " + text;
    });
  }
  ~TerminalCapture() { qInstallMessageHandler(previous_); }
  static QStringList& lines() {
    static QStringList captured;
    return captured;
  }

 private:
  QtMessageHandler previous_;
};

TEST_F(WindowTest, TerminalHasOneLinePerFailureAndNothingOnANormalRun) {
  struct Case {
    const char* what;
    std::function<void()> run;
    const char* line;  // what the single line starts with; nullptr: no line at all
  };
  const std::vector<Case> cases = {
      {"normal start and play",
       [&] {
         addDrive('D', FakeDriveManager::tracks(3));
         load();
         player.setState(kPlaying);
         w->Nexttrackcmd_Click();
         player.setState(kPlaying);
       },
       nullptr},
      {"no disc", [&] { load(); }, "vcd.window: No playable Video CD found: there is no CD-ROM drive"},
      {"an empty drive", [&] {
         addDrive('E', std::nullopt);
         load();
       },
       "vcd.window: No playable Video CD found: cdrom://E/Mpegav: "},
      {"no disc, a file named instead", [&] { load("/films/clip.mpg"); }, nullptr},
      {"a file the engine refuses",
       [&] {
         player.refuses = [](const QString& p) { return p.endsWith(".mpg"); };
         load("/films/broken.mpg");
       },
       "vcd.window: The file /films/broken.mpg cannot be opened: cannot open /films/broken.mpg"},
      {"a track that never plays",
       [&] {
         addDrive('D', FakeDriveManager::tracks(2));
         load();
         w->tmrWrong_Format_Timer();
       },
       "vcd.window: Nothing played within 20 s of starting cdrom://D/Mpegav/AVSEQ01.DAT - stopped"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    drives.drives.clear();
    player.refuses = [](const QString&) { return false; };
    TerminalCapture terminal;
    c.run();
    const QStringList lines = TerminalCapture::lines();
    if (c.line == nullptr) {
      EXPECT_TRUE(lines.isEmpty()) << lines.join('\n').toStdString();
    } else {
      ASSERT_EQ(lines.size(), 1) << lines.join('\n').toStdString();
      EXPECT_TRUE(lines[0].startsWith(c.line)) << lines[0].toStdString();
      EXPECT_FALSE(lines[0].contains('\n'));
    }
  }
}

// A statement whose failure is skipped (the start disables track buttons 18 and 19, which do not
// exist) says so at debug level: silent on a normal run, one line each when debug is asked for.
TEST_F(WindowTest, SkippedFailuresAreLoggedAtDebugLevelOnly) {
  static QStringList debugLines;
  debugLines.clear();
  const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context,
                                                              const QString& text) {
    if (type == QtDebugMsg && QByteArray(context.category) == "vcd.window") debugLines << text;
  });
  addDrive('D', FakeDriveManager::tracks(3));
  load();
  EXPECT_TRUE(debugLines.isEmpty()) << debugLines.join('\n').toStdString();

  QLoggingCategory::setFilterRules(QStringLiteral("vcd.window.debug=true"));
  load();
  QLoggingCategory::setFilterRules(QString());
  qInstallMessageHandler(previous);
  for (const char* line : {"Disable track button: skipped: Control array element 18 doesn't exist",
                           "Disable track button: skipped: Control array element 19 doesn't exist"})
    EXPECT_TRUE(debugLines.contains(QString::fromLatin1(line))) << debugLines.join('\n').toStdString();
}

TEST_F(WindowTest, APlayingCommandLineFileTakesTheVideoAreaFromTheLogo) {
  load("/films/clip.mpg");
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  const QPoint middle = w->playerFace->geometry().center();
  ASSERT_EQ(w->childAt(middle), w->PicLogo);  // no disc: the logo stands over the video area
  player.setState(kWaiting);
  EXPECT_EQ(w->childAt(middle), w->PicLogo);  // opening is not playing yet
  player.setState(kPlaying);
  EXPECT_TRUE(w->PicLogo->isHidden());
  QWidget* shown = w->childAt(middle);
  EXPECT_TRUE(shown == w->playerFace || w->playerFace->isAncestorOf(shown)) << shown->objectName().toStdString();
}

}  // namespace
}  // namespace vcd::test
