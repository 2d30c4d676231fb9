#include "fuzz/targets.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QtEndian>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>

#include "disc/disc_path.h"
#include "disc/track_stream.h"
#include "disc/iso9660_folders.h"
#include "platform/linux_drives.h"
#include "player/command_line.h"

namespace vcd::fuzz {
namespace {

using platform::DiscError;

constexpr int kRaw = 2352;
constexpr int kForm1 = disc::kForm1SectorBytes;
constexpr int kForm2 = disc::kForm2SectorBytes;

void check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "broken promise: %s\n", what);
  std::abort();
}

// Takes numbers off the front of the input; zeros once it runs out.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
  bool empty() const { return p_ >= end_; }
  template <typename T>
  T take() {
    T value{};
    const size_t n = std::min(sizeof(T), static_cast<size_t>(end_ - p_));
    std::memcpy(&value, p_, n);
    p_ += n;
    return value;
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

struct State {
  std::unique_ptr<QTemporaryDir> dir;
  QString bin, iso, cueFolder, workingFolder;
};
State& state() {
  static State s;
  return s;
}

uint8_t bcd(int v) { return static_cast<uint8_t>((v / 10) << 4 | (v % 10)); }

// One raw Mode 2 sector: sync, header, XA subheader, user data (2,048 or 2,324 bytes).
void rawSector(uint8_t* out, uint32_t lsn, bool form2, const uint8_t* data) {
  std::memset(out, 0, kRaw);
  std::memset(out + 1, 0xFF, 10);
  const uint32_t lba = lsn + 150;
  out[12] = bcd(static_cast<int>(lba / 4500));
  out[13] = bcd(static_cast<int>(lba / 75 % 60));
  out[14] = bcd(static_cast<int>(lba % 75));
  out[15] = 2;
  const uint8_t submode = form2 ? 0x20 : 0x08;
  out[18] = out[22] = submode;
  std::memcpy(out + 24, data, form2 ? kForm2 : kForm1);
}

uint8_t patternByte(uint32_t lsn, uint32_t offset) { return static_cast<uint8_t>(lsn * 31 + offset * 7 + (lsn >> 8) + 1); }

QByteArray templateBin() {
  QByteArray bin(static_cast<qsizetype>(kDiscSectors) * kRaw, '\0');
  std::vector<uint8_t> data(kForm2);
  for (uint32_t s = 0; s < static_cast<uint32_t>(kDiscSectors); ++s) {
    const bool track = s >= static_cast<uint32_t>(kFirstTrackSectors);
    for (int i = 0; i < kForm2; ++i) data[i] = track ? patternByte(s, i) : 0;
    rawSector(reinterpret_cast<uint8_t*>(bin.data()) + static_cast<size_t>(s) * kRaw, s, track, data.data());
  }
  return bin;
}

// The track layout of a three-track Video CD (pal3.cue).
QByteArray cueFor(const char* binName) {
  return QByteArray("FILE \"") + binName +
         "\" BINARY\n"
         "  TRACK 01 MODE2/2352\n    INDEX 01 00:00:00\n"
         "  TRACK 02 MODE2/2352\n    INDEX 00 00:04:00\n    INDEX 01 00:06:00\n"
         "  TRACK 03 MODE2/2352\n    INDEX 00 00:07:74\n    INDEX 01 00:09:74\n"
         "  TRACK 04 MODE2/2352\n    INDEX 00 00:11:73\n    INDEX 01 00:13:73\n";
}

bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Lays the ISO area into the BIN of the 'I' images (every sector of it, so nothing is left over
// from the previous input).
void writeIsoArea(const uint8_t* data, size_t size) {
  QFile f(state().bin);
  check(f.open(QIODevice::ReadWrite), "the fuzz BIN opens");
  QByteArray area(static_cast<qsizetype>(kFirstTrackSectors - kIsoAreaFirst) * kRaw, '\0');
  uint8_t user[kForm2] = {};
  for (int k = 0; k < kFirstTrackSectors - kIsoAreaFirst; ++k) {
    std::memset(user, 0, sizeof user);
    const size_t from = static_cast<size_t>(k) * kForm1;
    if (from < size) std::memcpy(user, data + from, std::min<size_t>(kForm1, size - from));
    rawSector(reinterpret_cast<uint8_t*>(area.data()) + static_cast<size_t>(k) * kRaw,
              static_cast<uint32_t>(kIsoAreaFirst + k), false, user);
  }
  f.seek(static_cast<qint64>(kIsoAreaFirst) * kRaw);
  check(f.write(area) == area.size(), "the ISO area is written");
}

void readSome(platform::TrackStream& s, int64_t listedSize) {
  check(s.size() >= 0, "a file's size is not negative");
  if (listedSize >= 0) check(s.size() == listedSize, "opening a file gives the size its listing showed");
  QByteArray buf(32768, '\0');
  int64_t total = 0;
  for (int i = 0; i < 3; ++i) {
    const int64_t n = s.read(buf.data(), static_cast<uint64_t>(buf.size()));
    check(n >= -1 && n <= buf.size(), "a read returns at most what was asked");
    if (n <= 0) break;
    total += n;
  }
  check(total <= s.size(), "no more bytes than the file holds");
  check(s.seek(s.size()) == s.size(), "the end of the file can be sought");
  check(s.read(buf.data(), 1) <= 0, "nothing is read at the end");
  check(s.seek(s.size() + 1) == -1 && s.seek(-1) == -1, "positions outside the file are refused");
  if (s.size() > 0) {
    check(s.seek(s.size() - 1) == s.size() - 1, "the last byte can be sought");
    const int64_t n = s.read(buf.data(), 100);
    check(n == -1 || n == 1, "one byte is left before the end");
  }
}

void exercise(const QString& image) {
  platform::LinuxDriveManager drives([] { return std::vector<platform::OpticalDevice>{}; });
  if (!drives.insertImage(image)) return;
  for (const char* folder : {"cdrom://D", "cdrom://D/Mpegav", "cdrom://D/VCD", "cdrom://D/Segment"}) {
    std::vector<platform::FolderEntry> listing;
    try {
      listing = drives.listFolder(QString::fromLatin1(folder));
    } catch (const DiscError&) {
      continue;
    }
    QSet<QString> names, repeated;
    for (const auto& e : listing) {
      const QString key = e.name.toUpper();
      if (names.contains(key)) repeated.insert(key);
      names.insert(key);
    }
    int opened = 0;
    for (const auto& e : listing) {
      check(e.size >= 0, "a listed size is not negative");
      if (e.isFolder || ++opened > 30) continue;
      std::unique_ptr<platform::TrackStream> s;
      try {
        s = drives.openFile(disc::join(QString::fromLatin1(folder), e.name));
      } catch (const DiscError&) {
        continue;  // names the walk cannot take (".", "", names with '/') are refused
      }
      readSome(*s, repeated.contains(e.name.toUpper()) ? -1 : e.size);
    }
  }
}

// A disc whose sectors carry the pattern, with chosen sectors failing.
class PatternDisc : public disc::DiscHandle {
 public:
  uint32_t end = UINT32_MAX;
  uint32_t badFirst = 0, badCount = 0;  // always fail
  uint32_t flakyModulo = 0;             // sectors lsn % modulo == 0 fail `flakyTimes` times first
  int flakyTimes = 0;
  uint32_t deadFrom = UINT32_MAX;       // nothing reads from here on
  bool medium = true;
  std::map<uint32_t, int> tries;

  bool readSectors(uint8_t* buf, uint32_t lsn, uint32_t count, bool form2) override {
    check(count >= 1 && count <= disc::DiscTrackStream::kMaxBatch, "reads come in batches of 1 to 16 sectors");
    const int bytes = form2 ? kForm2 : kForm1;
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t s = lsn + i;
      check(s >= lsn, "sector numbers do not wrap");
      check(s < end, "no sector past the disc's end is read");
      if (s >= deadFrom || (s - badFirst) < badCount) return false;
      if (flakyModulo && s % flakyModulo == 0 && tries[s]++ < flakyTimes) return false;
    }
    for (uint32_t i = 0; i < count; ++i)
      for (int b = 0; b < bytes; ++b) buf[static_cast<size_t>(i) * bytes + b] = patternByte(lsn + i, b);
    return true;
  }
  uint32_t endLsn() override { return end; }
  bool mediumPresent() override { return medium; }
};

}  // namespace

