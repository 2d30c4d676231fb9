// What the window says in the terminal: one line per failure a user may need to report, nothing
// on a normal start; and the logo giving way to whatever picture plays.
#include <QLoggingCategory>
#include <QTest>

#include "tests/support/window_fixture.h"

namespace vcd::test {
namespace {

QStringList& terminal() {
  static QStringList lines;
  return lines;
}
// The lines of the player's own categories as the terminal shows them ("vcd.window: ...").
void keepPlayerLines(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (QByteArray(context.category).startsWith("vcd.") && type != QtDebugMsg)
    terminal() << QString::fromLatin1(context.category) + ": " + text;
}

TEST_F(WindowTest, TerminalHasOneLinePerFailureAndNothingOnANormalRun) {
  struct Case {
    const char* what;
    std::function<void()> run;
    const char* line;  // what the one line starts with; nullptr: no line at all
  };
  const Case cases[] = {
      {"normal start and play",
       [&] {
         addDrive('D', FakeDriveManager::tracks(3));
         load();
         player.setState(kPlaying);
         w->Nexttrackcmd_Click();
         player.setState(kPlaying);
       },
       nullptr},
      {"no drive", [&] { load(); }, "vcd.window: No playable Video CD found: there is no CD-ROM drive"},
      {"an empty drive",
       [&] {
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
    terminal().clear();
    const QtMessageHandler previous = qInstallMessageHandler(&keepPlayerLines);
    c.run();
    qInstallMessageHandler(previous);
    if (!c.line) {
      EXPECT_TRUE(terminal().isEmpty()) << terminal().join('\n').toStdString();
    } else {
      ASSERT_EQ(terminal().size(), 1) << terminal().join('\n').toStdString();
      EXPECT_TRUE(terminal()[0].startsWith(c.line) && !terminal()[0].contains('\n')) << terminal()[0].toStdString();
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
  QWidget* shown = w->childAt(middle);
  EXPECT_TRUE(shown == w->playerFace || w->playerFace->isAncestorOf(shown)) << shown->objectName().toStdString();
}

}  // namespace
}  // namespace vcd::test
