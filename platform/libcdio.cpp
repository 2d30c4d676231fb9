#include "platform/libcdio.h"

#include "disc/file_names.h"
#include "platform/log.h"

#include <cdio/logging.h>

namespace vcd::platform {

namespace {

// libcdio's failed assertions on this thread since the last libcdio open began.
thread_local int cdioFailures = 0;

void routeCdioLog(cdio_log_level_t level, const char message[]) {
  // libcdio's own handler ends the process on errors and assertions. Its errors are often
  // harmless (an NRG track's length not a multiple of the block size it first assumed); a
  // failed assertion makes the open fail.
  if (level >= CDIO_LOG_ASSERT) ++cdioFailures;
  qCDebug(lcDisc, "libcdio: %s", message);
}

// Runs `f` on libcdio's process-wide state.
template <typename F>
auto serialized(F&& f) {
  std::lock_guard lock(libcdioSetupMutex());
  initLibcdio();
  return f();
}

}  // namespace

std::mutex& libcdioSetupMutex() {
  static std::mutex mutex;
  return mutex;
}

void initLibcdio() {
  static std::once_flag once;
  std::call_once(once, [] {
    cdio_log_set_handler(&routeCdioLog);
    cdio_init();
  });
}

void CloseCdio::operator()(CdIo_t* cdio) const {
  serialized([cdio] { cdio_destroy(cdio); });
}

CdioHandle openCdio(const QString& path, driver_id_t driver) {
  const QByteArray name = disc::bytesOfName(path);
  bool assertionFailed = false;
  CdioHandle cdio(serialized([&] {
    cdioFailures = 0;
    CdIo_t* opened = cdio_open(name.constData(), driver);
    assertionFailed = cdioFailures > 0;
    return opened;
  }));
  if (assertionFailed && cdio) {
    qCDebug(lcDisc, "libcdio opened %s but failed an assertion: closed again", name.constData());
    cdio.reset();
  }
  return cdio;
}

}  // namespace vcd::platform
