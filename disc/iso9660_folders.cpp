#include "disc/iso9660_folders.h"

#include "disc/log.h"

#include <QtEndian>
#include <cstring>
#include <set>

namespace vcd::disc {

namespace {

QString stripVersion(QString name) {
  const int semicolon = name.lastIndexOf(u';');
  if (semicolon >= 0) name.truncate(semicolon);
  if (name.endsWith(u'.') && name != u"." && name != u"..") name.chop(1);
  return name;
}

constexpr uint32_t kVolumeDescriptor = 16;
constexpr int kRecordHeader = 33;          // a directory record before its name
constexpr int kRootRecordOffset = 156;     // in the primary volume descriptor
constexpr int kVolumeIdOffset = 40, kVolumeIdBytes = 32;
constexpr uint16_t kXaForm2 = 1u << 12;    // XA attribute "Mode 2 Form 2" (big-endian field)
constexpr uint8_t kDirectoryFlag = 0x02;

DiscEntry recordAt(const uint8_t* r, int length) {
  DiscEntry e;
  e.lsn = qFromLittleEndian<quint32>(r + 2);
  e.size = qFromLittleEndian<quint32>(r + 10);
  e.isFolder = (r[25] & kDirectoryFlag) != 0;
  const int nameLength = r[32];
  e.storedName.assign(reinterpret_cast<const char*>(r + kRecordHeader), static_cast<size_t>(nameLength));
  // The XA record (14 bytes, "XA" at 6) opens the system-use area after the padded name.
  const int systemUse = kRecordHeader + nameLength + (nameLength % 2 == 0 ? 1 : 0);
  if (!e.isFolder && length - systemUse >= 14 && r[systemUse + 6] == 'X' && r[systemUse + 7] == 'A')
    e.form2 = (qFromBigEndian<quint16>(r + systemUse + 4) & kXaForm2) != 0;
  return e;
}

bool isDotEntry(const std::string& name) { return name.size() == 1 && (name[0] == '\0' || name[0] == '\1'); }

bool fitsDisc(DiscHandle& disc, const DiscEntry& folder) {
  const uint64_t sectors = (uint64_t(folder.size) + kForm1SectorBytes - 1) / kForm1SectorBytes;
  return folder.size <= kMaxFolderBytes && uint64_t(folder.lsn) + sectors <= disc.endLsn();
}

}  // namespace

QString displayName(const std::string& storedName) { return stripVersion(QString::fromUtf8(storedName)); }

bool nameMatches(const QString& wanted, const std::string& storedName) {
  return stripVersion(wanted).compare(displayName(storedName), Qt::CaseInsensitive) == 0;
}

std::optional<DiscEntry> rootFolder(DiscHandle& disc, QString* label) {
  uint8_t pvd[kForm1SectorBytes];
  if (disc.endLsn() <= kVolumeDescriptor || !disc.readSectors(pvd, kVolumeDescriptor, 1, false)) return std::nullopt;
  if (pvd[0] != 1 || std::memcmp(pvd + 1, "CD001", 5) != 0) return std::nullopt;
  if (label) {
    label->clear();
    for (int i = kVolumeIdOffset; i < kVolumeIdOffset + kVolumeIdBytes; ++i)
      if (pvd[i] >= 0x20 && pvd[i] < 0x7f) label->append(QChar(pvd[i]));
    *label = label->trimmed();
  }
  DiscEntry root = recordAt(pvd + kRootRecordOffset, 34);
  root.storedName = "/";
  root.isFolder = true;
  root.form2 = false;
  if (!fitsDisc(disc, root)) return std::nullopt;
  return root;
}

std::optional<std::vector<DiscEntry>> readFolderRecords(DiscHandle& disc, const DiscEntry& folder,
                                                        const QString& shownDisc) {
  if (!folder.isFolder || !fitsDisc(disc, folder)) return std::nullopt;
  const uint32_t sectors = (folder.size + kForm1SectorBytes - 1) / kForm1SectorBytes;
  std::vector<uint8_t> data(size_t(sectors) * kForm1SectorBytes);
  for (uint32_t done = 0; done < sectors;) {  // in batches a drive reads at once
    const uint32_t n = std::min<uint32_t>(sectors - done, 16);
    if (!disc.readSectors(data.data() + size_t(done) * kForm1SectorBytes, folder.lsn + done, n, false)) return std::nullopt;
    done += n;
  }
  std::vector<DiscEntry> entries;
  for (uint32_t s = 0; s < sectors; ++s) {
    const uint8_t* sector = data.data() + size_t(s) * kForm1SectorBytes;
    const int end = static_cast<int>(std::min<uint64_t>(kForm1SectorBytes, folder.size - uint64_t(s) * kForm1SectorBytes));
    // Records never straddle sectors; a zero length pads the rest of the sector.
    for (int at = 0; at < end;) {
      const int length = sector[at];
      if (length == 0) break;
      if (length < kRecordHeader + 1 || at + length > end || kRecordHeader + sector[at + 32] > length) {
        qCWarning(lcDisc, "malformed directory record on %s in sector %u at byte %d (length %d, name length %d): "
                  "the rest of the sector is skipped", qPrintable(shownDisc), folder.lsn + s, at, length,
                  at + 32 < end ? sector[at + 32] : -1);
        break;
      }
      DiscEntry e = recordAt(sector + at, length);
      at += length;
      if (e.storedName.empty() || isDotEntry(e.storedName)) continue;
      entries.push_back(std::move(e));
    }
  }
  return entries;
}

std::optional<std::vector<DiscEntry>> readFolderAt(DiscHandle& disc, const std::string& path) {
  std::optional<DiscEntry> here = rootFolder(disc);
  if (!here) return std::nullopt;
  std::set<uint32_t> walked{here->lsn};
  size_t from = 0;
  while (from < path.size()) {
    const size_t slash = path.find('/', from);
    const std::string component = path.substr(from, slash == std::string::npos ? std::string::npos : slash - from);
    from = slash == std::string::npos ? path.size() : slash + 1;
    if (component.empty()) continue;
    const auto entries = readFolderRecords(disc, *here);
    if (!entries) return std::nullopt;
    // A folder whose record leads back into one of its parents would be walked for ever.
    const DiscEntry* next = nullptr;
    for (const DiscEntry& e : *entries)
      if (e.isFolder && e.storedName == component) next = &e;
    if (next == nullptr || !walked.insert(next->lsn).second) return std::nullopt;
    here = *next;
  }
  return readFolderRecords(disc, *here);
}

}  // namespace vcd::disc
