// Figures taken on whole processes: cold start (process start to the first picture on the X
// screen), the cost of playing a long track (processor time and peak memory from wait4), and the
// real window while it plays: the GUI thread's answers, frames shown, processor time.
#include "bench/bench.h"

#include <QElapsedTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <grp.h>
#include <pwd.h>
#include <tuple>
#include <unistd.h>
#include <xcb/xcb.h>

extern char** environ;

namespace vcd::bench {

namespace {

// ---- child processes ------------------------------------------------------------------------

struct Child {
  pid_t pid = -1;
  QElapsedTimer started;
};

// Starts `argv` with the Qt platform set to `platform` (and `extraEnv`); its output goes to `log`.
Child spawn(const QStringList& argv, const QByteArray& platform, const QString& log,
            const QList<QByteArray>& extraEnv = {}) {
  std::vector<QByteArray> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0) env.emplace_back(*e);
  env.push_back("QT_QPA_PLATFORM=" + platform);
  for (const QByteArray& e : extraEnv) env.push_back(e);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<QByteArray> args;
  for (const QString& a : argv) args.push_back(QFile::encodeName(a));
  std::vector<char*> argp;
  for (auto& a : args) argp.push_back(a.data());
  argp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const QByteArray logName = QFile::encodeName(log);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, logName.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  Child c;
  c.started.start();
  if (const int error = posix_spawnp(&c.pid, argp[0], &actions, nullptr, argp.data(), envp.data()); error != 0) {
    std::fprintf(stderr, "cannot start %s: %s\n", argp[0], std::strerror(error));
    c.pid = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  return c;
}

// The user VLC runs as: it refuses to run as root. Made by scripts/bench.sh.
constexpr char kVlcUser[] = "vcdbench-vlc";

// Starts `argv` with exactly `env`, in `home`, its output going to `log` (opened by us); as the
// user `ids` (uid, gid) names when it is given.
Child forkAs(const QStringList& argv, std::vector<QByteArray> env, const QString& log, const QByteArray& home,
             std::optional<std::pair<uid_t, gid_t>> ids) {
  std::vector<QByteArray> args;
  for (const QString& a : argv) args.push_back(QFile::encodeName(a));
  std::vector<char*> argp;
  for (auto& a : args) argp.push_back(a.data());
  argp.push_back(nullptr);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  const QByteArray logName = QFile::encodeName(log);
  Child c;
  c.started.start();
  c.pid = fork();
  if (c.pid == 0) {
    const int out = ::open(logName.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int in = ::open("/dev/null", O_RDONLY);
    if (out < 0 || in < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0) _exit(126);
    if (ids && (setgroups(0, nullptr) != 0 || setgid(ids->second) != 0 || setuid(ids->first) != 0)) _exit(126);
    if (chdir(home.constData()) != 0) _exit(126);
    execve(argp[0], argp.data(), envp.data());
    _exit(127);
  }
  if (c.pid < 0) std::fprintf(stderr, "cannot start %s: %s\n", argp[0], std::strerror(errno));
  return c;
}

// Starts `argv` as `user` (its own uid, gid and HOME; DISPLAY and a copy of the X authority it
// can read), its output going to `log`.
Child spawnAs(const passwd& user, const QStringList& argv, const QString& log, const QByteArray& xauthority) {
  return forkAs(argv,
                {"PATH=/usr/bin:/bin", "HOME=" + QByteArray(user.pw_dir), "USER=" + QByteArray(user.pw_name),
                 "DISPLAY=" + qgetenv("DISPLAY"), "XAUTHORITY=" + xauthority, "LANG=C.UTF-8"},
                log, QByteArray(user.pw_dir), std::make_pair(user.pw_uid, user.pw_gid));
}

// ---- the X screen ---------------------------------------------------------------------------

// Looks at the X screen from outside: finds a top-level window by its title and measures how
// bright a part of it is, the way a person would see the picture appear.
class ScreenProbe {
 public:
  ScreenProbe() {
    conn_ = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn_)) {
      std::fprintf(stderr, "no X display (run under xvfb-run)\n");
      return;
    }
    root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
    netWmName_ = atom("_NET_WM_NAME");
    utf8_ = atom("UTF8_STRING");
  }
  ~ScreenProbe() { xcb_disconnect(conn_); }
  bool ok() const { return root_ != 0; }

