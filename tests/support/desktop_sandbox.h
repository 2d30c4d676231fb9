#pragma once
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

namespace vcd::test {

// A home folder of the test's own with an XDG Desktop folder in it, so that screenshots never
// land on a real Desktop. HOME, XDG_CONFIG_HOME and XDG_DESKTOP_DIR point into it while the
// sandbox lives.
class DesktopSandbox {
 public:
  explicit DesktopSandbox(bool makeDesktop = true, const QByteArray& desktopEntry = "$HOME/Desktop") {
    for (const char* name : kNames) saved_.append({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
    home = dir_.path();
    desktop = home + "/Desktop";
    if (makeDesktop) QDir().mkpath(desktop);
    QDir().mkpath(home + "/.config");
    QFile dirs(home + "/.config/user-dirs.dirs");
    if (dirs.open(QIODevice::WriteOnly)) dirs.write("XDG_DESKTOP_DIR=\"" + desktopEntry + "\"\n");
    qputenv("HOME", home.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home + "/.config").toLocal8Bit());
    qputenv("XDG_DESKTOP_DIR", desktop.toLocal8Bit());
  }
  ~DesktopSandbox() {
    for (const Saved& s : saved_) {
      if (s.wasSet) qputenv(s.name, s.value);
      else qunsetenv(s.name);
    }
  }
  DesktopSandbox(const DesktopSandbox&) = delete;
  DesktopSandbox& operator=(const DesktopSandbox&) = delete;

  QString shot() const { return desktop + "/ScreenShot.bmp"; }
  // Everything in the Desktop folder, hidden files included.
  QStringList desktopFiles() const {
    return QDir(desktop).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  }

  QString home;
  QString desktop;

 private:
  static constexpr const char* kNames[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DESKTOP_DIR"};
  struct Saved {
    const char* name;
    bool wasSet;
    QByteArray value;
  };
  QTemporaryDir dir_;
  QList<Saved> saved_;
};

}  // namespace vcd::test
