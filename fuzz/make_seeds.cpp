// Writes the fuzzers' seed corpora: the test discs and the robustness tests' malformed images and
// cue sheets in the disc-image fuzzer's form, hand-made stream cases, and typical command lines.
//   fuzz_make_seeds MEDIA_DIR OUT_DIR
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QtEndian>
#include <cstdio>

#include "fuzz/targets.h"
#include "fuzz/disc_mutations.h"

namespace {

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void put(const QString& folder, const QByteArray& bytes) {
  QDir().mkpath(folder);
  const QString name = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
  QFile f(folder + u'/' + name);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

QByteArray streamCase(uint32_t lsn, uint32_t size, uint8_t flags, const QByteArray& rest) {
  QByteArray b(9, '\0');
  qToLittleEndian<quint32>(lsn, b.data());
  qToLittleEndian<quint32>(size, b.data() + 4);
  b[8] = static_cast<char>(flags);
  return b + rest;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s MEDIA_DIR OUT_DIR\n", argv[0]);
    return 2;
  }
  using namespace vcd::fuzz::mutations;
  const QString media = QString::fromLocal8Bit(argv[1]), out = QString::fromLocal8Bit(argv[2]);
  const QString discs = out + QStringLiteral("/disc_image");
  for (const char* name : {"pal3", "ntsc3", "pal25", "notracks"}) {
    const QByteArray bin = readAll(media + u'/' + QLatin1String(name) + QStringLiteral(".bin"));
    if (bin.isEmpty()) {
      std::fprintf(stderr, "no %s.bin in %s\n", name, argv[1]);
      return 1;
    }
    put(discs, 'I' + vcd::fuzz::isoAreaOf(bin));
    put(out + QStringLiteral("/folder_walk"), vcd::fuzz::isoAreaOf(bin));
    if (QByteArray(name) != "pal3") continue;
    put(discs, 'S' + vcd::fuzz::isoAreaOf(bin));
    for (const BinMutation& m : binMutations()) {
      QByteArray changed = bin;
      if (m.apply(changed)) put(discs, 'I' + vcd::fuzz::isoAreaOf(changed));
    }
    QByteArray cue = readAll(media + QStringLiteral("/pal3.cue"));
    put(discs, 'C' + QByteArray(cue).replace("pal3.bin", "disc.bin"));
    put(discs, 'C' + QByteArray(cue).replace("pal3.bin", "Movie.BIN"));
    put(discs, 'C' + QByteArray(cue).replace("pal3.bin", "../cue/track.bin"));
    put(discs, 'C' + QByteArray(cue).replace("pal3.bin", "/etc/passwd"));
    for (const CueSheet& sheet : malformedCueSheets("disc.bin", bin.size() / kRaw)) put(discs, 'C' + sheet.text);
  }

  const QString tocs = out + QStringLiteral("/toc_sheet");
  const QByteArray track = "TRACK MODE2_RAW\n";
  put(tocs, "CD_ROM_XA\n" + track + "DATAFILE \"disc.bin\"\n");
  put(tocs, "CD_ROM_XA\nCD_TEXT { LANGUAGE_MAP { 0 : EN } LANGUAGE 0 { TITLE \"x\" } }\n" + track +
                "NO COPY\nDATAFILE \"Movie.BIN\" 00:06:00 // the first track\n" + track + "PREGAP 00:02:00\n" +
                "DATAFILE \"track.bin\" #1058400 00:04:00\nSTART 00:01:00\n" + track + "ZERO MODE2_RAW 00:00:10\n" +
                "DATAFILE \"disc.bin\" #1764000\n");
  put(tocs, "CD_ROM_XA\n" + track + "DATAFILE \"/etc/passwd\"\n" + track + "DATAFILE \"../cue/track.bin\" #99999999\n");
  put(tocs, "TRACK MODE2_FORM_MIX RW_RAW\nFILE \"disc.bin\" 0 00:10:00\nTRACK AUDIO\nSILENCE 588\nAUDIOFILE \"disc.bin\" #24 1000 2000\n");
  QByteArray many = "CD_ROM_XA\n";
  for (int t = 0; t < 120; ++t) many += track + "DATAFILE \"disc.bin\" 00:00:01\n";
  put(tocs, many);

  const QString nrgs = out + QStringLiteral("/nrg_image");
  const QByteArray chunks = vcd::fuzz::nrgChunks(int64_t(vcd::fuzz::kDiscSectors) * kRaw);
  put(nrgs, chunks);
  put(nrgs, chunks.left(chunks.size() - 8));
  put(nrgs, QByteArray("F\0\0\0\0\0\0\0\0", 9) + chunks);
  put(nrgs, QByteArray("F\xff\0\0\0\0\0\0\0", 9) + chunks);

  put(nrgs, QByteArray("G\0\x20\0\0", 5) + chunks);  // 2 GiB of hole after the chunks

  // RIFF CDXA headers as Windows writes them (44 bytes before the sectors), and lying ones.
  const QString cdxas = out + QStringLiteral("/cdxa_copy");
  auto le32 = [](quint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
  };
  const QByteArray fmt = "fmt " + le32(16) + QByteArray::fromHex("0000000011555841") + QByteArray(8, '\0');
  const QByteArray sector = QByteArray::fromHex("00ffffffffffffffffffff00000200020101620f0101620f") + QByteArray(2328, 'v');
  put(cdxas, "RIFF" + le32(36 + 3 * kRaw) + "CDXA" + fmt + "data" + le32(3 * kRaw) + sector + sector + sector);
  put(cdxas, "RIFF" + le32(0xFFFFFFFF) + "CDXA" + fmt + "data" + le32(0xFFFFFFFF) + sector);
  put(cdxas, "RIFF" + le32(36) + "CDXA" + "fmt " + le32(0xFFFFFFF0) + fmt.mid(8) + "data" + le32(kRaw) + sector);
  put(cdxas, "L\0\x10\0\0RIFF" + le32(36) + "CDXA" + fmt + "data" + le32(0x7FFFFFFF) + sector);

  const QString streams = out + QStringLiteral("/track_stream");
  const QByteArray readAlong("\x20\xff\x8f\x20\xff\x8f\x20\xff\x8f\xc8\x00\x00\x20\xff\x8f", 15);
  put(streams, streamCase(450, 150 * 2048, 1 | 2, readAlong));
  put(streams, streamCase(450, 150 * 2048, 1 | 4, QByteArray("\x10\x00\x05", 3) + readAlong + readAlong));
  put(streams, streamCase(450, 150 * 2048, 1 | 8 | 16, QByteArray("\x07\x02\x40\x00", 4) + readAlong + readAlong));
  put(streams, streamCase(23, 2048 * 3 + 17, 0, QByteArray("\x05\x00", 2) + readAlong));
  put(streams, streamCase(0xFFFFFFF0u, 0xFFFFFFFFu, 1 | 2, readAlong + "\xfa" + readAlong));

  const QString lines = out + QStringLiteral("/command_line");
  for (const char* line : {"\"/home/me/My Videos/clip.mpg\" \"b.mp3\"", "%1", "\"%1\"", "\"\"", "a.cue", "My Disc.BIN",
                           "\"My Disc.BIN\"", "-x.iso", "http://example.com/x.mpg", "\xC3\xA9t\xC3\xA9.nrg",
                           "d.cue", "../cwd/a.cue", "clip.mpg\n--help"})
    put(lines, line);
  return 0;
}