void initialise() {
  State& s = state();
  if (s.dir) return;
  const QString base = QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/vcd-fuzz-XXXXXX") : QString();
  s.dir = base.isEmpty() ? std::make_unique<QTemporaryDir>() : std::make_unique<QTemporaryDir>(base);
  check(s.dir->isValid(), "a private folder for the images");
  const QByteArray bin = templateBin();
  s.bin = s.dir->filePath(QStringLiteral("disc.bin"));
  s.iso = s.dir->filePath(QStringLiteral("disc.iso"));
  check(writeFile(s.bin, bin), "the BIN is written");
  check(writeFile(s.dir->filePath(QStringLiteral("disc.cue")), cueFor("disc.bin")), "the CUE is written");

  s.cueFolder = s.dir->filePath(QStringLiteral("cue"));
  QDir().mkpath(s.cueFolder);
  check(writeFile(s.cueFolder + QStringLiteral("/disc.bin"), bin), "the cue sheets' BIN is written");
  QFile::link(s.cueFolder + QStringLiteral("/disc.bin"), s.cueFolder + QStringLiteral("/Movie.BIN"));
  QFile::link(s.cueFolder + QStringLiteral("/disc.bin"), s.cueFolder + QStringLiteral("/track.bin"));

  s.workingFolder = s.dir->filePath(QStringLiteral("cwd"));
  QDir().mkpath(s.workingFolder + QStringLiteral("/d.cue"));
  for (const char* name : {"a.cue", "My Disc.BIN", "-x.iso", "\xC3\xA9t\xC3\xA9.nrg", "clip.mpg"})
    writeFile(s.workingFolder + u'/' + QString::fromUtf8(name), "x");
}

