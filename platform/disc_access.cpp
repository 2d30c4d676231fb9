#include "platform/disc_access.h"

#include "platform/drives.h"
#include "platform/file_names.h"
#include "platform/image_sheets.h"
#include "platform/log.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace vcd::platform {

namespace {

constexpr int kM2RawSectorBytes = 2336;  // subheader (8) + payload (2,324) + spare (4)
constexpr int kSubheaderBytes = 8;

// libcdio's failed assertions on this thread since the last libcdio open began.
thread_local int cdioFailures = 0;

void routeCdioLog(cdio_log_level_t level, const char message[]) {
  // libcdio's own handler ends the process on errors and assertions. Its errors are often
  // harmless (an NRG track's length not a multiple of the block size it first assumed); a
  // failed assertion makes the open fail.
  if (level >= CDIO_LOG_ASSERT) ++cdioFailures;
  qCDebug(lcDisc, "libcdio: %s", message);
}

// Wraps the calls that open and close discs, which are not reentrant.
template <typename F>
auto serialized(F&& f) {
  std::lock_guard lock(libcdioSetupMutex());
  initLibcdio();
  return f();
}

QString stripVersion(QString name) {
  const int semicolon = name.lastIndexOf(u';');
  if (semicolon >= 0) name.truncate(semicolon);
  if (name.endsWith(u'.') && name != u"." && name != u"..") name.chop(1);
  return name;
}

enum class DriveState { DiscOk, NoDisc, TrayOpen, NotReady, Unknown, Unreachable };

// The kernel's view of an optical drive. Opened non-blocking so an empty drive answers at once.
DriveState driveState(const QString& device, int* openError = nullptr) {
  const QByteArray name = bytesOfName(device);
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (openError) *openError = errno;
    return DriveState::Unreachable;
  }
  const int status = ::ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT);
  ::close(fd);
  switch (status) {
    case CDS_DISC_OK: return DriveState::DiscOk;
    case CDS_NO_DISC: return DriveState::NoDisc;
    case CDS_TRAY_OPEN: return DriveState::TrayOpen;
    case CDS_DRIVE_NOT_READY: return DriveState::NotReady;
    default: return DriveState::Unknown;  // CDS_NO_INFO or the ioctl is not supported
  }
}

// A libcdio handle, closed under the libcdio lock when it goes.
struct CloseCdio {
  void operator()(CdIo_t* cdio) const {
    serialized([cdio] { cdio_destroy(cdio); });
  }
};
using CdioHandle = std::unique_ptr<CdIo_t, CloseCdio>;

// Opens a drive or an NRG image through libcdio; nullptr when libcdio fails or an assertion fails.
CdioHandle openCdio(const QString& path, driver_id_t driver) {
  const QByteArray name = bytesOfName(path);
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

// A disc read through libcdio: an optical drive, or an NRG image.
class CdioDisc : public DiscHandle {
 public:
  CdioDisc(CdioHandle cdio, QString device, std::shared_ptr<VirtualDisc> virtualDisc)
      : cdio_(std::move(cdio)), device_(std::move(device)), virtual_(std::move(virtualDisc)) {
    const lsn_t leadOut = cdio_get_track_lsn(cdio_.get(), CDIO_CDROM_LEADOUT_TRACK);
    end_ = leadOut == CDIO_INVALID_LSN || leadOut <= 0 ? UINT32_MAX : static_cast<uint32_t>(leadOut);
  }

  bool readSectors(uint8_t* buf, uint32_t lsn, uint32_t count, bool form2) override {
    if (virtual_ && !virtual_->present) return false;
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
    static constexpr uint8_t kNoSubheader[kSubheaderBytes] = {};
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* sector = raw_.data() + static_cast<size_t>(i) * kM2RawSectorBytes;
      // Every Form 2 sector has its submode's Form 2 bit set; an all-zero subheader was never read.
      if (std::memcmp(sector, kNoSubheader, kSubheaderBytes) == 0) return false;
      // Keep the payload between the XA subheader and the spare bytes.
      std::memcpy(buf + static_cast<size_t>(i) * kForm2SectorBytes, sector + kSubheaderBytes, kForm2SectorBytes);
    }
    return true;
  }

  uint32_t endLsn() override { return end_; }

  bool mediumPresent() override {
    if (virtual_) return virtual_->present && virtual_->nrg->stillThere();
    const DriveState state = driveState(device_);
    return state == DriveState::DiscOk || state == DriveState::Unknown;
  }

 private:
  CdioHandle cdio_;
  QString device_;
  std::shared_ptr<VirtualDisc> virtual_;
  uint32_t end_ = UINT32_MAX;
  std::mutex readMutex_;
  std::vector<uint8_t> raw_;
};

