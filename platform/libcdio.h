#pragma once
#include <QString>

#include <cdio/cdio.h>

#include <memory>
#include <mutex>

// libcdio, set up once for the whole process.
//
// What libcdio shares between threads is its process-wide state: the log handler, the driver
// table that cdio_init fills, and the parsers of its image drivers and device lists (strtok and
// static buffers). Every call that touches it (init, opening and closing a handle, listing the
// devices) runs under libcdioSetupMutex. A handle, once open, keeps its state to itself: reads and
// queries on it (cdio_read_*, cdio_get_track_lsn, cdio_get_num_tracks) take no process-wide lock,
// but a handle is not thread-safe either, so it is used by one thread at a time: the thread that
// opened it until it is handed on, then under the lock of the disc that holds it (cdio_disc.cpp).
namespace vcd::platform {

std::mutex& libcdioSetupMutex();
// Routes libcdio's log into the logging categories (instead of its own handler, which ends the
// process on errors). Runs once; called under libcdioSetupMutex before any other libcdio call.
void initLibcdio();

// A libcdio handle, closed under libcdioSetupMutex when it goes.
struct CloseCdio {
  void operator()(CdIo_t* cdio) const;
};
using CdioHandle = std::unique_ptr<CdIo_t, CloseCdio>;

// Opens a drive or an NRG image through libcdio; nullptr when libcdio fails or one of its
// assertions failed while it opened it.
CdioHandle openCdio(const QString& path, driver_id_t driver);

}  // namespace vcd::platform
