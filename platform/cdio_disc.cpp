#include "platform/cdio_disc.h"

#include "disc/nrg_check.h"
#include "platform/drive_status.h"
#include "platform/libcdio.h"
#include "platform/log.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace vcd::platform {

using disc::failure;
using disc::kForm1SectorBytes;
using disc::kForm2SectorBytes;
using disc::kSubheaderBytes;

namespace {

constexpr int kM2RawSectorBytes = 2336;  // subheader (8) + payload (2,324) + spare (4)
// What a drive is asked for on a scratched disc (in units of 1x): slow enough to read marginal
// sectors better, still well above the 1x a Video CD plays at. 0 asks for the drive's fastest.
constexpr int kCarefulSpeed = 4;
constexpr int kFullSpeed = 0;

// A disc read through libcdio: an optical drive, or an NRG image. The handle is this object's
// alone; the streams of one folder share the object, so its reads take turns (see libcdio.h).
class CdioDisc : public disc::DiscHandle {
 public:
  CdioDisc(CdioHandle cdio, QString device, std::shared_ptr<disc::VirtualDisc> virtualDisc,
           std::shared_ptr<disc::DataFile> nrg)
      : cdio_(std::move(cdio)), device_(std::move(device)), virtual_(std::move(virtualDisc)), nrg_(std::move(nrg)) {
    // Still this thread's handle alone: nobody else has the object yet.
    const lsn_t leadOut = cdio_get_track_lsn(cdio_.get(), CDIO_CDROM_LEADOUT_TRACK);
    end_ = leadOut == CDIO_INVALID_LSN || leadOut <= 0 ? UINT32_MAX : static_cast<uint32_t>(leadOut);
  }

  bool readSectors(uint8_t* buf, uint32_t lsn, uint32_t count, bool form2) override {
    if (virtual_ && !virtual_->present()) return false;
    if (count == 0) return true;
    if (lsn >= end_ || count > end_ - lsn) return false;
    std::lock_guard lock(readMutex_);  // streams of one folder share this disc
    // libcdio's image drivers report success for sectors they could not read, leaving the
    // buffer untouched: start from zeros so no stale data passes for disc content.
    if (!form2) {
      std::memset(buf, 0, static_cast<size_t>(count) * kForm1SectorBytes);
      return cdio_read_data_sectors(cdio_.get(), buf, static_cast<lsn_t>(lsn), kForm1SectorBytes, count) ==
             DRIVER_OP_SUCCESS;
    }
    raw_.assign(static_cast<size_t>(count) * kM2RawSectorBytes, 0);
    if (cdio_read_mode2_sectors(cdio_.get(), raw_.data(), static_cast<lsn_t>(lsn), true, count) != DRIVER_OP_SUCCESS)
      return false;
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* sector = raw_.data() + static_cast<size_t>(i) * kM2RawSectorBytes;
      if (!disc::subheaderWritten(sector)) return false;
      // Keep the payload between the XA subheader and the spare bytes.
      std::memcpy(buf + static_cast<size_t>(i) * kForm2SectorBytes, sector + kSubheaderBytes, kForm2SectorBytes);
    }
    return true;
  }

  uint32_t endLsn() override { return end_; }

  bool setSlowReading(bool slow) override {
    if (virtual_) return false;  // an image reads as it reads
    std::lock_guard lock(readMutex_);
    const driver_return_code_t rc = cdio_set_speed(cdio_.get(), slow ? kCarefulSpeed : kFullSpeed);
    if (rc != DRIVER_OP_SUCCESS) {
      qCDebug(lcDrives, "%s refused to change its speed (%s)", qPrintable(device_), cdio_driver_errmsg(rc));
      return false;
    }
    slow_ = slow;
    return true;
  }
  bool slowReading() override {
    std::lock_guard lock(readMutex_);
    return slow_;
  }

  bool mediumPresent() override {
    if (virtual_) return virtual_->present() && nrg_->stillThere();
    const DriveState state = DriveDevice(device_).state();
    return state == DriveState::DiscOk || state == DriveState::Unknown;
  }

 private:
  CdioHandle cdio_;
  QString device_;
  std::shared_ptr<disc::VirtualDisc> virtual_;  // null for an optical drive
  std::shared_ptr<disc::DataFile> nrg_;         // the image a virtual drive's disc is
  uint32_t end_ = UINT32_MAX;
  std::mutex readMutex_;
  std::vector<uint8_t> raw_;
  bool slow_ = false;
};

}  // namespace

OpenedDisc openDriveDisc(const QString& device, const QString& driveName) {
  {
    const DriveDevice drive(device);
    switch (drive.state()) {
      case DriveState::NoDisc: return failure(QStringLiteral("No disc in drive %1").arg(driveName));
      case DriveState::TrayOpen: return failure(QStringLiteral("Drive %1 is open (no disc)").arg(driveName));
      case DriveState::NotReady: return failure(QStringLiteral("Drive %1 is not ready").arg(driveName));
      case DriveState::Unreachable:
        return failure(QStringLiteral("Drive %1 (%2) cannot be opened: %3")
                           .arg(driveName, device, QString::fromLocal8Bit(std::strerror(drive.openError()))));
      case DriveState::DiscOk:
      case DriveState::Unknown: break;
    }
  }
  CdioHandle cdio = openCdio(device, DRIVER_LINUX);
  if (!cdio) return failure(QStringLiteral("Drive %1 is not ready").arg(driveName));
  return std::unique_ptr<disc::DiscHandle>(std::make_unique<CdioDisc>(std::move(cdio), device, nullptr, nullptr));
}

OpenedDisc openNrgDisc(std::shared_ptr<disc::VirtualDisc> disc, const disc::NrgImage& image, const QString& driveName) {
  CdioHandle cdio = disc::checkNrg(*image.file) ? openCdio(image.file->path(), DRIVER_NRG) : nullptr;
  if (!cdio)
    return failure(QStringLiteral("The disc image in drive %1 cannot be read: %2").arg(driveName, disc->imagePath()));
  const QString path = image.file->path();
  return std::unique_ptr<disc::DiscHandle>(std::make_unique<CdioDisc>(std::move(cdio), path, std::move(disc), image.file));
}

int nrgTrackCount(const QString& path) {
  // A handle of this thread alone, closed before it returns: no lock for the query (libcdio.h).
  const CdioHandle cdio = openCdio(path, DRIVER_NRG);
  const track_t tracks = cdio ? cdio_get_num_tracks(cdio.get()) : track_t(CDIO_INVALID_TRACK);
  return tracks == CDIO_INVALID_TRACK ? 0 : tracks;
}

}  // namespace vcd::platform
