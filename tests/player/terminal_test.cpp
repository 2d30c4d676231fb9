// What the window says in the terminal: one line per failure a user may need to report, nothing
// on a normal start; and the logo giving way to whatever picture plays.
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include "platform/log.h"
#include "tests/support/media.h"
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
  enum class Then { Nothing, PlayAndNext, WatchdogTicks };
  struct Case {
    const char* what;
    QChar drive;          // none: no drive at all
    int tracks;           // in its Mpegav folder; -1: no disc in it
    const char* source;   // the disc image the drive holds, as the user named it ("": none)
    const char* commandLine;
    Then then;
    const char* line;  // what the one line starts with; nullptr: no line at all
  };
  const Case cases[] = {
      {"normal start and play", 'D', 3, "", "", Then::PlayAndNext, nullptr},
      {"no drive", {}, 0, "", "", Then::Nothing, "vcd.window: No playable Video CD found: there is no CD-ROM drive"},
      {"an empty drive", 'E', -1, "", "", Then::Nothing, "vcd.window: No playable Video CD found: cdrom://E/Mpegav: "},
      {"no disc, a file named instead", {}, 0, "", "/films/clip.mpg", Then::Nothing, nullptr},
      {"a file the engine refuses", {}, 0, "", "/films/broken.mpg", Then::Nothing,
       "vcd.window: The file /films/broken.mpg cannot be opened: cannot open /films/broken.mpg"},
      {"a track that never plays", 'D', 2, "", "", Then::WatchdogTicks,
       "vcd.window: Nothing played within 20 s of starting cdrom://D/Mpegav/AVSEQ01.DAT - stopped"},
      // A disc image the user named: the lines about its disc name that file.
      {"a track of an image that never plays", 'D', 2, "disc image ./My Film.cue", "", Then::WatchdogTicks,
       "vcd.window: Nothing played within 20 s of starting cdrom://D/Mpegav/AVSEQ01.DAT (disc image ./My Film.cue) - stopped"},
      {"an image without tracks", 'E', -1, "disc image /films/empty.iso", "", Then::Nothing,
       "vcd.window: No playable Video CD found: cdrom://E/Mpegav (disc image /films/empty.iso): "},
  };
  player.refuses = [](const QString& p) { return p.contains("broken"); };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    drives.drives.clear();
    platform::setDriveSource('D', {});  // the fake drives hold no image, unless the case says so
    platform::setDriveSource('E', {});
    if (!c.drive.isNull()) {
      platform::setDriveSource(c.drive, QString::fromUtf8(c.source));
      addDrive(c.drive, c.tracks < 0 ? std::nullopt : std::optional(FakeDriveManager::tracks(c.tracks)));
    }
    terminal().clear();
    const QtMessageHandler previous = qInstallMessageHandler(&keepPlayerLines);
    load(c.commandLine);
    if (c.then == Then::PlayAndNext) {
      player.setState(kPlaying);
      w->Nexttrackcmd_Click();
      player.setState(kPlaying);
    } else if (c.then == Then::WatchdogTicks) {
      w->tmrWrong_Format_Timer();
    }
    qInstallMessageHandler(previous);
    if (!c.line) {
      EXPECT_TRUE(terminal().isEmpty()) << terminal().join('\n').toStdString();
    } else {
      ASSERT_EQ(terminal().size(), 1) << terminal().join('\n').toStdString();
      EXPECT_TRUE(terminal()[0].startsWith(c.line) && !terminal()[0].contains('\n')) << terminal()[0].toStdString();
    }
  }
  platform::setDriveSource('D', {});
  platform::setDriveSource('E', {});
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

// --- the program itself, as a user starts it in a terminal

struct Finished {
  int exitCode = -1;
  bool exited = false;
  QByteArray out, err;
};

