#include "fuzz/disc_mutations.h"

#include <QtEndian>
#include <algorithm>
#include <random>

namespace vcd::fuzz::mutations {
namespace {

constexpr int kBlock = 2048;
constexpr int kForm2Payload = 2324;
constexpr uint32_t kPvd = 16;
constexpr int kRootRecord = 156;  // offset of the root's record in the volume descriptor

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
  sheets.push_back({"TimesNotNumbers", file + track(1, "00:00:00") + track(2, "aa:bb:cc") + track(3, "-1:-1:-1") +
                                           track(4, "00:00:4294967295")});
  sheets.push_back({"FramesPast74", file + track(1, "00:00:00") + track(2, "00:06:75") + track(3, "00:09:74")});
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

}  // namespace vcd::fuzz::mutations
