// Input that must stay inert: the command line becomes at most one file name for the engine or
// one disc image, never an option, a shell command, an address or markup; and what the fuzzers
// once broke the player with runs cleanly.
#include <QDirIterator>
#include <QMessageBox>

#include "fuzz/targets.h"
#include "player/command_line.h"
#include "tests/support/canaries.h"
#include "tests/support/real_window.h"
#include "ui/message_box.h"

namespace vcd::test {
namespace {

TEST(CommandLine, QuotesGoAndEmptyOrPlaceholderNamesNothing) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},
      {"\"\"", ""},
      {"%1", ""},
      {"\"%1\"", ""},
      {"\"\" \"\"", " "},  // not empty: the engine is handed a name of one space, and refuses it
      {"/home/me/My \"Videos\"/clip.mpg", "/home/me/My Videos/clip.mpg"},
      {"--help", "--help"},
      {"\"-my clip.mpg\"", "-my clip.mpg"},
      {"/tmp/\xC3\xA9t\xC3\xA9 \xE2\x98\x83.mpg", "/tmp/\xC3\xA9t\xC3\xA9 \xE2\x98\x83.mpg"},
      {"clip.mpg; rm -rf ~ $(reboot) `id`", "clip.mpg; rm -rf ~ $(reboot) `id`"},
      {"%1%1", "%1%1"},
  };
  for (const auto& [line, file] : cases)
    EXPECT_EQ(player::command_line::fileToPlay(QString::fromUtf8(line)), QString::fromUtf8(file)) << line;
  EXPECT_EQ(player::command_line::argumentString({"vcdplayer", "\"a", "b\"", "-c"}), "\"a b\" -c");
}

TEST(CommandLine, DiscImageIsAnExistingImageFileNamedOnItsOwn) {
  QTemporaryDir dir;
  for (const char* name : {"My Disc.BIN", "-x.iso", "clip.mpg"}) writeFile(dir.filePath(name), {});
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.cue"));
  EXPECT_EQ(player::command_line::discImage("\"My Disc.BIN\"", dir.path()), dir.filePath("My Disc.BIN"));
  EXPECT_EQ(player::command_line::discImage("My Disc.BIN", dir.path()), dir.filePath("My Disc.BIN"));
  EXPECT_EQ(player::command_line::discImage("\"" + dir.filePath("-x.iso") + "\"", "/"), dir.filePath("-x.iso"));
  for (const QString& no : {QString("clip.mpg"), QString("folder.cue"), QString("missing.cue"), QString("%1"),
                            QString("http://example.com/x.cue"), QString::fromLatin1("-x.iso\0.cue", 11),
                            QString("My Disc.BIN clip.mpg")})
    EXPECT_EQ(player::command_line::discImage(no, dir.path()), "") << no.toStdString();
  // Texts from outside (file names, error messages) are shown as they are.
  std::unique_ptr<QMessageBox> box = ui::makeMessageBox(ui::MessageIcon::Warning, "t", "<b>not bold</b> %1 %s");
  EXPECT_EQ(box->textFormat(), Qt::PlainText);
}

// The window with the real engine and an empty drive, started with awkward command lines.
class StartWithCommandLine : public RealWindow {
 protected:
  // A playable MPEG file: the first track of a test disc.
  QString mpegFile(const QString& name) {
    auto disc = driveWithImage(mediaPath("pal3.cue"));
    writeFile(dir.filePath(name), readToEnd(*disc->openFile("cdrom://D/MPEGAV/AVSEQ01.DAT")));
    return dir.filePath(name);
  }
};

TEST_F(StartWithCommandLine, AwkwardFileNamesPlayAsOneName) {
  const QString name = QString::fromUtf8("-r \xC3\xA9t\xC3\xA9 \"clip\" %s.mpg");
  const QString file = mpegFile(QString(name).remove('"'));
  openWindow(&Playerfrm::chkOrd, "\"" + dir.filePath(name) + "\"");
  ASSERT_TRUE(waitFor([&] { return playing(); }));
  EXPECT_EQ(engine->FileName(), file);
}

TEST_F(StartWithCommandLine, AddressesAndShellTextAreRefusedAndNeverRun) {
  LoopbackServer server;
  ASSERT_TRUE(server.listening());
  const QString url = server.url();
  const QString marker = dir.filePath("ran");
  const QString shellText = mpegFile("a.mpg") + "; touch " + marker + " $(touch " + marker + ") `touch " + marker + "`";
  for (const QString& line : {url, shellText, QStringLiteral("<b>bold</b>")}) {
    states.clear();
    openWindow(&Playerfrm::chkOrd, line);
    EXPECT_EQ(w->lblDisplay->text(), "The file \"" + line + "\" cannot be opened.");
    EXPECT_EQ(w->lblDisplay->textFormat(), Qt::PlainText);
    EXPECT_FALSE(states.contains(kPlaying));
  }
  EXPECT_FALSE(server.connected()) << "something connected to " << url.toStdString();
  EXPECT_FALSE(QFile::exists(marker));
}

// Inputs the fuzzers once broke the player with (tests/robustness/regressions/<target>/), run
// through the fuzz targets again. Each file is a case; the folder names the target.
int runAll(const char* target, int (*body)(const uint8_t*, size_t)) {
  int count = 0;
  QDirIterator it(QStringLiteral(VCD_REGRESSIONS_DIR "/") + QLatin1String(target), QDir::Files);
  while (it.hasNext()) {
    QFile f(it.next());
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << f.fileName().toStdString();
    const QByteArray bytes = f.readAll();
    SCOPED_TRACE(f.fileName().toStdString());
    body(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()));
    ++count;
  }
  return count;
}

TEST(FuzzRegressions, KeptInputsRunCleanly) {
  fuzz::initialise();
  const int cases = runAll("disc_image", &fuzz::discImage) + runAll("track_stream", &fuzz::trackStream) +
                    runAll("command_line", &fuzz::commandLine) + runAll("toc_sheet", &fuzz::tocSheet) +
                    runAll("nrg_image", &fuzz::nrgImage) + runAll("folder_walk", &fuzz::folderWalk) +
                    runAll("cdxa_copy", &fuzz::cdxaCopy);
  EXPECT_GT(cases, 0) << "no kept inputs under " VCD_REGRESSIONS_DIR;
}

}  // namespace
}  // namespace vcd::test
