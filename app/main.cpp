// vcdplayer: insert a Video CD (or name a disc image) and it plays.
#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QStringList>
#include <clocale>
#include <cstdio>
#include <unistd.h>

#include "platform/cd_tray.h"
#include "platform/linux_drives.h"
#include "player/mpv/mpv_player.h"
#include "player/fonts.h"
#include "player/playerfrm.h"

namespace {

// The program takes its arguments as one string, the way they followed the program's name.
QString argumentString(const QStringList& args) { return args.mid(1).join(QLatin1Char(' ')); }

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  vcd::registerWindowFonts();
  QApplication::setApplicationName(QStringLiteral("vcdplayer"));
  QApplication::setApplicationVersion(QStringLiteral("2.2.0"));
  // libmpv needs the C locale for numbers; Qt sets the user's locale at start.
  std::setlocale(LC_NUMERIC, "C");

  vcd::platform::LinuxDriveManager drives;

  // A disc image on the command line goes into a virtual drive of its own, listed before the
  // machine's drives, and is then found like any disc; it is not handed to the player as a file.
  QString commandLine = argumentString(QApplication::arguments());
  QString unquoted = commandLine;
  unquoted.remove(QLatin1Char('"'));
  if (!unquoted.isEmpty() && vcd::platform::LinuxDriveManager::looksLikeDiscImage(unquoted) &&
      QFileInfo(unquoted).isFile()) {
    if (drives.insertImage(QFileInfo(unquoted).absoluteFilePath())) {
      commandLine.clear();
    } else {
      std::fprintf(stderr, "vcdplayer: %s is not a disc image that can be read\n", qPrintable(unquoted));
    }
  }

  vcd::mpv::MpvPlayer engine(&drives, vcd::mpv::MpvPlayer::Mode::Windowed);

  vcd::platform::LinuxCdTray tray(&drives);

  vcd::PlayerfrmServices services;
  services.player = &engine;
  services.drives = &drives;
  services.tray = &tray;
  services.commandLine = commandLine;
  // Exit and closing the window end the process at once: no other window's handlers run.
  services.endProgram = [] {
    std::fflush(nullptr);
    _exit(0);
  };

  vcd::Playerfrm window(std::move(services));
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
