// Figures taken on whole processes: cold start (process start to the first picture on the X
// screen) and the cost of playing a long track (processor time and peak memory from wait4).
#include "bench/bench.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QRect>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <xcb/xcb.h>

extern char** environ;

namespace vcd::bench {

namespace {

// ---- child processes ------------------------------------------------------------------------

struct Child {
  pid_t pid = -1;
  QElapsedTimer started;
};

// Starts `argv` with the Qt platform set to `platform`; its output goes to `log`.
Child spawn(const QStringList& argv, const QByteArray& platform, const QString& log) {
  std::vector<QByteArray> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0) env.emplace_back(*e);
  env.push_back("QT_QPA_PLATFORM=" + platform);
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
  if (posix_spawnp(&c.pid, argp[0], &actions, nullptr, argp.data(), envp.data()) != 0) {
    std::fprintf(stderr, "cannot start %s\n", argp[0]);
    c.pid = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  return c;
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

  // A viewable top-level window with this title, or 0.
  xcb_window_t find(const QByteArray& title) {
    xcb_window_t found = 0;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(conn_, xcb_query_tree(conn_, root_), nullptr);
    if (!tree) return 0;
    const xcb_window_t* kids = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i) {
      if (titleOf(kids[i]) != title) continue;
      auto* attrs = xcb_get_window_attributes_reply(conn_, xcb_get_window_attributes(conn_, kids[i]), nullptr);
      if (attrs && attrs->map_state == XCB_MAP_STATE_VIEWABLE) found = kids[i];
      free(attrs);
    }
    free(tree);
    return found;
  }

  // Mean brightness (0..1) of `area` (relative to the window's top-left corner), or -1.
  double brightness(xcb_window_t window, const QRect& area) {
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
    double sum = -1;
    if (bytes >= pixels * 4) {  // 24-bit screen: B, G, R, pad
      sum = 0;
      for (int i = 0; i < pixels; ++i, p += 4) sum += 0.0722 * p[0] + 0.7152 * p[1] + 0.2126 * p[2];
      sum /= 255.0 * pixels;
    }
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

// The test pictures are far brighter than this; the logo box, a black picture and the empty
// screen far darker.
constexpr double kPictureShows = 0.2;

// Milliseconds from starting `argv` until its window `title` shows a picture in `area`, or -1.
double msToPicture(ScreenProbe& probe, const QStringList& argv, const QByteArray& title, const QRect& area,
                   const QString& log) {
  Child c = spawn(argv, "xcb", log);
  if (c.pid < 0) return -1;
  double ms = -1;
  xcb_window_t window = 0;
  while (c.started.elapsed() < 60000) {
    if (waitpid(c.pid, nullptr, WNOHANG) == c.pid) {
      c.pid = -1;
      break;
    }
    if (!window) window = probe.find(title);
    if (window && probe.brightness(window, area) > kPictureShows) {
      ms = c.started.nsecsElapsed() / 1e6;
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
  if (ms < 0) std::fprintf(stderr, "%s showed no picture (see %s)\n", qPrintable(argv[0]), qPrintable(log));
  return ms;
}

}  // namespace

std::vector<Row> coldStartRows(const Settings& s) {
  ScreenProbe probe;
  if (!probe.ok()) return {};
  // The player's video area is 485 x 305 at (8, 0); the probe looks inside it. The reference
  // window is a picture of that very size.
  const QStringList player = {s.binDir + "/vcdplayer", s.image};
  const QStringList plain = {s.binDir + "/bench/plain_mpv_window", s.image, s.track};
  std::vector<double> ours, ref;
  for (int r = 0; r < s.runs; ++r) {
    const double a = msToPicture(probe, plain, "plain libmpv", QRect(12, 10, 470, 250), s.binDir + "/bench/cold-plain.log");
    const double b = msToPicture(probe, player, "Voren VCD Player Lite ver2.2.0", QRect(20, 10, 470, 250),
                                 s.binDir + "/bench/cold-player.log");
    if (a > 0) ref.push_back(a);
    if (b > 0) ours.push_back(b);
  }
  const double r = median(ref), o = median(ours);
  return {{"2 cold start ms to picture", r, o, "<= 1.3x", o > 0 && r > 0 && o <= 1.3 * r}};
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
  return {cpu, {"4 peak RSS MiB, 60 s playback", rm, om, "<= 1.3x", om > 0 && rm > 0 && om <= 1.3 * rm}};
}

}  // namespace vcd::bench