// Where the wanted bytes sit in a stored sector of this layout; -1 when it holds none.
int dataOffset(SectorLayout layout, bool form2) {
  switch (layout) {
    case SectorLayout::Raw: return 24;
    case SectorLayout::RawMode1: return form2 ? -1 : 16;
    case SectorLayout::Mode2: return 8;
    case SectorLayout::Data2048: return form2 ? -1 : 0;
    case SectorLayout::Form2Only: return form2 ? 0 : -1;
    case SectorLayout::Audio: return -1;
  }
  return -1;
}


// A CUE, TOC or ISO image, read with one pread per batch of sectors from the files its sheet
// names (opened and checked once, when the image went into the drive).
class ImageDisc : public DiscHandle {
 public:
  explicit ImageDisc(std::shared_ptr<VirtualDisc> disc) : virtual_(std::move(disc)), layout_(virtual_->layout) {}

  bool readSectors(uint8_t* buf, uint32_t lsn, uint32_t count, bool form2) override {
    if (!virtual_->present) return false;
    const int out = form2 ? kForm2SectorBytes : kForm1SectorBytes;
    while (count > 0) {
      const ImageRun* run = runAt(lsn);
      if (run == nullptr || !run->file) return false;
      const uint32_t n = std::min(count, run->lsn + run->sectors - lsn);
      if (!readRun(*run, buf, lsn, n, form2)) return false;
      buf += static_cast<size_t>(n) * out;
      lsn += n;
      count -= n;
    }
    return true;
  }

  uint32_t endLsn() override { return layout_->endLsn; }

  bool storesForm2(uint32_t lsn) override {
    const ImageRun* run = runAt(lsn);
    return run == nullptr || dataOffset(run->layout, true) >= 0;
  }

  bool mediumPresent() override {
    if (!virtual_->present) return false;
    return std::all_of(layout_->runs.begin(), layout_->runs.end(),
                       [](const ImageRun& r) { return !r.file || r.file->stillThere(); });
  }

 private:
  const ImageRun* runAt(uint32_t lsn) const {
    const auto& runs = layout_->runs;
    auto it = std::upper_bound(runs.begin(), runs.end(), lsn, [](uint32_t l, const ImageRun& r) { return l < r.lsn; });
    if (it == runs.begin()) return nullptr;
    --it;
    return lsn - it->lsn < it->sectors ? &*it : nullptr;
  }

  static bool readRun(const ImageRun& run, uint8_t* buf, uint32_t lsn, uint32_t n, bool form2) {
    const int at = dataOffset(run.layout, form2);
    if (at < 0) return false;
    const int out = form2 ? kForm2SectorBytes : kForm1SectorBytes;
    const int64_t offset = run.offset + static_cast<int64_t>(lsn - run.lsn) * run.blockBytes;
    // Every Form 2 sector has its submode's Form 2 bit set; an all-zero subheader was never written.
    const int subheader = form2 && at >= kSubheaderBytes ? kSubheaderBytes : 0;
    return run.file->readBlocks(buf, offset + at, n, run.blockBytes, out, subheader);
  }