QByteArray isoAreaOf(const QByteArray& bin) {
  QByteArray area;
  for (int s = kIsoAreaFirst; s < kFirstTrackSectors && (s + 1) * qsizetype(kRaw) <= bin.size(); ++s)
    area.append(bin.mid(static_cast<qsizetype>(s) * kRaw + 24, kForm1));
  while (area.size() >= kForm1 && area.right(kForm1).count('\0') == kForm1) area.chop(kForm1);
  return area;
}

int discImage(const uint8_t* data, size_t size) {
  initialise();
  if (size == 0) return 0;
  State& s = state();
  const uint8_t kind = data[0];
  ++data, --size;
  if (kind == 'I') {
    writeIsoArea(data, size);
    exercise(s.dir->filePath(QStringLiteral("disc.cue")));
  } else if (kind == 'S') {
    QByteArray iso(static_cast<qsizetype>(kIsoAreaFirst) * kForm1, '\0');
    iso.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    check(writeFile(s.iso, iso), "the ISO is written");
    exercise(s.iso);
  } else if (kind == 'C') {
    const QString cue = s.cueFolder + QStringLiteral("/disc.cue");
    check(writeFile(cue, QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))),
          "the CUE is written");
    exercise(cue);
  }
  return 0;
}

int tocSheet(const uint8_t* data, size_t size) {
  initialise();
  const QString toc = state().cueFolder + QStringLiteral("/disc.toc");
  check(writeFile(toc, QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))), "the TOC is written");
  exercise(toc);
  return 0;
}

QByteArray nrgChunks(int64_t dataBytes) {
  QByteArray c;
  auto chunk = [&](const char* id, const QByteArray& body) {
    char length[4];
    qToBigEndian<quint32>(static_cast<quint32>(body.size()), length);
    c += QByteArray(id, 4) + QByteArray(length, 4) + body;
  };
  QByteArray track(32, '\0');  // start, length (8 bytes each), mode 3 (Mode 2), start LSN, reserved
  qToBigEndian<quint64>(0, track.data());
  qToBigEndian<quint64>(static_cast<quint64>(dataBytes), track.data() + 8);
  qToBigEndian<quint32>(3, track.data() + 16);
  chunk("ETN2", track);
  chunk("SINF", QByteArray("\0\0\0\1", 4));
  chunk("END!", {});
  return c;
}

int cdxaCopy(const uint8_t* data, size_t size) {
  initialise();
  State& s = state();
  QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  // 'L' and 4 bytes: the track is made that many KiB long (at most 4 GiB, sparse).
  qint64 length = -1;
  if (input.startsWith('L') && input.size() >= 5) {
    length = qint64(qFromBigEndian<quint32>(input.constData() + 1) & 0x3FFFFF) * 1024;
    input.remove(0, 5);
  }
  const QString copy = s.dir->filePath(QStringLiteral("copy"));
  QDir().mkpath(copy + QStringLiteral("/MPEGAV"));
  QDir().mkpath(copy + QStringLiteral("/VCD"));
  for (const char* name : {"/MPEGAV/AVSEQ01.DAT", "/MPEGAV/avseq02.dat"}) {
    QFile f(copy + QLatin1String(name));
    check(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(input) == input.size(), "the copied track is written");
    if (length > input.size()) check(f.resize(length), "the copied track is made longer");
    // The second track: the same header over whole sectors of the pattern.
    if (name[8] == 'a') {
      QByteArray sectors(kRaw * 4, '\0');
      for (int i = 0; i < sectors.size(); ++i) sectors[i] = static_cast<char>(patternByte(i / kRaw, i % kRaw));
      check(f.write(sectors) == sectors.size(), "the copied track's sectors are written");
    }
  }
  platform::LinuxDriveManager drives([] { return std::vector<platform::OpticalDevice>{}; });
  check(drives.insertFolder(copy), "a copied disc is taken");
  const auto listing = drives.listFolder(QStringLiteral("cdrom://D/MPEGAV"));
  check(listing.size() == 2, "both tracks are listed");
  for (const auto& e : listing) {
    auto stream = drives.openFile(QStringLiteral("cdrom://D/MPEGAV/") + e.name);
    readSome(*stream, e.size);
  }
  return 0;
}

