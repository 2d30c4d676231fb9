// vcdplayer: insert a Video CD (or name a disc image) and it plays.
#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QScreen>
#include <QStringList>
#include <QTimer>
#include <clocale>
#include <memory>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "platform/cd_tray.h"
#include "disc/file_names.h"
#include "platform/linux_drives.h"
#include "platform/log.h"
#include "platform/media_watcher.h"
#include "engine/mpv_player.h"
#include "engine/mpv_library.h"
#include "engine/video_widget.h"
#include "player/command_line.h"
#include "ui/fonts.h"
#include "player/playerfrm.h"

namespace {

constexpr char kVersion[] = "2.2.0";
// How long after start the session bus services wait for the first picture at most.
constexpr int kJoinDesktopAtTheLatestMs = 2000;


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

// The program's entry, called by the launcher (app/launcher.c) once it has loaded this library.
extern "C" __attribute__((visibility("default"))) int vcdplayer_main(int argc, char** argv) {
  vcd::platform::startupStep("main");
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
  // Names keep the bytes they were given in, whatever their encoding (disc/file_names.h).
  for (int i = 0; i < argc; ++i) arguments << vcd::disc::nameFromBytes(QByteArray(argv[i]));
  // libmpv (some two hundred libraries) loads on a thread of its own from here on. A library
  // being loaded holds up any other being loaded meanwhile, so Qt's plugins wait for it; but the
  // OpenGL driver, which the picture needs too, can only start loading once the application
  // is made, and every step from libmpv's start to the file's opening can run while it loads.
  vcd::engine::loadLibmpvAhead();
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  vcd::platform::startupStep("QApplication made");
  // The OpenGL driver loads on a thread of its own beside the fonts, the disc, the engine and
  // the window; the picture's render context waits for it.
  vcd::engine::VideoWidget::checkOpenGLAhead();
  // The main window's fonts now, the Help window's once the picture shows.
  vcd::ui::registerMainWindowFonts();
  vcd::platform::startupStep("fonts registered");
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
  QString commandLine = vcd::player::command_line::argumentString(arguments);
  if (const QString named = vcd::player::command_line::namedPath(commandLine, QDir::currentPath()); !named.isEmpty()) {
    // Lines about its disc name the image as the user gave it.
    if (vcd::player::command_line::takeNamedPath(drives, named, vcd::player::command_line::fileToPlay(commandLine))) commandLine.clear();
  }
  vcd::platform::startupStep("disc image in its drive");

  // Without a libmpv it can use, the player cannot play anything: say so and end.
  std::unique_ptr<vcd::engine::MpvPlayer> engine;
  try {
    engine = std::make_unique<vcd::engine::MpvPlayer>(&drives, vcd::engine::MpvPlayer::Mode::Windowed);
  } catch (const std::exception& e) {
    // The OpenGL check must not outlive the application it checks on.
    vcd::engine::VideoWidget::openGLAvailable();
    qCCritical(lcEngine, "%s", e.what());
    QMessageBox::critical(nullptr, QStringLiteral("Voren VCD Player Lite"),
                          QStringLiteral("The video engine cannot be started:\n%1").arg(QString::fromUtf8(e.what())));
    return 1;
  }
  vcd::platform::startupStep("engine made");

  vcd::platform::LinuxCdTray tray(&drives);
  // Discs put into a drive while the player runs; it starts once the window has searched.
  vcd::platform::MediaWatcher watcher([&drives](bool optical) { return drives.media(optical); });

  vcd::player::PlayerfrmServices services;
  services.player = engine.get();
  services.drives = &drives;
  services.tray = &tray;
  services.mediaWatcher = &watcher;
  services.commandLine = commandLine;
  services.takeIntoDrives = [&drives](const QString& path) { return vcd::player::command_line::takeNamedPath(drives, path); };
  services.togglePause = [&engine] { engine->togglePause(); };
  services.showsPicture = [&engine] { return engine->playsVideo(); };
  // Exit and closing the window end the process at once: no other window's handlers run.
  services.endProgram = [] {
    std::fflush(nullptr);
    _exit(0);
  };

  vcd::player::Playerfrm window(std::move(services));
  vcd::platform::startupStep("window made");
  // Screen saver and media keys on the session bus, and the rest of the fonts, once the first
  // picture is on screen (they play no part in it, and a session bus may be slow to answer or
  // absent), or after a while when no picture comes (no disc, sound only). Joining late loses
  // nothing: the window hands the screen saver and the media applet its state as it joins.
  bool joined = false;
  const auto joinDesktop = [&window, &joined] {
    if (joined) return;
    joined = true;
    window.joinDesktop(QDBusConnection::sessionBus());
    vcd::ui::registerWindowFonts();
  };
  QObject::connect(engine.get(), &vcd::engine::MpvPlayer::firstPictureShown, &window, joinDesktop, Qt::QueuedConnection);
  QTimer::singleShot(kJoinDesktopAtTheLatestMs, &window, joinDesktop);
  window.Form_Load();
  vcd::platform::startupStep("Form_Load done");
  // The window opens centred on the screen.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
  }
  window.show();
  vcd::platform::startupStep("window shown");
  return QApplication::exec();
}
