#pragma once
// Everything a player reports, in order, with the figures seen at each end of stream.
#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <QVector>
#include <algorithm>

#include "engine/mpv_player.h"
#include "tests/support/media.h"

namespace vcd::test {

struct Recorder {
  struct Entry {
    bool end = false;
    int state = 0;  // the new state of a change
    double position = -1, duration = -1;
  };
  QVector<Entry> log;
  bool offGuiThread = false;

  explicit Recorder(engine::MpvPlayer& player) {
    auto note = [this](Entry e) {
      if (QThread::currentThread() != QCoreApplication::instance()->thread()) offGuiThread = true;
      log.push_back(e);
    };
    QObject::connect(&player, &MediaPlayer::PlayStateChange, &player, [note](int, int n) { note({false, n}); },
                     Qt::DirectConnection);
    QObject::connect(&player, &MediaPlayer::EndOfStream, &player,
                     [note, &player](int) { note({true, 0, player.CurrentPosition(), player.Duration()}); },
                     Qt::DirectConnection);
  }
  int endCount() const { return int(std::count_if(log.begin(), log.end(), [](const Entry& e) { return e.end; })); }
  QVector<int> states() const {
    QVector<int> out;
    for (const Entry& e : log)
      if (!e.end) out << e.state;
    return out;
  }
  bool sawState(int s) const { return states().contains(s); }
  Entry lastEnd() const {
    for (auto it = log.rbegin(); it != log.rend(); ++it)
      if (it->end) return *it;
    return {};
  }
};

// Waits (with a generous bound) for the player to reach a state, or for its n-th end.
inline bool waitForState(const engine::MpvPlayer& player, int state, int ms = 30000) {
  return QTest::qWaitFor([&] { return player.PlayState() == state; }, ms);
}
inline bool waitForEnds(const Recorder& rec, int count, int ms = 60000) {
  return QTest::qWaitFor([&] { return rec.endCount() >= count; }, ms);
}

}  // namespace vcd::test