int nrgImage(const uint8_t* data, size_t size) {
  initialise();
  State& s = state();
  QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const qint64 dataBytes = QFileInfo(s.cueFolder + QStringLiteral("/disc.bin")).size();
  quint64 offset = static_cast<quint64>(dataBytes);
  if (input.startsWith('F') && input.size() >= 9) {
    offset = qFromBigEndian<quint64>(input.constData() + 1);
    input.remove(0, 9);
  }
  // 'G' and 4 bytes: a hole of that many KiB (at most 4 GiB, sparse: nothing is written) after
  // the chunks, so a chunk may claim gigabytes that really lie inside the file.
  qint64 hole = 0;
  if (input.startsWith('G') && input.size() >= 5) {
    hole = qint64(qFromBigEndian<quint32>(input.constData() + 1) & 0x3FFFFF) * 1024;
    input.remove(0, 5);
  }
  char footer[8];
  qToBigEndian<quint64>(offset, footer);
  const QString nrg = s.dir->filePath(QStringLiteral("disc.nrg"));
  if (!QFileInfo::exists(nrg)) check(QFile::copy(s.cueFolder + QStringLiteral("/disc.bin"), nrg), "the NRG data is written");
  QFile f(nrg);
  check(f.open(QIODevice::ReadWrite) && f.resize(dataBytes) && f.seek(dataBytes), "the NRG opens");
  check(f.write(input) == input.size(), "the NRG chunks are written");
  const QByteArray tail = "NER5" + QByteArray(footer, 8);
  check(f.seek(dataBytes + input.size() + hole) && f.write(tail) == tail.size(), "the NRG footer is written");
  f.close();
  exercise(nrg);
  return 0;
}

namespace {

// A disc held in memory: 512 sectors of 2,048 bytes, the input from sector 16 on.
class MemoryDisc : public disc::DiscHandle {
 public:
  MemoryDisc(const uint8_t* data, size_t size) : bytes(512 * kForm1, '\0') {
    std::memcpy(bytes.data() + 16 * kForm1, data, std::min<size_t>(size, bytes.size() - 16 * kForm1));
  }
  bool readSectors(uint8_t* buf, uint32_t lsn, uint32_t count, bool form2) override {
    check(!form2, "folders are read as Form 1");
    check(lsn < endLsn() && count <= endLsn() - lsn, "no sector past the disc's end is asked for");
    std::memcpy(buf, bytes.constData() + static_cast<qsizetype>(lsn) * kForm1, static_cast<size_t>(count) * kForm1);
    return true;
  }
  uint32_t endLsn() override { return 512; }
  bool mediumPresent() override { return true; }
  QByteArray bytes;
};

}  // namespace

int folderWalk(const uint8_t* data, size_t size) {
  MemoryDisc disc(data, size);
  const auto root = disc::rootFolder(disc);
  if (!root) return 0;
  std::vector<disc::DiscEntry> pending{*root};
  for (int listed = 0; !pending.empty() && listed < 64; ++listed) {
    const disc::DiscEntry folder = pending.back();
    pending.pop_back();
    const auto entries = disc::readFolderRecords(disc, folder);
    if (!entries) continue;
    check(entries->size() <= disc::kMaxFolderBytes / 34, "no more records than the folder's bytes hold");
    for (const auto& e : *entries) {
      check(!e.storedName.empty() && e.storedName.size() <= 222, "names fit their records");
      if (e.isFolder) pending.push_back(e);
    }
  }
  const std::string path = std::string("/") + std::string(reinterpret_cast<const char*>(data), std::min<size_t>(size, 12));
  (void)disc::readFolderAt(disc, path.substr(0, path.find('\0')));
  (void)disc::readFolderAt(disc, "/MPEGAV");
  return 0;
}

