// The player without picture and sound: the main window (not shown) with the headless engine
// and the disc image in the virtual drive, as app/main.cpp builds it. It plays the disc from
// its first track and ends when that track has played to its end.
//   headless_player DISC.cue
#include "platform/linux_drives.h"
#include "ui/fonts.h"
#include "engine/mpv_player.h"
#include "player/playerfrm.h"

#include <QApplication>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  vcd::ui::registerWindowFonts();
  std::setlocale(LC_NUMERIC, "C");
  if (argc < 2) return 2;
  vcd::platform::LinuxDriveManager drives([] { return std::vector<vcd::platform::OpticalDevice>{}; });
  if (!drives.insertImage(QString::fromLocal8Bit(argv[1]))) return 2;
  vcd::engine::MpvPlayer engine(&drives, vcd::engine::MpvPlayer::Mode::Headless);
  // Before the window's own handler: the first natural end is the end of the run.
  QObject::connect(&engine, &vcd::MediaPlayer::EndOfStream, [] {
    std::fflush(nullptr);
    _exit(0);
  });
  vcd::player::PlayerfrmServices services;
  services.player = &engine;
  services.drives = &drives;
  services.endProgram = [] { _exit(1); };
  services.messageBox = [](vcd::ui::MessageIcon, const QString&, const QString&) {};
  vcd::player::Playerfrm window(std::move(services));
  window.Form_Load();
  QTimer::singleShot(180000, [] { _exit(1); });
  return QApplication::exec();
}
