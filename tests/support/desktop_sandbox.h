#pragma once
#include <QDir>
#include <QTemporaryDir>
#include <QtGlobal>

#include "tests/support/media.h"

namespace vcd::test {

// A home folder of the test's own with an XDG Desktop folder in it, so that screenshots never
// land on a real Desktop. HOME, XDG_CONFIG_HOME and XDG_DESKTOP_DIR point into it while the
// sandbox lives.
class DesktopSandbox {
 public:
  explicit DesktopSandbox(bool makeDesktop = true, const QByteArray& desktopEntry = "$HOME/Desktop")
      : home(dir_.path()), desktop(home + "/Desktop") {
    if (makeDesktop) QDir().mkpath(desktop);
    QDir().mkpath(home + "/.config");
    writeFile(home + "/.config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"" + desktopEntry + "\"\n");
    for (auto [name, value] : {std::pair{"HOME", home}, {"XDG_CONFIG_HOME", home + "/.config"}, {"XDG_DESKTOP_DIR", desktop}}) {
      saved_ << std::tuple{name, qEnvironmentVariableIsSet(name), qgetenv(name)};
      qputenv(name, value.toLocal8Bit());
    }
  }
  ~DesktopSandbox() {
    for (const auto& [name, wasSet, value] : saved_) wasSet ? qputenv(name, value) : qunsetenv(name);
  }
  QString shot() const { return desktop + "/ScreenShot.bmp"; }
  // Everything in the Desktop folder, hidden files included.
  QStringList desktopFiles() const { return QDir(desktop).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); }

 private:
  QTemporaryDir dir_;
  QList<std::tuple<const char*, bool, QByteArray>> saved_;

 public:
  const QString home, desktop;
};

}  // namespace vcd::test