  std::shared_ptr<VirtualDisc> virtual_;
  std::shared_ptr<const ImageLayout> layout_;
};

// The sheet's text (at most 64 KiB), read through a checked descriptor.
std::optional<QByteArray> readSheet(const QString& path, QString* why) {
  auto file = ImageFile::open(path, why);
  if (!file) return std::nullopt;
  if (file->size() > kMaxSheetBytes) {
    *why = QStringLiteral("the sheet is larger than 64 KiB");
    return std::nullopt;
  }
  QByteArray text(static_cast<qsizetype>(file->size()), '\0');
  if (!readFully(file->fd(), reinterpret_cast<uint8_t*>(text.data()), static_cast<size_t>(text.size()), 0)) {
    *why = QStringLiteral("the sheet cannot be read");
    return std::nullopt;
  }
  return text;
}

std::shared_ptr<const ImageLayout> sheetLayout(const QString& sheetPath, bool toc, QString* why) {
  const auto text = readSheet(sheetPath, why);
  if (!text) return nullptr;
  const QFileInfo sheet(sheetPath);
  const QString folder = sheet.absolutePath();
  const SheetFileOpener named = [folder](const QString& written, QString* reason) {
    return ImageFile::openNamed(folder, written, reason);
  };
  std::optional<ImageLayout> layout;
  if (toc) {
    layout = parseTocSheet(*text, named, why);
  } else {
    // The BIN named like the sheet, for a sheet that names none.
    const SheetFileOpener sameNamed = [folder, base = sheet.completeBaseName()](const QString&, QString* reason) {
      return ImageFile::openNamed(folder, base + QStringLiteral(".bin"), reason);
    };
    layout = parseCueSheet(*text, named, sameNamed, why);
  }
  if (!layout) return nullptr;
  return std::make_shared<const ImageLayout>(std::move(*layout));
}

}  // namespace

void initLibcdio() {
  static std::once_flag once;
  std::call_once(once, [] {
    cdio_log_set_handler(&routeCdioLog);
    cdio_init();
  });
}

std::mutex& libcdioSetupMutex() {
  static std::mutex mutex;
  return mutex;
}

QString displayName(const std::string& storedName) { return stripVersion(QString::fromUtf8(storedName)); }

bool nameMatches(const QString& wanted, const std::string& storedName) {
  return stripVersion(wanted).compare(displayName(storedName), Qt::CaseInsensitive) == 0;
}

std::unique_ptr<DiscHandle> openDriveDisc(const QString& device, const QString& driveName) {
  int openError = 0;
  switch (driveState(device, &openError)) {
    case DriveState::NoDisc: throw DiscError(QStringLiteral("No disc in drive %1").arg(driveName).toStdString());
    case DriveState::TrayOpen:
      throw DiscError(QStringLiteral("Drive %1 is open (no disc)").arg(driveName).toStdString());
    case DriveState::NotReady: throw DiscError(QStringLiteral("Drive %1 is not ready").arg(driveName).toStdString());
    case DriveState::Unreachable:
      throw DiscError(QStringLiteral("Drive %1 (%2) cannot be opened: %3")
                          .arg(driveName, device, QString::fromLocal8Bit(std::strerror(openError)))
                          .toStdString());
    case DriveState::DiscOk:
    case DriveState::Unknown: break;
  }
  CdioHandle cdio = openCdio(device, DRIVER_LINUX);
  if (!cdio) throw DiscError(QStringLiteral("Drive %1 is not ready").arg(driveName).toStdString());
  return std::make_unique<CdioDisc>(std::move(cdio), device, nullptr);
}

