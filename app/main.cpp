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
#include <unistd.h>

#include "platform/cd_tray.h"
#include "platform/file_names.h"
#include "platform/linux_drives.h"
#include "platform/log.h"
#include "engine/mpv_player.h"
#include "player/command_line.h"
#include "ui/fonts.h"
#include "player/playerfrm.h"

int main(int argc, char** argv) {
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