// The terminal of a machine with a desktop's sound setup but no sound card: ALSA's default device
// is a null one (without it, ALSA prints its search for a card), and no session bus.
QProcessEnvironment userTerminal(const QTemporaryDir& dir) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  writeFile(dir.filePath("asound.conf"), "pcm.!default { type null }\nctl.!default { type hw card 0 }\n");
  env.insert("ALSA_CONFIG_PATH", dir.filePath("asound.conf"));
  QDir(dir.path()).mkdir("runtime");
  QFile(dir.filePath("runtime")).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  env.insert("XDG_RUNTIME_DIR", dir.filePath("runtime"));
  for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "QT_LOGGING_RULES", "QT_MESSAGE_PATTERN", "VCD_MPV_LOG"})
    env.remove(name);
  return env;
}

Finished runToEnd(const QStringList& arguments, const QProcessEnvironment& env,
                  const QString& program = QStringLiteral(VCD_PLAYER_BINARY)) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(program, arguments);
  Finished r;
  r.exited = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit;
  if (!r.exited) p.kill(), p.waitForFinished();
  r.exitCode = p.exitCode();
  r.out = p.readAllStandardOutput();
  r.err = p.readAllStandardError();
  return r;
}

// Asked for help or its version, the program answers on standard output and ends: no window (here
// there is no display to open one on, which would end it with Qt's complaint).
TEST(ProgramInTheTerminal, HelpAndVersionAnswerAndEndWithoutAWindow) {
  QTemporaryDir dir;
  QProcessEnvironment env = userTerminal(dir);
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) env.remove(name);
  env.insert("QT_QPA_PLATFORM", "xcb");
  // What the program answers on standard output, having ended well and said nothing else.
  const auto answer = [&](const char* option) {
    const Finished r = runToEnd({option}, env);
    EXPECT_TRUE(r.exited && r.exitCode == 0 && r.err.isEmpty()) << option << ": " << r.exitCode << " " << r.err.toStdString();
    return r.out;
  };
  const QByteArray help = answer("--help");
  EXPECT_TRUE(help.startsWith("Usage: vcdplayer [DISC-IMAGE | FOLDER | FILE]\n")) << help.toStdString();
  EXPECT_TRUE(help.contains("./--help")) << help.toStdString();  // how to play a file of that name
  EXPECT_EQ(answer("--version"), "vcdplayer (Voren VCD Player Lite) 2.2.0\n");
  // Anything more on the line is a name to play: the program starts (and here fails for want of
  // a display), never answers.
  const Finished more = runToEnd({"--help", "me"}, env);
  EXPECT_EQ(more.out, "");
  EXPECT_NE(more.exitCode, 0);
}

// The program is a launcher and the library beside it: copied together anywhere they run; the
// launcher without its library says so in one line and ends.
TEST(ProgramInTheTerminal, TheLauncherRunsThePlayerBesideItOrSaysWhyNot) {
  QTemporaryDir dir;
  const QProcessEnvironment env = userTerminal(dir);
  const QString binary = QStringLiteral(VCD_PLAYER_BINARY);
  const QString library = QFileInfo(binary).absolutePath() + QStringLiteral("/libvcdplayer.so");
  const auto runCopy = [&](const QString& folder, bool withLibrary) {
    QDir(dir.path()).mkdir(folder);
    const QString copy = dir.filePath(folder + QStringLiteral("/vcdplayer"));
    EXPECT_TRUE(QFile::copy(binary, copy));
    if (withLibrary) {
      EXPECT_TRUE(QFile::copy(library, dir.filePath(folder + QStringLiteral("/libvcdplayer.so"))));
    }
    return runToEnd({QStringLiteral("--version")}, env, copy);
  };
  const Finished together = runCopy(QStringLiteral("both"), true);
  EXPECT_TRUE(together.exited && together.exitCode == 0) << together.err.toStdString();
  EXPECT_EQ(together.out, "vcdplayer (Voren VCD Player Lite) 2.2.0\n");
  const Finished alone = runCopy(QStringLiteral("alone"), false);
  EXPECT_TRUE(alone.exited);
  EXPECT_EQ(alone.exitCode, 127);
  EXPECT_EQ(alone.out, "");
  EXPECT_TRUE(alone.err.startsWith("vcdplayer: the player cannot be loaded: ") && alone.err.contains("/alone/libvcdplayer.so"))
      << alone.err.toStdString();
  EXPECT_EQ(alone.err.count('\n'), 1) << alone.err.toStdString();
}

}  // namespace
}  // namespace vcd::test
