// The player against plain libmpv, the mpv command-line player and the image file itself:
// every figure beside its reference, measured in the same run on the same machine. Prints one
// table and exits non-zero when a target is missed. Run it through scripts/bench.sh (it needs
// an X display for the cold start).
//
//   vcd_bench [--runs N] [--only 1,2,3,4,5,6,7,10,11,w] [--changes N] (7 also gives figures 8 and 9;
//   w, or 7w or 9w, figures 7 and 9 natively on Wayland in a headless sway against X11)
#include "bench/bench.h"

#include <QApplication>
#include <QSet>
#include <cstdio>

using namespace vcd::bench;

int main(int argc, char** argv) {
  // This process itself needs no screen: the window under test stays hidden. The cold start
  // starts its programs on the real display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  setvbuf(stdout, nullptr, _IOLBF, 0);

  Settings s;
  s.binDir = QStringLiteral(VCD_BINARY_DIR);
  s.mediaDir = QStringLiteral(VCD_MEDIA_DIR);
  s.image = s.mediaDir + "/demo.cue";
  s.longImage = s.mediaDir + "/long60.cue";
  s.shortImage = s.mediaDir + "/pal25.cue";
  s.ntscImage = s.mediaDir + "/long45ntsc.cue";
  constexpr int kWayland = 10;  // figures 7w and 9w
  constexpr int kLateDisc = 11;  // figure 10
  constexpr int kScratches = 12;  // figure 11
  QSet<int> parts{1, 2, 3, 4, 5, 6, 7, kWayland, kLateDisc, kScratches};
  const QStringList args = app.arguments();
  for (int i = 1; i + 1 < args.size(); ++i) {
    if (args[i] == "--runs") {
      s.runs = std::max(1, args[++i].toInt());
    } else if (args[i] == "--changes") {
      s.changes = std::max(11, args[++i].toInt());
    } else if (args[i] == "--only") {
      parts.clear();
      for (const QString& p : args[++i].split(','))
        parts.insert(p.endsWith('w')               ? kWayland
                     : p == QLatin1String("10") ? kLateDisc
                     : p == QLatin1String("11") ? kScratches
                                                : p.toInt());
    }
  }
  std::printf("Medians of %d runs (track switches: %d; playback: %d pairs side by side). Load at start: %s.\n", s.runs,
              std::max(5, s.runs * 2), std::min(s.runs, 3), qPrintable(loadAverage()));

  std::vector<Row> rows;
  auto add = [&](int part, const char* what, std::vector<Row> (*measure)(const Settings&)) {
    if (!parts.contains(part)) return;
    std::fprintf(stderr, "measuring %s...\n", what);
    for (Row& r : measure(s)) rows.push_back(std::move(r));
  };
  // Growth first: a heap that other parts grew already would hide it.
  add(6, "memory over many track changes", growthRows);
  add(1, "start-up sectors and time at 1x and 8x", startupRows);
  add(2, "cold start", coldStartRows);
  add(3, "track switch", trackSwitchRows);
  add(kLateDisc, "a disc put in while the player waits", lateDiscRows);
  add(5, "reader throughput", readerRows);  // also leaves the track's payload for the mpv player
  add(4, "playback cost (about a minute)", playbackRows);
  // The mpv player's reference of figure 9 plays the payload the reader figures write.
  if (parts.contains(7) && !parts.contains(5)) readerRows(s);
  add(7, "the real window playing (about three minutes)", windowRows);
  add(kScratches, "a scratched disc (about a minute)", scratchRows);
  add(kWayland, "the real window natively on Wayland against X11 (about four minutes)", waylandRows);
  // By the figure's number ("7w" beside 7, 10 after 9).
  const auto number = [](const QString& figure) {
    int n = 0;
    for (const QChar c : figure) {
      if (!c.isDigit()) break;
      n = n * 10 + c.digitValue();
    }
    return n;
  };
  std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) { return number(a.figure) < number(b.figure); });

  std::printf("\n%-34s %11s %11s %8s %10s %6s\n", "figure", "reference", "player", "ratio", "target", "result");
  bool allPass = true;
  QStringList notes;
  for (const Row& r : rows) {
    allPass = allPass && r.pass;
    std::printf("%-34s %11.2f %11.2f %7.2fx %10s %6s\n", qPrintable(r.figure), r.reference, r.ours,
                r.ratio >= 0 ? r.ratio : r.reference > 0 ? r.ours / r.reference : 0.0, qPrintable(r.target),
                r.pass ? "pass" : "FAIL");
    if (!r.note.isEmpty()) notes << r.note;
  }
  std::printf("\nReferences: 1, 3 plain libmpv (defaults, no picture or sound) on the same stream; 2 a plain Qt +\n"
              "libmpv program (render API) on the same track, both under Xvfb, and VLC playing the image; 4 the mpv player on the same\n"
              "payload as a file; 5 the 1x rate (read() of the same sectors of the BIN beside it); 6 after 10 changes;\n"
              "7 the same window before the disc plays; 8 the track's own frame rate; 9 the mpv player\n"
              "(--vo=gpu, x11egl) showing the same track in a 485 x 265 window; 7w the same window natively on Wayland\n"
              "(headless sway) before the disc plays, and figure 7's X11 run; 9w the player itself on X11 (Xvfb); 10 one failed\n"
              "read per bad sector, and the GUI round trip while the clean disc's track plays.\n");
  for (const QString& n : notes) std::printf("%s\n", qPrintable(n));
  std::printf("Load at the end: %s.\n", qPrintable(loadAverage()));
  return allPass && rows.size() > 0 ? 0 : 1;
}