int trackStream(const uint8_t* data, size_t size) {
  Input in(data, size);
  auto disc = std::make_unique<PatternDisc>();
  disc::DiscEntry entry;
  entry.lsn = in.take<uint32_t>();
  entry.size = in.take<uint32_t>();
  const uint8_t flags = in.take<uint8_t>();
  entry.form2 = flags & 1;
  disc->end = (flags & 2) ? UINT32_MAX : entry.lsn + in.take<uint16_t>();
  if (disc->end < entry.lsn) disc->end = UINT32_MAX;
  if (flags & 4) {
    disc->badFirst = entry.lsn + in.take<uint16_t>();
    disc->badCount = in.take<uint8_t>();
  }
  if (flags & 8) {
    disc->flakyModulo = 1 + in.take<uint8_t>();
    disc->flakyTimes = in.take<uint8_t>() % 5;
  }
  if (flags & 16) disc->deadFrom = entry.lsn + in.take<uint16_t>();
  disc->medium = !(flags & 32);
  PatternDisc* view = disc.get();

  disc::DiscTrackStream s(std::move(disc), entry);
  const disc::TrackExtent& e = s.extent();
  const int bytes = entry.form2 ? kForm2 : kForm1;
  check(e.lsn == entry.lsn, "the extent starts where the record says");
  check(e.sectors <= (view->end > entry.lsn ? view->end - entry.lsn : 0), "the extent stops at the disc's end");
  check(e.size >= 0 && e.size <= static_cast<int64_t>(e.sectors) * bytes, "the size fits the extent's sectors");
  check(!entry.form2 || e.size == static_cast<int64_t>(e.sectors) * kForm2, "Form 2 files are whole sectors");
  check(entry.form2 || e.size <= entry.size, "a Form 1 file is never longer than recorded");

  int64_t pos = 0, delivered = 0;
  bool stopped = false;
  std::vector<char> buf;
  for (int op = 0; op < 64 && !in.empty() && delivered < (8 << 20); ++op) {
    const uint8_t code = in.take<uint8_t>();
    if (code < 160) {
      const uint64_t n = code < 16 ? in.take<uint64_t>() : in.take<uint16_t>() + 1u;
      const size_t want = static_cast<size_t>(std::min<uint64_t>(n, 1u << 20));
      buf.assign(want + 1, '\x5A');
      const int64_t r = s.read(buf.data(), want);
      check(r >= -1 && r <= static_cast<int64_t>(want), "a read returns at most what was asked");
      check(buf[want] == '\x5A', "nothing is written past the reader's buffer");
      if (stopped) check(r == -1, "once reading stopped, every read fails");
      if (r == -1) {
        stopped = true;
        continue;
      }
      if (r == 0) {
        check(want == 0 || pos >= e.size, "a read returns 0 only at the end of the file");
        continue;
      }
      check(pos + r <= e.size, "no byte past the end of the file");
      for (int64_t i = 0; i < r; i += 97) {
        const int64_t at = pos + i;
        const auto sector = static_cast<uint32_t>(at / bytes);
        const auto offset = static_cast<uint32_t>(at % bytes);
        const uint8_t got = static_cast<uint8_t>(buf[static_cast<size_t>(i)]);
        check(got == patternByte(e.lsn + sector, offset) || got == 0, "bytes are the disc's or a skipped sector's zeros");
      }
      pos += r;
      delivered += r;
    } else if (code < 250) {
      const int64_t target = code < 200 ? in.take<int64_t>() : e.size - in.take<uint16_t>();
      const int64_t r = s.seek(target);
      if (target < 0 || target > e.size) {
        check(r == -1, "positions outside the file are refused");
      } else {
        check(r == target, "positions inside the file are taken");
        pos = target;
      }
    } else {
      s.cancel();
      stopped = true;
    }
  }
  check(s.sectorsRead() >= 0 && s.unreadableSectors() >= 0, "counters stay positive");
  return 0;
}

int commandLine(const uint8_t* data, size_t size) {
  initialise();
  QStringList arguments{QStringLiteral("vcdplayer")};
  arguments += QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).split(u'\n');
  const QString line = player::command_line::argumentString(arguments);
  const QString file = player::command_line::fileToPlay(line);
  QString unquoted = line;
  unquoted.remove(u'"');
  check(!file.contains(u'"'), "no double quote reaches the player");
  check(file != QLatin1String("%1"), "the placeholder is never played");
  check(file.isEmpty() == (unquoted.isEmpty() || unquoted == QLatin1String("%1")), "only an empty name is passed over");
  if (!file.isEmpty()) check(file == unquoted, "the name is the whole command line without its quotes");

  const QString image = player::command_line::discImage(line, state().workingFolder);
  if (!image.isEmpty()) {
    const QFileInfo info(image);
    check(info.isAbsolute() && info.isFile(), "a disc image is an existing file, named absolutely");
    check(platform::LinuxDriveManager::looksLikeDiscImage(image), "a disc image is named like one");
  }
  return 0;
}

}  // namespace vcd::fuzz
