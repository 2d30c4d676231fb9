#pragma once
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>

#include "platform/medium_state.h"

class QThread;

// Tells the window when a disc appears in a drive while the player runs (a slot-loading drive,
// a tray pushed shut by hand, a disc image put in the virtual drive), so that it can be
// searched and played as if Close had been pressed.
namespace vcd::platform {

class MediaWatcherWorker;

// Watches on a thread of its own. Optical drives are watched through UDisks2 (its Drive
// objects' MediaAvailable and Media changing) where the system bus has it; otherwise, and for
// drives UDisks2 does not know (the virtual drive), the drive table is asked a few times a
// second while the watcher is idle, and not at all while it is not. mediumArrived is emitted on
// the thread the watcher was made on; nothing there waits for the watcher.
class MediaWatcher : public QObject {
  Q_OBJECT
 public:
  static constexpr int kPollMs = 400;

  // `bus` makes the connection to watch UDisks2 on, called on the watcher's thread (default:
  // the system bus; one without UDisks2 leaves the optical drives to the polls).
  explicit MediaWatcher(MediaQuery query, std::function<QDBusConnection()> bus = {}, QObject* parent = nullptr);
  ~MediaWatcher() override;

  // Starts watching; the media in the drives now are what later changes are measured from.
  void start();
  // Idle: nothing plays, so the drives are polled. Not idle: no poll runs.
  void setIdle(bool idle);
  // Polls made so far; whether optical drives are left to UDisks2 (known once started).
  int rounds() const { return rounds_; }
  bool watchesUdisks() const { return udisks_; }
  // The first poll has been made (or UDisks2 answered): later changes are reported.
  bool ready() const { return ready_; }

 signals:
  // A disc appeared: `device` as MediumState names it, or the UDisks2 drive's object path.
  void mediumArrived(const QString& device);

 private:
  friend class MediaWatcherWorker;
  MediaQuery query_;
  std::function<QDBusConnection()> bus_;
  QThread* thread_ = nullptr;
  MediaWatcherWorker* worker_ = nullptr;
  std::atomic<int> rounds_{0};
  std::atomic<bool> udisks_{false};
  std::atomic<bool> ready_{false};
  bool idle_ = true;
};

}  // namespace vcd::platform