std::unique_ptr<DiscHandle> openVirtualDisc(std::shared_ptr<VirtualDisc> disc, const QString& driveName) {
  if (!disc->present) throw DiscError(QStringLiteral("No disc in drive %1").arg(driveName).toStdString());
  if (disc->layout) return std::make_unique<ImageDisc>(std::move(disc));
  QString why;
  CdioHandle cdio = disc->nrg && checkNrg(*disc->nrg, &why) ? openCdio(disc->nrg->path(), DRIVER_NRG) : nullptr;
  if (!cdio)
    throw DiscError(QStringLiteral("The disc image in drive %1 cannot be read: %2")
                        .arg(driveName, disc->imagePath)
                        .toStdString());
  const QString path = disc->nrg->path();
  return std::make_unique<CdioDisc>(std::move(cdio), path, std::move(disc));
}

std::shared_ptr<VirtualDisc> inspectDiscImage(const QString& imagePath, QString* why) {
  const QFileInfo info(imagePath);
  const QString suffix = info.suffix().toLower();
  auto disc = std::make_shared<VirtualDisc>();
  disc->imagePath = imagePath;
  if (suffix == u"iso") {
    auto file = ImageFile::open(imagePath, why);
    if (!file) return nullptr;
    uint8_t descriptor[6] = {};
    if (!readFully(file->fd(), descriptor, sizeof descriptor, 16 * kForm1SectorBytes) ||
        std::memcmp(descriptor, "\1CD001", 6) != 0) {
      *why = QStringLiteral("no ISO 9660 volume descriptor in sector 16");
      return nullptr;
    }
    disc->layout = std::make_shared<const ImageLayout>(isoLayout(std::move(file)));
  } else if (suffix == u"nrg") {
    disc->nrg = ImageFile::open(imagePath, why);
    if (!disc->nrg) return nullptr;
    if (disc->nrg->size() > kLargestImageFile) {
      *why = QStringLiteral("it takes %1 bytes, more than any disc holds (at most %2)").arg(disc->nrg->size()).arg(kLargestImageFile);
      return nullptr;
    }
    if (!checkNrg(*disc->nrg, why)) return nullptr;
    const track_t tracks = [&] {
      const CdioHandle cdio = openCdio(imagePath, DRIVER_NRG);
      return cdio ? cdio_get_num_tracks(cdio.get()) : track_t(CDIO_INVALID_TRACK);
    }();
    if (tracks == CDIO_INVALID_TRACK || tracks == 0) {
      *why = QStringLiteral("libcdio cannot read it as an NRG image");
      return nullptr;
    }
  } else if (suffix == u"cue" || suffix == u"toc") {
    disc->layout = sheetLayout(imagePath, suffix == u"toc", why);
  } else if (suffix == u"bin") {
    // A BIN is opened through the cue sheet beside it, named like it.
    const QString cue = findInFolder(info.absolutePath(), info.completeBaseName() + QStringLiteral(".cue"));
    if (cue.isEmpty()) {
      *why = QStringLiteral("there is no cue sheet beside it");
      return nullptr;
    }
    disc->layout = sheetLayout(cue, false, why);
  } else {
    *why = QStringLiteral("not named like a disc image");
    return nullptr;
  }
  if (disc->layout && disc->layout->endLsn == 0) {
    *why = QStringLiteral("it holds no sectors");
    return nullptr;
  }
  // A file larger than any disc (a sparse file of terabytes, say) is damage, not a disc.
  std::vector<const ImageFile*> files;
  if (disc->nrg) files.push_back(disc->nrg.get());
  if (disc->layout)
    for (const ImageRun& run : disc->layout->runs)
      if (run.file) files.push_back(run.file.get());
  for (const ImageFile* file : files) {
    if (file->size() <= kLargestImageFile) continue;
    *why = QStringLiteral("%1 takes %2 bytes, more than any disc holds (at most %3)")
               .arg(file->path())
               .arg(file->size())
               .arg(kLargestImageFile);
    return nullptr;
  }
  return disc->layout || disc->nrg ? disc : nullptr;
}

}  // namespace vcd::platform
