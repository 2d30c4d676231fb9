#include "tests/robustness/disc_mutations.h"

#include <QtEndian>
#include <algorithm>
#include <random>

namespace vcd::test::mutations {
namespace {

constexpr int kBlock = 2048;
constexpr int kForm2Payload = 2324;
constexpr uint32_t kPvd = 16;
constexpr int kRootRecord = 156;  // offset of the root's record in the volume descriptor

bool emptySector(const QByteArray& bin, uint32_t lsn) {
  const QByteArray data = bin.mid(userData(lsn), kBlock);
  return data.size() == kBlock && data.count('\0') == kBlock;
}

// A directory record: name, extent and size from `like`, everything else copied from it.
QByteArray recordLike(const QByteArray& bin, qsizetype like, const QByteArray& name, uint32_t lsn, uint32_t size) {
  const int length = static_cast<uint8_t>(bin[like]);
  const int oldName = static_cast<uint8_t>(bin[like + 32]);
  const int oldPad = oldName % 2 == 0 ? 1 : 0;
  const QByteArray systemUse = bin.mid(like + 33 + oldName + oldPad, length - 33 - oldName - oldPad);
  const int pad = name.size() % 2 == 0 ? 1 : 0;
  QByteArray r = bin.mid(like, 33);
  r.append(name);
  r.append(QByteArray(pad, '\0'));
  r.append(systemUse);
  r[0] = static_cast<char>(r.size());
  r[32] = static_cast<char>(name.size());
  qToLittleEndian<quint32>(lsn, r.data() + 2);
  qToBigEndian<quint32>(lsn, r.data() + 6);
  qToLittleEndian<quint32>(size, r.data() + 10);
  qToBigEndian<quint32>(size, r.data() + 14);
  return r;
}

}  // namespace

qsizetype recordOf(const QByteArray& bin, const QByteArray& storedName) {
  for (qsizetype at = bin.indexOf(storedName); at >= 0; at = bin.indexOf(storedName, at + 1)) {
    if (at >= 33 && static_cast<uint8_t>(bin[at - 1]) == storedName.size() &&
        static_cast<uint8_t>(bin[at - 33]) >= 33 + storedName.size())
      return at - 33;
  }
  return -1;
}

uint32_t recordLsn(const QByteArray& bin, qsizetype record) { return qFromLittleEndian<quint32>(bin.constData() + record + 2); }
uint32_t recordSize(const QByteArray& bin, qsizetype record) {
  return qFromLittleEndian<quint32>(bin.constData() + record + 10);
}

void setRecordLsn(QByteArray& bin, qsizetype record, uint32_t lsn) {
  qToLittleEndian<quint32>(lsn, bin.data() + record + 2);
  qToBigEndian<quint32>(lsn, bin.data() + record + 6);
}

void setRecordSize(QByteArray& bin, qsizetype record, uint32_t size) {
  qToLittleEndian<quint32>(size, bin.data() + record + 10);
  qToBigEndian<quint32>(size, bin.data() + record + 14);
}

uint32_t fileLsn(const QByteArray& bin, const QByteArray& storedName) {
  const qsizetype r = recordOf(bin, storedName);
  return r < 0 ? 0 : recordLsn(bin, r);
}

void setRootSize(QByteArray& bin, uint32_t size) {
  const qsizetype root = userData(kPvd) + kRootRecord;
  setRecordSize(bin, root, size);
  setRecordSize(bin, userData(recordLsn(bin, root)), size);  // the "." record opens the root
}

bool manyTracks(QByteArray& bin, int count) {
  const qsizetype mpegav = recordOf(bin, "MPEGAV");
  if (mpegav < 0) return false;
  const uint32_t oldDir = recordLsn(bin, mpegav);
  std::vector<qsizetype> tracks;
  for (int i = 1; i <= 99; ++i) {
    const qsizetype r = recordOf(bin, QStringLiteral("AVSEQ%1.DAT;1").arg(i, 2, 10, QChar('0')).toLatin1());
    if (r < 0) break;
    tracks.push_back(r);
  }
  if (tracks.empty()) return false;

  // "." and ".." first, then the files; a record never straddles two sectors.
  std::vector<QByteArray> records;
  const qsizetype dot = userData(oldDir);
  const qsizetype dotdot = dot + static_cast<uint8_t>(bin[dot]);
  records.push_back(bin.mid(dot, static_cast<uint8_t>(bin[dot])));
  records.push_back(bin.mid(dotdot, static_cast<uint8_t>(bin[dotdot])));
  for (int i = 1; i <= count; ++i) {
    const qsizetype like = tracks[(i - 1) % tracks.size()];
    const QByteArray name = QStringLiteral("AVSEQ%1.DAT;1").arg(i, 2, 10, QChar('0')).toLatin1();
    records.push_back(recordLike(bin, like, name, recordLsn(bin, like), recordSize(bin, like)));
  }
  std::vector<QByteArray> sectors(1);
  for (const QByteArray& r : records) {
    if (sectors.back().size() + r.size() > kBlock) sectors.emplace_back();
    sectors.back().append(r);
  }
  // Room: a run of empty sectors in the first track, past the Video CD's own files.
  uint32_t first = 0;
  for (uint32_t s = 200; s + sectors.size() < 300 && !first; ++s) {
    bool free = true;
    for (uint32_t k = 0; k < sectors.size() && free; ++k) free = emptySector(bin, s + k);
    if (free) first = s;
  }
  if (!first) return false;
  const auto size = static_cast<uint32_t>(sectors.size() * kBlock);
  for (uint32_t k = 0; k < sectors.size(); ++k) {
    QByteArray block = sectors[k];
    block.append(QByteArray(kBlock - block.size(), '\0'));
    bin.replace(userData(first + k), kBlock, block);
  }
  const qsizetype newDot = userData(first);
  setRecordLsn(bin, newDot, first);
  setRecordSize(bin, newDot, size);
  setRecordLsn(bin, mpegav, first);
  setRecordSize(bin, mpegav, size);
  return true;
}

void fillPayload(QByteArray& bin, const QByteArray& storedName, const std::function<char(qsizetype)>& fill) {
  const qsizetype r = recordOf(bin, storedName);
  if (r < 0) return;
  const uint32_t lsn = recordLsn(bin, r);
  const uint32_t sectors = (recordSize(bin, r) + kBlock - 1) / kBlock;
  qsizetype n = 0;
  for (uint32_t s = lsn; s < lsn + sectors && (qsizetype(s) + 1) * kRaw <= bin.size(); ++s)
    for (int i = 0; i < kForm2Payload; ++i) bin[userData(s) + i] = fill(n++);
}

void zeroRawSectors(QByteArray& bin, uint32_t first, uint32_t count) {
  bin.replace(qsizetype(first) * kRaw, qsizetype(count) * kRaw, QByteArray(qsizetype(count) * kRaw, '\0'));
}

std::vector<BinMutation> binMutations() {
  auto entriesField = [](QByteArray& bin, int offset, const QByteArray& bytes) {
    const uint32_t lsn = fileLsn(bin, "ENTRIES.VCD;1");
    if (!lsn) return false;
    bin.replace(userData(lsn) + offset, bytes.size(), bytes);
    return true;
  };
  auto entriesCount = [entriesField](uint16_t count) {
    return [entriesField, count](QByteArray& bin) {
      char be[2];
      qToBigEndian<quint16>(count, be);
      return entriesField(bin, 10, QByteArray(be, 2));
    };
  };
  auto recordField = [](const char* name, std::function<void(QByteArray&, qsizetype)> change) {
    return [name, change](QByteArray& bin) {
      const qsizetype r = recordOf(bin, name);
      if (r < 0) return false;
      change(bin, r);
      return true;
    };
  };
  return {
      {"EntriesCountZero", entriesCount(0)},
      {"EntriesCount501", entriesCount(501)},
      {"EntriesCountFFFF", entriesCount(0xFFFF)},
      {"EntriesWrongSignature", [entriesField](QByteArray& bin) { return entriesField(bin, 0, "ENTRYVCD"); }},
      {"InfoGarbage",
       [](QByteArray& bin) {
         const uint32_t lsn = fileLsn(bin, "INFO.VCD;1");
         if (!lsn) return false;
         std::mt19937 random(9);
         for (int i = 0; i < kBlock; ++i) bin[userData(lsn) + i] = static_cast<char>(random());
         return true;
       }},
      {"MpegavRecordLengthZero", recordField("MPEGAV", [](QByteArray& b, qsizetype r) { b[r] = 0; })},
      {"TrackRecordLengthZero", recordField("AVSEQ02.DAT;1", [](QByteArray& b, qsizetype r) { b[r] = 0; })},
      {"RootSizeNearFFFFFFFF", [](QByteArray& bin) { return setRootSize(bin, 0xFFFFF800u), true; }},
      {"MpegavSizeNearFFFFFFFF",
       recordField("MPEGAV", [](QByteArray& b, qsizetype r) { setRecordSize(b, r, 0xFFFFF800u); })},
      {"TrackSizeFFFFFFFF",
       recordField("AVSEQ01.DAT;1", [](QByteArray& b, qsizetype r) { setRecordSize(b, r, 0xFFFFFFFFu); })},
      {"TrackExtentInSystemArea", recordField("AVSEQ01.DAT;1", [](QByteArray& b, qsizetype r) { setRecordLsn(b, r, 0); })},
      {"TrackExtentPastLeadOut",
       recordField("AVSEQ01.DAT;1", [](QByteArray& b, qsizetype r) { setRecordLsn(b, r, b.size() / kRaw + 1000); })},
      {"TrackExtentAtLastSector",
       recordField("AVSEQ01.DAT;1", [](QByteArray& b, qsizetype r) { setRecordLsn(b, r, b.size() / kRaw - 1); })},
      {"TrackExtentAtFFFFFFFF",
       recordField("AVSEQ01.DAT;1", [](QByteArray& b, qsizetype r) { setRecordLsn(b, r, 0xFFFFFFFFu); })},
      {"TrackZeroedPayload", [](QByteArray& bin) { return fillPayload(bin, "AVSEQ01.DAT;1", [](qsizetype) { return '\0'; }), true; }},
      {"TrackRandomPayload",
       [](QByteArray& bin) {
         std::mt19937 random(1);
         fillPayload(bin, "AVSEQ01.DAT;1", [&](qsizetype) { return static_cast<char>(random()); });
         return true;
       }},
      {"VolumeDescriptorZeroed", [](QByteArray& bin) { return zeroRawSectors(bin, kPvd, 1), true; }},
      {"FileSystemRandom",
       [](QByteArray& bin) {
         std::mt19937 random(7);
         for (uint32_t s = kPvd; s < 24; ++s)
           for (int i = 0; i < kBlock; ++i) bin[userData(s) + i] = static_cast<char>(random());
         return true;
       }},
      {"HundredTwentyTracks", [](QByteArray& bin) { return manyTracks(bin, 120); }},
  };
}

std::vector<CueSheet> malformedCueSheets(const QByteArray& binName, uint32_t sectors) {
  const QByteArray file = "FILE \"" + binName + "\" BINARY\n";
  auto msf = [](uint32_t lsn) {
    return QStringLiteral("%1:%2:%3")
        .arg(lsn / 4500, 2, 10, QChar('0'))
        .arg(lsn / 75 % 60, 2, 10, QChar('0'))
        .arg(lsn % 75, 2, 10, QChar('0'))
        .toLatin1();
  };
  auto track = [](int n, const QByteArray& time) {
    return QStringLiteral("  TRACK %1 MODE2/2352\n    INDEX 01 ").arg(n, 2, 10, QChar('0')).toLatin1() + time + "\n";
  };
  std::vector<CueSheet> sheets;

  QByteArray many = file;
  for (int t = 1; t <= 120; ++t) many += track(t, msf(std::min<uint32_t>(sectors - 1, uint32_t(t - 1) * 8)));
  sheets.push_back({"HundredTwentyTracks", many});

  sheets.push_back({"TimesOutOfRange", file + track(1, "00:00:00") + track(2, "00:99:99") + track(3, "99:59:74")});
  sheets.push_back({"TimesNotNumbers", file + track(1, "00:00:00") + track(2, "aa:bb:cc") + track(3, "-1:-1:-1")});
  sheets.push_back({"FramesPast74", file + track(1, "00:00:00") + track(2, "00:06:75") + track(3, "00:00:4294967295")});
  sheets.push_back({"IndexGoesBackwards", file + track(1, "00:00:00") + track(2, msf(sectors / 2)) + track(3, msf(100)) +
                                              "    INDEX 02 00:00:10\n"});
  sheets.push_back({"TrackNumbersOutOfOrder",
                    file + "  TRACK 07 MODE2/2352\n    INDEX 01 00:00:00\n  TRACK 00 MODE2/2352\n    INDEX 01 00:06:00\n"
                           "  TRACK 99 AUDIO\n    INDEX 01 00:08:00\n  TRACK 250 MODE2/2352\n    INDEX 01 00:09:00\n"});
  sheets.push_back({"NoTracks", file});
  sheets.push_back({"Empty", QByteArray()});
  sheets.push_back({"LongLine", file + QByteArray(60000, 'A') + "\n" + track(1, "00:00:00")});
  return sheets;
}

}  // namespace vcd::test::mutations
