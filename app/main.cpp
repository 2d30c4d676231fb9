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
#include <unistd.h>

#include "platform/cd_tray.h"
#include "platform/file_names.h"
#include "platform/linux_drives.h"
#include "platform/log.h"
#include "engine/mpv_player.h"
#include "engine/mpv_library.h"
#include "engine/video_widget.h"
#include "player/command_line.h"
#include "ui/fonts.h"
#include "player/playerfrm.h"

// How long after start the session bus services wait for the first picture at most.
constexpr int kJoinDesktopAtTheLatestMs = 2000;

int main(int argc, char** argv) {
  vcd::platform::startupStep("main");
  // Every argument belongs to the player, none to Qt: a file named "-reverse" or
  // "-platformpluginpath" is a file name, not an option that changes (or loads code into) the
  // program. Qt's settings still come from its environment variables.
  QStringList arguments;
  // Names keep the bytes they were given in, whatever their encoding (platform/file_names.h).
  for (int i = 0; i < argc; ++i) arguments << vcd::platform::nameFromBytes(QByteArray(argv[i]));
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  vcd::platform::startupStep("QApplication made");
  // The OpenGL driver and libmpv load on threads of their own beside the fonts, the disc and
  // the tray; the engine waits for them where it needs them. Only now: Qt has loaded its
  // plugins, and a library being loaded holds up any other being loaded meanwhile.
  vcd::mpv::VideoWidget::checkOpenGLAhead();
  vcd::mpv::loadLibmpvAhead();
  // The main window's fonts now, the Help window's once the picture shows.
  vcd::registerMainWindowFonts();
  vcd::platform::startupStep("fonts registered");
  QApplication::setApplicationName(QStringLiteral("vcdplayer"));
  QApplication::setApplicationVersion(QStringLiteral("2.2.0"));
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
    if (vcd::command_line::takeNamedPath(drives, named)) commandLine.clear();
  }
  vcd::platform::startupStep("disc image in its drive");

  // Without a libmpv it can use, the player cannot play anything: say so and end.
  std::unique_ptr<vcd::mpv::MpvPlayer> engine;
  try {
    engine = std::make_unique<vcd::mpv::MpvPlayer>(&drives, vcd::mpv::MpvPlayer::Mode::Windowed);
  } catch (const std::exception& e) {
    // The OpenGL check must not outlive the application it checks on.
    vcd::mpv::VideoWidget::openGLAvailable();
    qCCritical(lcEngine, "%s", e.what());
    QMessageBox::critical(nullptr, QStringLiteral("Voren VCD Player Lite"),
                          QStringLiteral("The video engine cannot be started:\n%1").arg(QString::fromUtf8(e.what())));
    return 1;
  }
  vcd::platform::startupStep("engine made");

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
    vcd::registerWindowFonts();
  };
  QObject::connect(engine.get(), &vcd::mpv::MpvPlayer::firstPictureShown, &window, joinDesktop, Qt::QueuedConnection);
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
