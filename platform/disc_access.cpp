#include "platform/disc_access.h"

#include "platform/drives.h"

#include <cdio/bytesex.h>
#include <cdio/cdio.h>
#include <cdio/iso9660.h>
#include <cdio/xa.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace vcd::platform {

namespace {

constexpr int kM2RawSectorBytes = 2336;  // subheader (8) + payload (2,324) + spare (4)
constexpr int kSubheaderBytes = 8;

void initCdio() {
  static std::once_flag once;
  std::call_once(once, [] { cdio_init(); });
}

// Wraps the calls that open and close discs, which are not reentrant.
template <typename F>
auto serialized(F&& f) {
  std::lock_guard lock(libcdioSetupMutex());
  initCdio();
  return f();
}

QString stripVersion(QString name) {
  const int semicolon = name.lastIndexOf(u';');
  if (semicolon >= 0) name.truncate(semicolon);
  if (name.endsWith(u'.') && name != u"." && name != u"..") name.chop(1);
  return name;
}

bool isDotEntry(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0 || name[0] == '\0' ||
         (name[0] == '\1' && name[1] == '\0');
}

DiscEntry toEntry(const iso9660_stat_t* st, bool allowForm2) {
  DiscEntry e;
  e.storedName = st->filename;
  e.isFolder = st->type == iso9660_stat_s::_STAT_DIR;
  e.lsn = static_cast<uint32_t>(st->lsn);
  e.size = st->size;
  e.form2 = allowForm2 && !e.isFolder && st->b_xa &&
            (uint16_from_be(st->xa.attributes) & XA_ATTR_MODE2FORM2) != 0;
  return e;
}

std::optional<std::vector<DiscEntry>> collect(CdioList_t* list, bool allowForm2) {
  if (list == nullptr) return std::nullopt;
  std::vector<DiscEntry> entries;
  for (CdioListNode_t* node = _cdio_list_begin(list); node != nullptr; node = _cdio_list_node_next(node)) {
    const auto* st = static_cast<const iso9660_stat_t*>(_cdio_list_node_data(node));
    if (st == nullptr || isDotEntry(st->filename)) continue;
    entries.push_back(toEntry(st, allowForm2));
  }
  iso9660_filelist_free(list);
  return entries;
}

// libiso9660 reads the whole root folder on every lookup, as large as its record says.
bool rootFits(const iso9660_pvd_t& pvd) {
  return from_733(pvd.root_directory_record.size) <= kMaxFolderBytes;
}

enum class DriveState { DiscOk, NoDisc, TrayOpen, NotReady, Unknown, Unreachable };

// The kernel's view of an optical drive. Opened non-blocking so an empty drive answers at once.
DriveState driveState(const QString& device, int* openError = nullptr) {
  const QByteArray name = QFile::encodeName(device);
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

// A disc opened through libcdio: an optical drive, or a BIN/CUE, TOC or NRG image.
class CdioDisc : public DiscHandle {
 public:
  CdioDisc(CdIo_t* cdio, QString device, std::shared_ptr<VirtualDisc> virtualDisc)
      : cdio_(cdio), device_(std::move(device)), virtual_(std::move(virtualDisc)) {
    const lsn_t leadOut = cdio_get_track_lsn(cdio_, CDIO_CDROM_LEADOUT_TRACK);
    end_ = leadOut == CDIO_INVALID_LSN || leadOut <= 0 ? UINT32_MAX : static_cast<uint32_t>(leadOut);
  }
  ~CdioDisc() override {
    serialized([this] { cdio_destroy(cdio_); });
  }

  std::optional<std::vector<DiscEntry>> readFolder(const std::string& path) override {
    if (virtual_ && !virtual_->present) return std::nullopt;
    if (!rootChecked_) {
      iso9660_pvd_t pvd;
      rootFits_ = iso9660_fs_read_pvd(cdio_, &pvd) && rootFits(pvd);
      rootChecked_ = true;
    }
    if (!rootFits_) return std::nullopt;
    // libiso9660 splits the path with strtok, like libcdio's cue parser: one caller at a time.
    return collect(serialized([&] { return iso9660_fs_readdir(cdio_, path.c_str()); }), true);
  }

  bool readSectors(uint8_t* buf, uint32_t lsn, uint32_t count, bool form2) override {
    if (virtual_ && !virtual_->present) return false;
    if (count == 0) return true;
    // libcdio's image drivers report success for sectors past the end of a BIN that shrank
    // after it was opened, leaving the buffer untouched: start from zeros so no stale data
    // passes for disc content.
    if (!form2) {
      std::memset(buf, 0, static_cast<size_t>(count) * kForm1SectorBytes);
      return cdio_read_data_sectors(cdio_, buf, static_cast<lsn_t>(lsn), kForm1SectorBytes, count) ==
             DRIVER_OP_SUCCESS;
    }
    raw_.assign(static_cast<size_t>(count) * kM2RawSectorBytes, 0);
    if (cdio_read_mode2_sectors(cdio_, raw_.data(), static_cast<lsn_t>(lsn), true, count) != DRIVER_OP_SUCCESS)
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
    if (virtual_) return virtual_->present && QFileInfo::exists(virtual_->openPath);
    const DriveState state = driveState(device_);
    return state == DriveState::DiscOk || state == DriveState::Unknown;
  }

 private:
  CdIo_t* cdio_;
  QString device_;
  std::shared_ptr<VirtualDisc> virtual_;
  uint32_t end_ = UINT32_MAX;
  std::vector<uint8_t> raw_;
  bool rootChecked_ = false;
  bool rootFits_ = false;
};

// A plain ISO image: 2,048-byte sectors only, so nothing on it is Form 2.
class IsoImageDisc : public DiscHandle {
 public:
  IsoImageDisc(iso9660_t* iso, std::shared_ptr<VirtualDisc> virtualDisc, uint32_t sectors)
      : iso_(iso), virtual_(std::move(virtualDisc)), end_(sectors) {}
  ~IsoImageDisc() override {
    serialized([this] { return iso9660_close(iso_); });
  }

  std::optional<std::vector<DiscEntry>> readFolder(const std::string& path) override {
    if (!virtual_->present) return std::nullopt;
    iso9660_pvd_t pvd;
    if (!iso9660_ifs_read_pvd(iso_, &pvd) || !rootFits(pvd)) return std::nullopt;
    return collect(serialized([&] { return iso9660_ifs_readdir(iso_, path.c_str()); }), false);
  }

  bool readSectors(uint8_t* buf, uint32_t lsn, uint32_t count, bool) override {
    if (!virtual_->present) return false;
    if (count == 0) return true;
    if (lsn >= end_ || count > end_ - lsn) return false;
    const long want = static_cast<long>(count) * kForm1SectorBytes;
    return iso9660_iso_seek_read(iso_, buf, static_cast<lsn_t>(lsn), count) == want;
  }

  uint32_t endLsn() override { return end_; }
  bool mediumPresent() override { return virtual_->present && QFileInfo::exists(virtual_->openPath); }

 private:
  iso9660_t* iso_;
  std::shared_ptr<VirtualDisc> virtual_;
  uint32_t end_;
};

driver_id_t imageDriver(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == u"cue") return DRIVER_BINCUE;
  if (suffix == u"toc") return DRIVER_CDRDAO;
  if (suffix == u"nrg") return DRIVER_NRG;
  return DRIVER_UNKNOWN;
}

// The cue sheet that describes a .bin: same folder, same base name.
QString cueForBin(const QString& binPath) {
  const QFileInfo bin(binPath);
  const QDir dir = bin.absoluteDir();
  for (const QString& ext : {QStringLiteral("cue"), QStringLiteral("CUE"), QStringLiteral("Cue")}) {
    const QString candidate = dir.filePath(bin.completeBaseName() + u'.' + ext);
    if (QFileInfo::exists(candidate)) return candidate;
  }
  return {};
}

CdIo_t* openImage(const QString& openPath) {
  const driver_id_t driver = imageDriver(openPath);
  if (driver == DRIVER_UNKNOWN) return nullptr;
  const QByteArray name = QFile::encodeName(openPath);
  return serialized([&] { return cdio_open(name.constData(), driver); });
}

// libcdio opens the BIN named like the CUE ("disc.cue" -> "disc.bin") whatever the CUE's FILE line
// says, so an image whose BIN is named otherwise ("Movie.BIN", "track.bin") would not open. Such
// a sheet is staged in a private folder as "disc.cue" beside a link "disc.bin" to the real BIN.
// Only the FILE's own name is used, looked up in the CUE's folder: a sheet never reaches files
// elsewhere (absolute paths and ".." are cut down to the name). Sheets with several FILE lines
// are left as they are.
QString stageCue(const QString& cuePath, std::shared_ptr<QTemporaryDir>* staging) {
  QFile file(cuePath);
  if (file.size() > 64 * 1024 || !file.open(QIODevice::ReadOnly)) return {};
  const QString text = QString::fromLatin1(file.readAll());
  static const QRegularExpression fileLine(QStringLiteral(R"re(^\s*FILE\s+("([^"]*)"|(\S+))\s+(\S+)\s*$)re"),
                                           QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
  QList<QRegularExpressionMatch> matches;
  for (auto it = fileLine.globalMatch(text); it.hasNext();) matches.append(it.next());
  if (matches.size() != 1) return {};
  const QString named = matches[0].captured(2).isEmpty() ? matches[0].captured(3) : matches[0].captured(2);
  const QString baseName = QFileInfo(QString(named).replace(u'\\', u'/')).fileName();
  const QFileInfo cue(cuePath);
  if (baseName == cue.completeBaseName() + QStringLiteral(".bin")) return {};  // opens as it is
  QString bin;
  const QDir dir = cue.absoluteDir();
  for (const QString& entry : dir.entryList(QDir::Files))
    if (entry.compare(baseName, Qt::CaseInsensitive) == 0) bin = dir.filePath(entry);
  if (bin.isEmpty()) return {};

  auto folder = std::make_shared<QTemporaryDir>();
  if (!folder->isValid()) return {};
  QString staged = text;
  staged.replace(matches[0].capturedStart(0), matches[0].capturedLength(0),
                 QStringLiteral("FILE \"disc.bin\" ") + matches[0].captured(4));
  QFile out(folder->filePath(QStringLiteral("disc.cue")));
  if (!out.open(QIODevice::WriteOnly) || out.write(staged.toLatin1()) < 0) return {};
  out.close();
  if (!QFile::link(QFileInfo(bin).absoluteFilePath(), folder->filePath(QStringLiteral("disc.bin")))) return {};
  *staging = std::move(folder);
  return (*staging)->filePath(QStringLiteral("disc.cue"));
}

iso9660_t* openIso(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  return serialized([&] { return iso9660_open(name.constData()); });
}

}  // namespace

std::mutex& libcdioSetupMutex() {
  // libcdio parses cue sheets, and libiso9660 folder paths, with strtok and keeps driver state
  // in globals: opening two discs or reading two folders at once on two threads fails at random.
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
  const QByteArray name = QFile::encodeName(device);
  CdIo_t* cdio = serialized([&] { return cdio_open(name.constData(), DRIVER_LINUX); });
  if (cdio == nullptr) throw DiscError(QStringLiteral("Drive %1 is not ready").arg(driveName).toStdString());
  return std::make_unique<CdioDisc>(cdio, device, nullptr);
}

std::unique_ptr<DiscHandle> openVirtualDisc(std::shared_ptr<VirtualDisc> disc, const QString& driveName) {
  if (!disc->present) throw DiscError(QStringLiteral("No disc in drive %1").arg(driveName).toStdString());
  if (disc->isoImage) {
    iso9660_t* iso = openIso(disc->openPath);
    if (iso == nullptr)
      throw DiscError(QStringLiteral("The disc image in drive %1 cannot be read: %2")
                          .arg(driveName, disc->imagePath)
                          .toStdString());
    const auto sectors = static_cast<uint32_t>(QFileInfo(disc->openPath).size() / kForm1SectorBytes);
    return std::make_unique<IsoImageDisc>(iso, std::move(disc), sectors);
  }
  CdIo_t* cdio = openImage(disc->openPath);
  if (cdio == nullptr)
    throw DiscError(QStringLiteral("The disc image in drive %1 cannot be read: %2")
                        .arg(driveName, disc->imagePath)
                        .toStdString());
  const QString path = disc->openPath;
  return std::make_unique<CdioDisc>(cdio, path, std::move(disc));
}

bool probeDiscImage(const QString& imagePath, QString* openPath, bool* isoImage,
                    std::shared_ptr<QTemporaryDir>* staging) {
  const QFileInfo info(imagePath);
  if (!info.isFile()) return false;
  const QString suffix = info.suffix().toLower();

  if (suffix == u"iso") {
    iso9660_t* iso = openIso(imagePath);
    if (iso == nullptr) return false;
    serialized([iso] { return iso9660_close(iso); });
    *openPath = imagePath;
    *isoImage = true;
    return true;
  }

  QString candidate = suffix == u"bin" ? cueForBin(imagePath) : imagePath;
  if (candidate.isEmpty()) return false;
  if (candidate.endsWith(QStringLiteral(".cue"), Qt::CaseInsensitive)) {
    std::shared_ptr<QTemporaryDir> folder;
    if (const QString staged = stageCue(candidate, &folder); !staged.isEmpty()) {
      candidate = staged;
      *staging = std::move(folder);
    }
  }
  CdIo_t* cdio = openImage(candidate);
  if (cdio == nullptr) return false;
  const track_t tracks = cdio_get_num_tracks(cdio);
  const bool hasTracks = tracks != CDIO_INVALID_TRACK && tracks > 0;
  serialized([cdio] { cdio_destroy(cdio); });
  if (!hasTracks) return false;
  *openPath = candidate;
  *isoImage = false;
  return true;
}

}  // namespace vcd::platform
