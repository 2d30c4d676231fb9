// vcdplayer: insert a Video CD (or name a disc image) and it plays.
#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QScreen>
#include <QStringList>
#include <clocale>
#include <memory>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "platform/cd_tray.h"
#include "platform/file_names.h"
#include "platform/linux_drives.h"
#include "platform/log.h"
#include "engine/mpv_player.h"
#include "player/command_line.h"
#include "ui/fonts.h"
#include "player/playerfrm.h"

namespace {

constexpr char kVersion[] = "2.2.0";

// What `vcdplayer --help` prints (standard output; nothing opens).
constexpr char kHelp[] =
    "Usage: vcdplayer [DISC-IMAGE | FOLDER | FILE]\n"
    "       vcdplayer --help | --version\n"
    "\n"
    "Voren VCD Player Lite plays Video CDs and Super Video CDs: it finds the optical drive and\n"
    "the disc's tracks by itself.\n"
    "\n"
    "  DISC-IMAGE  a .cue, .bin, .toc, .nrg or .iso image, played like a disc\n"
    "  FOLDER      a Video CD copied to the hard disk, or the folder where a disc is mounted\n"
    "  FILE        an MPEG file or a Video CD track, played when no drive holds a disc\n"
    "\n"
    "The whole command line is one name: a file really called --help or --version is\n"
    "played as ./--help or ./--version.\n"
    "\n"
    "  --help      print this text and exit\n"
    "  --version   print the version and exit\n";

}  // namespace

int main(int argc, char** argv) {
  // Asked on its own, the usual two questions are answered in the terminal, before anything
  // (a display, the engine, the drives) is opened; a file of either name is reached as "./--help".
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kHelp, stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("vcdplayer (Voren VCD Player Lite) %s\n", kVersion);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  // Every argument belongs to the player, none to Qt: a file named "-reverse" or
  // "-platformpluginpath" is a file name, not an option that changes (or loads code into) the
  // program. Qt's settings still come from its environment variables.
  QStringList arguments;
  // Names keep the bytes they were given in, whatever their encoding (platform/file_names.h).
  for (int i = 0; i < argc; ++i) arguments << vcd::platform::nameFromBytes(QByteArray(argv[i]));
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  vcd::registerWindowFonts();
  QApplication::setApplicationName(QStringLiteral("vcdplayer"));
  QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
  // The launcher the desktop groups the window under (Wayland has no window class for it).
  QGuiApplication::setDesktopFileName(QStringLiteral("org.example.voren.vcdplayer"));
  // libmpv needs the C locale for numbers; Qt sets the user's locale at start.
  std::setlocale(LC_NUMERIC, "C");

  vcd::platform::LinuxDriveManager drives;

  // A disc image or a copied disc's folder on the command line goes into a virtual drive of its
  // own, listed before the machine's drives, and is then found like any disc; a folder on a
  // drive's disc (its mount point) puts that drive first. None of them is handed to the player
  // as a file. A refused image leaves the drive empty and is tried as a file; the disc layer
  // logs why.
  QString commandLine = vcd::command_line::argumentString(arguments);
  if (const QString named = vcd::command_line::namedPath(commandLine, QDir::currentPath()); !named.isEmpty()) {
    // Lines about its disc name the image as the user gave it.
    if (vcd::command_line::takeNamedPath(drives, named, vcd::command_line::fileToPlay(commandLine))) commandLine.clear();
  }

  // Without a libmpv it can use, the player cannot play anything: say so and end.
  std::unique_ptr<vcd::mpv::MpvPlayer> engine;
  try {
    engine = std::make_unique<vcd::mpv::MpvPlayer>(&drives, vcd::mpv::MpvPlayer::Mode::Windowed);
  } catch (const std::exception& e) {
    qCCritical(lcEngine, "%s", e.what());
    QMessageBox::critical(nullptr, QStringLiteral("Voren VCD Player Lite"),
                          QStringLiteral("The video engine cannot be started:\n%1").arg(QString::fromUtf8(e.what())));
    return 1;
  }

  vcd::platform::LinuxCdTray tray(&drives);

  vcd::PlayerfrmServices services;
  services.player = engine.get();
  services.drives = &drives;
  services.tray = &tray;
  services.commandLine = commandLine;
  services.takeIntoDrives = [&drives](const QString& path) { return vcd::command_line::takeNamedPath(drives, path); };
  services.togglePause = [&engine] { engine->togglePause(); };
  services.showsPicture = [&engine] { return engine->playsVideo(); };
  // Exit and closing the window end the process at once: no other window's handlers run.
  services.endProgram = [] {
    std::fflush(nullptr);
    _exit(0);
  };

  vcd::Playerfrm window(std::move(services));
  // Screen saver and media keys on the session bus, before the first track can start.
  window.joinDesktop(QDBusConnection::sessionBus());
  window.Form_Load();
  // The window opens centred on the screen.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
  }
  window.show();
  return QApplication::exec();
}