  // A viewable top-level window with this title (or, for "*name", one whose title ends in
  // "name"), or 0.
  xcb_window_t find(const QByteArray& title) {
    xcb_window_t found = 0;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(conn_, xcb_query_tree(conn_, root_), nullptr);
    if (!tree) return 0;
    const xcb_window_t* kids = xcb_query_tree_children(tree);
    const bool suffix = title.startsWith('*');
    for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i) {
      const QByteArray t = titleOf(kids[i]);
      if (suffix ? !t.endsWith(title.mid(1)) : t != title) continue;
      auto* attrs = xcb_get_window_attributes_reply(conn_, xcb_get_window_attributes(conn_, kids[i]), nullptr);
      if (attrs && attrs->map_state == XCB_MAP_STATE_VIEWABLE) found = kids[i];
      free(attrs);
    }
    free(tree);
    return found;
  }

  // Mean brightness (0..1) of `area` (relative to the window's top-left corner), or -1; with
  // `colour`, the mean spread between each pixel's strongest and weakest primary (0 for grey).
  double brightness(xcb_window_t window, const QRect& area, double* colour = nullptr, const QString& saveTo = {}) {
    auto* at = xcb_translate_coordinates_reply(conn_, xcb_translate_coordinates(conn_, window, root_, 0, 0), nullptr);
    if (!at) return -1;
    const int x = at->dst_x + area.x(), y = at->dst_y + area.y();
    free(at);
    auto* img = xcb_get_image_reply(
        conn_, xcb_get_image(conn_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_, x, y, area.width(), area.height(), ~0u), nullptr);
    if (!img) return -1;
    const uint8_t* p = xcb_get_image_data(img);
    const int bytes = xcb_get_image_data_length(img);
    const int pixels = area.width() * area.height();
    double sum = -1, spread = 0;
    if (bytes >= pixels * 4) {  // 24-bit screen: B, G, R, pad
      sum = 0;
      for (int i = 0; i < pixels; ++i, p += 4) {
        sum += 0.0722 * p[0] + 0.7152 * p[1] + 0.2126 * p[2];
        spread += std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]});
      }
      sum /= 255.0 * pixels;
      spread /= 255.0 * pixels;
      if (!saveTo.isEmpty()) {  // what was seen, as a PPM picture
        QFile out(saveTo);
        if (out.open(QIODevice::WriteOnly)) {
          out.write(QStringLiteral("P6 %1 %2 255\n").arg(area.width()).arg(area.height()).toLatin1());
          const uint8_t* q = xcb_get_image_data(img);
          QByteArray rgb;
          rgb.reserve(pixels * 3);
          for (int i = 0; i < pixels; ++i, q += 4) rgb.append(char(q[2])).append(char(q[1])).append(char(q[0]));
          out.write(rgb);
        }
      }
    }
    if (colour) *colour = spread;
    free(img);
    return sum;
  }

 private:
  xcb_atom_t atom(const char* name) {
    auto* r = xcb_intern_atom_reply(conn_, xcb_intern_atom(conn_, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : 0;
    free(r);
    return a;
  }
  QByteArray titleOf(xcb_window_t w) {
    for (xcb_atom_t prop : {netWmName_, xcb_atom_t(XCB_ATOM_WM_NAME)}) {
      auto* r = xcb_get_property_reply(conn_, xcb_get_property(conn_, 0, w, prop, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr);
      QByteArray t;
      if (r && xcb_get_property_value_length(r) > 0)
        t = QByteArray(static_cast<const char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
      free(r);
      if (!t.isEmpty()) return t;
    }
    return {};
  }

  xcb_connection_t* conn_ = nullptr;
  xcb_window_t root_ = 0;
  xcb_atom_t netWmName_ = 0, utf8_ = 0;
};

// The test pictures (colour bars) are far brighter and more colourful than this; the logo box,
// a black picture and the empty screen far darker, a window's grey face (VLC's before its
// picture) has no colour at all.
constexpr double kPictureShows = 0.2;
constexpr double kPictureColour = 0.15;

// Milliseconds from starting `c` until its window `title` shows a picture in `area`, or -1.
double msToPicture(ScreenProbe& probe, Child c, const QStringList& argv, const QByteArray& title, const QRect& area,
                   const QString& log) {
  if (c.pid < 0) return -1;
  double ms = -1;
  xcb_window_t window = 0;
  while (c.started.elapsed() < 60000) {
    if (waitpid(c.pid, nullptr, WNOHANG) == c.pid) {
      c.pid = -1;
      break;
    }
    if (!window) window = probe.find(title);
    double colour = 0;
    if (window && probe.brightness(window, area, &colour) > kPictureShows && colour > kPictureColour) {
      ms = c.started.nsecsElapsed() / 1e6;
      // Kept beside the log: the picture the probe took for the first one.
      probe.brightness(window, area, nullptr, QString(log).replace(QLatin1String(".log"), QLatin1String("-seen.ppm")));
      break;
    }
    QThread::usleep(10000);
  }
  if (c.pid > 0) {
    kill(c.pid, SIGKILL);
    waitpid(c.pid, nullptr, 0);
  }
  // The next run must not find this run's window.
  for (int i = 0; i < 200 && probe.find(title); ++i) QThread::usleep(10000);
  if (ms < 0) std::fprintf(stderr, "%s showed no picture (see %s)\n", qPrintable(argv.join(' ')), qPrintable(log));
  return ms;
}

double msToPicture(ScreenProbe& probe, const QStringList& argv, const QByteArray& title, const QRect& area,
                   const QString& log, const QList<QByteArray>& extraEnv = {}) {
  return msToPicture(probe, spawn(argv, "xcb", log, extraEnv), argv, title, area, log);
}

// The player's own timeline of one cold start (its "vcd.startup" lines), in milliseconds from
// its exec, beside the moment the probe saw the picture.
QString startupTimeline(ScreenProbe& probe, const QStringList& player, const QRect& area, const QString& log) {
  Child c = spawn(player, "xcb", log, {"QT_LOGGING_RULES=vcd.startup.debug=true"});
  const double execMs = double(c.started.msecsSinceReference());
  const double seen = msToPicture(probe, c, player, "Voren VCD Player Lite ver2.2.0", area, log);
  QFile f(log);
  if (!f.open(QIODevice::ReadOnly)) return {};
  QStringList steps;
  for (const QByteArray& line : f.readAll().split('\n')) {
    // "vcd.startup: <monotonic ms> (+<ms>) <step>"
    if (!line.startsWith("vcd.startup: ")) continue;
    const QByteArray rest = line.mid(13);
    const qsizetype space = rest.indexOf(' '), close = rest.indexOf(") ");
    if (space < 0 || close < 0) continue;
    steps << QStringLiteral("%1 %2").arg(rest.left(space).toDouble() - execMs, 0, 'f', 0).arg(QString::fromUtf8(rest.mid(close + 2)));
  }
  return QStringLiteral("cold start timeline, ms from exec (one run, %1 load):\n    ").arg(loadAverage()) +
         steps.join(QStringLiteral("\n    ")) + QStringLiteral("\n    %1 the picture seen on the screen").arg(seen, 0, 'f', 0);
}


// Processor time (user + system, seconds) a process has used so far, from /proc; -1 when gone.
double cpuSeconds(pid_t pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return -1;
  const QByteArray line = stat.readAll();
  // Fields after the command name (which may hold spaces) in brackets: utime is the 12th, stime the 13th.
  const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
  if (f.size() < 13) return -1;
  return (f[11].toDouble() + f[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

void stop(Child& c) {
  if (c.pid <= 0) return;
  kill(c.pid, SIGKILL);
  waitpid(c.pid, nullptr, 0);
  c.pid = -1;
}

// Processor time of the child `start` starts between `from` and `to` seconds after its start, or -1.
double cpuBetween(const std::function<Child()>& start, double from, double to) {
  Child c = start();
  if (c.pid < 0) return -1;
  double atFrom = -1, atTo = -1;
  while (c.started.elapsed() < to * 1000 + 5000) {
    if (waitpid(c.pid, nullptr, WNOHANG) == c.pid) {
      c.pid = -1;
      break;
    }
    const double t = c.started.elapsed() / 1e3;
    if (atFrom < 0 && t >= from) atFrom = cpuSeconds(c.pid);
    if (t >= to) {
      atTo = cpuSeconds(c.pid);
      break;
    }
    QThread::usleep(5000);
  }
  stop(c);
  return atFrom >= 0 && atTo >= 0 ? atTo - atFrom : -1;
}

double cpuBetween(const QStringList& argv, double from, double to, const QString& log) {
  return cpuBetween([&] { return spawn(argv, "xcb", log); }, from, to);
}

// What windowed_player measured: the GUI thread's round trips idle and playing, frames shown.
struct WindowRun {
  double idleMedian = -1, idleP90 = -1, median = -1, p90 = -1, fps = -1;
  long drops = -1, delayed = -1;
};

// Waits for windowed_player `c` to end and reads its line from `log`.
WindowRun windowRun(Child c, const QString& image, const QString& log) {
  WindowRun r;
  int status = 0;
  if (c.pid < 0 || waitpid(c.pid, &status, 0) != c.pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "the windowed player did not play %s (see %s)\n", qPrintable(image), qPrintable(log));
    return r;
  }
  QFile out(log);
  if (!out.open(QIODevice::ReadOnly)) return r;
  const QList<QByteArray> lines = out.readAll().trimmed().split('\n');
  std::sscanf(lines.last().constData(), "%lf %lf %lf %lf %lf %ld %ld", &r.idleMedian, &r.idleP90, &r.median, &r.p90,
              &r.fps, &r.drops, &r.delayed);
  return r;
}


// ---- a headless sway session ----------------------------------------------------------------

// A headless sway session, started as the Wayland tests start theirs (tests/wayland/with-sway.sh:
// a user of its own when we are root, since sway refuses root; its own runtime folder, home and
// session bus) and held open while the figures run in it. What runs in it runs as the session's
// user with the session's environment, natively on Wayland, from copies every user may read
// (tests/wayland/stage.sh). Windows float at their own size, as on a bare X screen.
class SwaySession {
 public:
  SwaySession(const Settings& s, const QStringList& programs, const QString& disc) {
    if (QStandardPaths::findExecutable(QStringLiteral("sway")).isEmpty()) {
      why_ = QStringLiteral("sway is not installed (apt-get install sway)");
      return;
    }
    QProcess stage;
    stage.start(QStringLiteral(VCD_SOURCE_DIR "/tests/wayland/stage.sh"), programs + QStringList{"--disc", disc});
    if (!stage.waitForFinished(120000) || stage.exitCode() != 0) {
      why_ = QStringLiteral("the session's files could not be copied: ") + QString::fromLocal8Bit(stage.readAllStandardError()).trimmed();
      return;
    }
    stage_ = QString::fromLocal8Bit(stage.readAllStandardOutput()).trimmed();
    disc_ = stage_ + "/disc/" + QFileInfo(disc).fileName();
    QByteArray dir = "/tmp/vcd-bench-sway.XXXXXX";
    if (!mkdtemp(dir.data())) {
      why_ = QStringLiteral("no folder for the session");
      return;
    }
    dir_ = QString::fromLocal8Bit(dir);
    ::chmod(dir.constData(), 0777);  // the session's user writes its environment here
    envFile_ = dir_ + "/session.env";
    const QString log = s.binDir + "/bench/sway-session.log";
    // Inside the session: float every window, write the environment, hold until the file is gone.
    holder_ = vcd::bench::spawn({stage_ + "/tests/wayland/with-sway.sh", dir_ + "/out", "sh", "-c",
                     "swaymsg -q 'for_window [title=\".*\"] floating enable' && env >\"$0.tmp\" && mv \"$0.tmp\" \"$0\" && "
                     "while [ -e \"$0\" ]; do sleep 0.2; done",
                     envFile_},
                    "offscreen", log);
    const QByteArray envName = QFile::encodeName(envFile_);
    struct stat info {};
    while (holder_.pid > 0 && holder_.started.elapsed() < 150000 && ::stat(envName.constData(), &info) != 0) {
      if (waitpid(holder_.pid, nullptr, WNOHANG) == holder_.pid) holder_.pid = -1;
      QThread::usleep(50000);
    }
    QFile env(envFile_);
    if (holder_.pid < 0 || !env.open(QIODevice::ReadOnly)) {
      QFile out(log);
      const QByteArray said = out.open(QIODevice::ReadOnly) ? out.readAll().trimmed() : QByteArray();
      why_ = QStringLiteral("the session did not start: %1 (%2)")
                 .arg(QString::fromLocal8Bit(said.mid(said.lastIndexOf('\n') + 1)), log);
      return;
    }
    for (const QByteArray& line : env.readAll().split('\n')) {
      if (!line.contains('=') || line.startsWith("QT_QPA_PLATFORM=")) continue;
      if (line.startsWith("HOME=")) home_ = line.mid(5);
      env_.push_back(line);
    }
    env_.push_back("QT_QPA_PLATFORM=wayland");
    if (getuid() == 0 && info.st_uid != 0) {
      if (const passwd* user = getpwuid(info.st_uid)) {
        uid_ = user->pw_uid;
        gid_ = user->pw_gid;
        switchUser_ = true;
      }
    }
  }
  ~SwaySession() {
    if (!envFile_.isEmpty()) QFile::remove(envFile_);  // the session ends
    // It stops sway and removes its own folders; if it has not within 30 s, it is stopped.
    QElapsedTimer t;
    t.start();
    while (holder_.pid > 0 && waitpid(holder_.pid, nullptr, WNOHANG) != holder_.pid && t.elapsed() < 30000)
      QThread::usleep(50000);
    if (t.elapsed() >= 30000) stop(holder_);
    if (!dir_.isEmpty()) QDir(dir_).removeRecursively();
    if (!stage_.isEmpty()) QDir(stage_).removeRecursively();
  }
  bool ok() const { return !env_.empty(); }
  QString why() const { return why_; }
  // The copy of a program given to the constructor, and of its disc.
  QString program(const QString& path) const { return stage_ + "/" + QFileInfo(path).fileName(); }
  QString disc() const { return disc_; }

  // Starts `argv` in the session, its output going to `log` (opened by us).
  Child spawn(const QStringList& argv, const QString& log) const {
    return forkAs(argv, env_, log, home_,
                  switchUser_ ? std::optional(std::make_pair(uid_, gid_)) : std::nullopt);
  }

 private:
  QString why_, stage_, disc_, dir_, envFile_;
  Child holder_;
  std::vector<QByteArray> env_;
  QByteArray home_;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  bool switchUser_ = false;
};

}  // namespace

std::vector<Row> coldStartRows(const Settings& s) {
  ScreenProbe probe;
  if (!probe.ok()) return {};
  // The player's video area is 485 x 305 at (8, 0); the probe looks inside it. The reference
  // window is a picture of that very size. VLC shows the disc's picture in its main window
  // below its menu bar (at least 352 x 288 of it from about (60, 22) on): the probe looks in the
  // middle of it.
  const QStringList player = {s.binDir + "/vcdplayer", s.image};
  const QStringList plain = {s.binDir + "/bench/plain_mpv_window", s.image, s.track};
  const QRect playerArea(20, 10, 470, 250);
  const QString vlc = QStandardPaths::findExecutable(QStringLiteral("vlc"));
  const passwd* vlcUser = getpwnam(kVlcUser);
  QByteArray xauth;
  if (vlc.isEmpty() || !vlcUser) {
    std::fprintf(stderr, "VLC or its user %s is missing (scripts/bench.sh sets them up as root): no VLC figure\n", kVlcUser);
  } else {
    // A copy of the X authority the user of VLC can read.
    xauth = QFile::encodeName(s.binDir + "/bench/vlc-xauthority");
    QFile::remove(QString::fromLocal8Bit(xauth));
    if (!qEnvironmentVariableIsEmpty("XAUTHORITY")) QFile::copy(qEnvironmentVariable("XAUTHORITY"), QString::fromLocal8Bit(xauth));
    ::chmod(xauth.constData(), 0644);
  }
  const passwd vlcAccount = vlcUser ? *vlcUser : passwd{};
  // Like with like. VLC's program-stream demuxer reads a file's length off its last time stamps:
  // it seeks 200 kB before the end of the entry, which on a Video CD lies in the next track's
  // gap, reads on into the next entry and seeks back within that one, so by default VLC's first
  // picture is the disc's second entry (its first one, when started at the second), after
  // skipping the first unseen. Without that guess it starts where we do, at the first entry.
  // And no sound card here: VLC's ALSA output fails and puts up an "Audio output failed" dialog
  // beside the picture; its null output plays the sound as ours does when every output fails.
  const QStringList vlcArgv = {vlc, "--no-qt-privacy-ask", "--no-ps-trust-timestamps", "--aout=adummy", "vcd://" + s.image};
  auto runVlc = [&] {
    const QString log = s.binDir + "/bench/cold-vlc.log";
    return msToPicture(probe, spawnAs(vlcAccount, vlcArgv, log, xauth), vlcArgv, "*VLC media player",
                       QRect(90, 40, 300, 200), log);
  };
  const bool withVlc = !xauth.isEmpty();
  // One start of each first: files in the page cache, VLC's own first-run set-up done.
  msToPicture(probe, plain, "plain libmpv", QRect(12, 10, 470, 250), s.binDir + "/bench/cold-plain.log");
  msToPicture(probe, player, "Voren VCD Player Lite ver2.2.0", playerArea, s.binDir + "/bench/cold-player.log");
  if (withVlc) runVlc();
  std::vector<double> ours, ref, vlcMs, toPlain, toVlc;
  for (int r = 0; r < std::max(5, s.runs); ++r) {
    const double a = msToPicture(probe, plain, "plain libmpv", QRect(12, 10, 470, 250), s.binDir + "/bench/cold-plain.log");
    const double b = msToPicture(probe, player, "Voren VCD Player Lite ver2.2.0", playerArea,
                                 s.binDir + "/bench/cold-player.log");
    const double v = withVlc ? runVlc() : -1;
    if (a > 0) ref.push_back(a);
    if (b > 0) ours.push_back(b);
    if (v > 0) vlcMs.push_back(v);
    if (a > 0 && b > 0) toPlain.push_back(b / a);
    if (v > 0 && b > 0) toVlc.push_back(b / v);
  }
  const double r = median(ref), o = median(ours), pr = median(toPlain);
  Row plainRow{"2 cold start ms to picture", r, o, "<= 0.7x", pr > 0 && pr <= 0.7};
  plainRow.ratio = pr;
  plainRow.note = QStringLiteral("cold start: medians of per-pair ratios over %1 rounds (plain libmpv, player, VLC): "
                                 "%2x the plain program (%3-%4x)")
                      .arg(toPlain.size())
                      .arg(pr, 0, 'f', 2)
                      .arg(toPlain.empty() ? 0.0 : *std::min_element(toPlain.begin(), toPlain.end()), 0, 'f', 2)
                      .arg(toPlain.empty() ? 0.0 : *std::max_element(toPlain.begin(), toPlain.end()), 0, 'f', 2);
  std::vector<Row> rows{plainRow};
  if (withVlc) {
    const double pv = median(toVlc);
    Row vlcRow{"2 cold start ms vs VLC", median(vlcMs), o, "<= 0.8x", pv > 0 && pv <= 0.8};
    vlcRow.ratio = pv;
    vlcRow.note = QStringLiteral("  %1x VLC (%2-%3x, %4 pairs)")
                      .arg(pv, 0, 'f', 2)
                      .arg(toVlc.empty() ? 0.0 : *std::min_element(toVlc.begin(), toVlc.end()), 0, 'f', 2)
                      .arg(toVlc.empty() ? 0.0 : *std::max_element(toVlc.begin(), toVlc.end()), 0, 'f', 2)
                      .arg(toVlc.size());
    rows.push_back(vlcRow);
  }
  rows.back().note += QLatin1Char('\n') + startupTimeline(probe, player, playerArea, s.binDir + "/bench/cold-timeline.log");
  return rows;
}

std::vector<Row> playbackRows(const Settings& s) {
  const QString track = extractedTrackPath(s);
  if (!QFileInfo(track).isFile()) {
    std::fprintf(stderr, "%s is missing (the reader figures write it)\n", qPrintable(track));
    return {};
  }
  // Both play the whole 60 s track in real time with no picture and no sound output. The pairs
  // run side by side: each process is light, and its own processor time and peak memory are
  // its own whatever runs beside it.
  const QStringList player = {s.binDir + "/bench/headless_player", s.longImage};
  const QStringList mpvCli = {"mpv", "--no-config", "--no-terminal", "--vo=null", "--ao=null", track};
  const int pairs = std::min(s.runs, 3);
  // The figures come from GNU time, which forks each program from its own small process: a
  // program started straight from this (large) one would count our memory as its peak, since
  // Linux keeps the high-water mark across exec.
  auto timed = [&](const QStringList& argv, const QString& name) {
    return QStringList{"/usr/bin/time", "-f", "%U %S %M", "-o", s.binDir + "/bench/" + name + ".time"} + argv;
  };
  std::vector<Child> ourKids, refKids;
  for (int r = 0; r < pairs; ++r) {
    refKids.push_back(spawn(timed(mpvCli, QStringLiteral("play-mpv-%1").arg(r)), "offscreen",
                            s.binDir + QStringLiteral("/bench/play-mpv-%1.log").arg(r)));
    ourKids.push_back(spawn(timed(player, QStringLiteral("play-player-%1").arg(r)), "offscreen",
                            s.binDir + QStringLiteral("/bench/play-player-%1.log").arg(r)));
  }
  std::vector<double> ourCpu, ourMem, refCpu, refMem, ourWall, refWall;
  int failed = 0;
  for (int left = 2 * pairs; left > 0; --left) {
    // Whichever ends first: its wall time is its own.
    int status = 0;
    const pid_t pid = waitpid(-1, &status, 0);
    if (pid < 0) break;
    for (int r = 0; r < pairs; ++r) {
      const bool mine = ourKids[r].pid == pid;
      if (!mine && refKids[r].pid != pid) continue;
      QFile report(s.binDir + QStringLiteral("/bench/play-%1-%2.time").arg(mine ? "player" : "mpv").arg(r));
      double user = -1, sys = -1, maxKiB = -1;
      if (report.open(QIODevice::ReadOnly))
        std::sscanf(report.readAll().constData(), "%lf %lf %lf", &user, &sys, &maxKiB);
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || maxKiB < 0) {
        ++failed;
        break;
      }
      const Child& c = mine ? ourKids[r] : refKids[r];
      (mine ? ourCpu : refCpu).push_back(user + sys);
      (mine ? ourMem : refMem).push_back(maxKiB / 1024.0);
      (mine ? ourWall : refWall).push_back(c.started.elapsed() / 1e3);
    }
  }
  if (failed) std::fprintf(stderr, "%d playback runs failed (logs in %s/bench)\n", failed, qPrintable(s.binDir));
  const double rc = median(refCpu), oc = median(ourCpu), rm = median(refMem), om = median(ourMem);
  Row cpu{"4 CPU s, 60 s playback", rc, oc, "<= 1.1x", oc > 0 && rc > 0 && oc <= 1.1 * rc};
  cpu.note = QStringLiteral("playback: %1 pairs side by side, wall %2 s (mpv) / %3 s (player)")
                 .arg(pairs)
                 .arg(median(refWall), 0, 'f', 1)
                 .arg(median(ourWall), 0, 'f', 1);
  return {cpu, {"4 peak RSS MiB, 60 s playback", rm, om, "<= 1.1x", om > 0 && rm > 0 && om <= 1.1 * rm}};
}

std::vector<Row> windowRows(const Settings& s) {
  // One run per track rate: the first track of each disc plays in the real window.
  using Run = WindowRun;
  auto run = [&](const QString& image, const QString& name) {
    const QString log = s.binDir + "/bench/window-" + name + ".log";
    return windowRun(spawn({s.binDir + "/bench/windowed_player", image, QString::number(s.frameSeconds)}, "xcb", log),
                     image, log);
  };
  const Run pal = run(s.longImage, "pal");
  const Run ntsc = run(s.ntscImage, "ntsc");
  std::vector<Row> rows;
  rows.push_back({"7 GUI round trip ms, median", pal.idleMedian, pal.median, "<= 2 ms, 3x",
                  pal.median >= 0 && pal.median <= 2.0 && pal.median <= 3 * std::max(pal.idleMedian, 0.1)});
  rows.push_back({"7 GUI round trip ms, 90th pct", pal.idleP90, pal.p90, "<= 10 ms", pal.p90 >= 0 && pal.p90 <= 10.0});
  for (const auto& [r, rate, label] : {std::tuple{pal, 25.0, "8 frames/s shown, 25 fps"},
                                       std::tuple{ntsc, 30000.0 / 1001.0, "8 frames/s shown, 29.97 fps"}}) {
    Row row{label, rate, r.fps, "within 1%", r.fps > 0 && std::abs(r.fps - rate) <= 0.01 * rate && r.drops == 0 &&
                                                  r.delayed == 0};
    row.note = QStringLiteral("%1: %2 frames dropped, %3 delayed (libmpv's counts)").arg(label).arg(r.drops).arg(r.delayed);
    rows.push_back(row);
  }

  // Processor time from 4 s to 12 s of playing the same track in a window of the same size:
  // the player against the mpv player, three interleaved pairs.
  const QString track = extractedTrackPath(s);
  const QString mpv = QStandardPaths::findExecutable(QStringLiteral("mpv"));
  if (mpv.isEmpty()) std::fprintf(stderr, "the mpv player is not installed: no reference for figure 9\n");
  const QStringList mpvCli = {mpv, "--no-config", "--no-terminal", "--ao=null", "--vo=gpu", "--gpu-context=x11egl",
                              "--geometry=485x265", "--force-window=yes", track};
  const QStringList player = {s.binDir + "/vcdplayer", s.longImage};
  std::vector<double> ours, ref;
  for (int r = 0; r < 3; ++r) {
    const double a = cpuBetween(mpvCli, 4, 12, s.binDir + "/bench/cpu-mpv.log");
    const double b = cpuBetween(player, 4, 12, s.binDir + "/bench/cpu-player.log");
    if (a > 0) ref.push_back(a);
    if (b > 0) ours.push_back(b);
  }
  const double rc = median(ref), oc = median(ours);
  rows.push_back({"9 CPU s, windowed 4-12 s", rc, oc, "<= 1.3x", oc > 0 && rc > 0 && oc <= 1.3 * rc});
  return rows;
}

std::vector<Row> waylandRows(const Settings& s) {
  const QString windowed = s.binDir + "/bench/windowed_player", player = s.binDir + "/vcdplayer";
  SwaySession sway(s, {windowed, player}, s.longImage);
  if (!sway.ok()) {
    std::printf("7w, 9w (native Wayland): not measured: %s\n", qPrintable(sway.why()));
    return {};
  }
  // Pairs in the same session, the X11 run (Xvfb) and the native Wayland run taking turns at
  // going first; ratios are medians of the per-pair ratios.
  const int pairs = std::clamp(s.runs, 1, 3);
  const QString frames = QString::number(std::min(s.frameSeconds, 10));
  std::vector<double> wIdle, wIdleP90, wMedian, wP90, xMedian, xP90, wFps, xFps, medianRatio, p90Ratio;
  long wLate = 0, xLate = 0;
  for (int r = 0; r < pairs; ++r) {
    WindowRun x, w;
    for (int turn = 0; turn < 2; ++turn) {
      if ((turn == 0) == (r % 2 == 0)) {
        const QString log = s.binDir + QStringLiteral("/bench/window-x11-%1.log").arg(r);
        x = windowRun(spawn({windowed, s.longImage, frames}, "xcb", log), s.longImage, log);
      } else {
        const QString log = s.binDir + QStringLiteral("/bench/window-wayland-%1.log").arg(r);
        w = windowRun(sway.spawn({sway.program(windowed), sway.disc(), frames}, log), s.longImage, log);
      }
    }
    if (w.median >= 0) {
      wIdle.push_back(w.idleMedian), wIdleP90.push_back(w.idleP90), wMedian.push_back(w.median), wP90.push_back(w.p90);
      wFps.push_back(w.fps), wLate += w.drops + w.delayed;
    }
    if (x.median >= 0) {
      xMedian.push_back(x.median), xP90.push_back(x.p90), xFps.push_back(x.fps), xLate += x.drops + x.delayed;
    }
    if (w.median >= 0 && x.median > 0) medianRatio.push_back(w.median / x.median), p90Ratio.push_back(w.p90 / x.p90);
  }
  const double idle = median(wIdle), playing = median(wMedian), p90 = median(wP90);
  std::vector<Row> rows;
  rows.push_back({"7w Wayland round trip ms, median", idle, playing, "<= 2 ms, 3x",
                  playing >= 0 && playing <= 2.0 && playing <= 3 * std::max(idle, 0.1)});
  rows.push_back({"7w Wayland round trip ms, 90th", median(wIdleP90), p90, "<= 10 ms", p90 >= 0 && p90 <= 10.0});
  Row vsMedian{"7w Wayland vs X11 (7), median", median(xMedian), playing, "<= 2 ms", playing >= 0 && playing <= 2.0};
  vsMedian.ratio = median(medianRatio);
  Row vsP90{"7w Wayland vs X11 (7), 90th", median(xP90), p90, "<= 10 ms", p90 >= 0 && p90 <= 10.0};
  vsP90.ratio = median(p90Ratio);
  vsP90.note = QStringLiteral("7w: %1 pairs of windowed_player runs (native Wayland in headless sway, X11 in Xvfb), "
                              "references of the vs-X11 rows the X11 runs; frames/s shown over %2 s: %3 Wayland, %4 X11; "
                              "dropped or late: %5 Wayland, %6 X11")
                   .arg(medianRatio.size())
                   .arg(frames)
                   .arg(median(wFps), 0, 'f', 2)
                   .arg(median(xFps), 0, 'f', 2)
                   .arg(wLate)
                   .arg(xLate);
  rows.push_back(vsMedian);
  rows.push_back(vsP90);

  // Processor time of the player itself from 4 s to 12 s after its start, natively on Wayland
  // against the same binary on X11, in pairs taking turns at going first.
  std::vector<double> wCpu, xCpu, cpuRatio;
  for (int r = 0; r < pairs; ++r) {
    double x = -1, w = -1;
    for (int turn = 0; turn < 2; ++turn) {
      if ((turn == 0) == (r % 2 == 0))
        x = cpuBetween({player, s.longImage}, 4, 12, s.binDir + "/bench/cpu-player-x11.log");
      else
        w = cpuBetween([&] { return sway.spawn({sway.program(player), sway.disc()}, s.binDir + "/bench/cpu-player-wayland.log"); },
                       4, 12);
    }
    if (x > 0) xCpu.push_back(x);
    if (w > 0) wCpu.push_back(w);
    if (x > 0 && w > 0) cpuRatio.push_back(w / x);
  }
  const double cpuX = median(xCpu), cpuW = median(wCpu), ratio = median(cpuRatio);
  Row cpu{"9w CPU s 4-12 s, Wayland vs X11", cpuX, cpuW, "<= 1.1x", ratio > 0 && ratio <= 1.1};
  cpu.ratio = ratio;
  QStringList each;
  for (size_t i = 0; i < std::min(xCpu.size(), wCpu.size()); ++i)
    each << QStringLiteral("%1/%2").arg(wCpu[i], 0, 'f', 2).arg(xCpu[i], 0, 'f', 2);
  cpu.note = QStringLiteral("9w: vcdplayer long60.cue, %1 pairs, Wayland/X11 s: %2").arg(cpuRatio.size()).arg(each.join(", "));
  rows.push_back(cpu);
  return rows;
}

}  // namespace vcd::bench
