#pragma once
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

// The bodies of the fuzz targets. The libFuzzer programs in this folder call them, and the
// regression test runs every input kept under tests/robustness/regressions/ through them. Each
// one aborts (so the fuzzer reports it) when the code under test breaks one of its own promises;
// crashes, leaks and undefined behaviour are the sanitizers' to find.
namespace vcd::fuzz {

// A disc image as the fuzzer writes it. The first byte says what the rest is:
//   'I'  the ISO 9660 area of a Video CD: the 2,048-byte user data of sectors 16, 17, ... It is
//        laid into a BIN/CUE image of four Mode 2 tracks (the layout of a three-track Video CD),
//        whose track sectors carry a byte pattern.
//   'S'  the same area as a plain .iso image (2,048-byte sectors).
//   'C'  a cue sheet, beside a BIN "disc.bin" of that layout (with an empty ISO area) that is
//        also reachable as "Movie.BIN" and "track.bin".
// The image goes into a virtual drive; the root, Mpegav and VCD folders are listed and every
// file in them is opened, read in part, and sought about.
int discImage(const uint8_t* data, size_t size);

// A cdrdao TOC sheet beside the BIN of the 'C' images (also reachable as "Movie.BIN" and
// "track.bin"), inserted and exercised as the disc images are.
int tocSheet(const uint8_t* data, size_t size);

// An NRG image: the BIN of the 'C' images followed by the input as its chunks, and a footer
// pointing at them ("NER5"); an input starting with 'F' gives the footer's offset itself in its
// next 8 bytes (big-endian). Inserted and exercised as the disc images are.
int nrgImage(const uint8_t* data, size_t size);
// The 'G' inputs put a hole of the KiB in their next 4 bytes (big-endian, at most 4 GiB) between
// the chunks and the footer, so a chunk may claim gigabytes that lie inside the (sparse) file.

// A track of a copied Video CD as Windows copies it (a RIFF CDXA file): the input is the track's
// bytes, written as MPEGAV/AVSEQ01.DAT, and once more followed by four raw sectors as
// MPEGAV/AVSEQ02.DAT, of a copied disc; an input starting with 'L' makes the first as long as the
// KiB in its next 4 bytes (sparse). Both are listed, opened, read in part and sought about: the
// listing's sizes are the streams' sizes.
int cdxaCopy(const uint8_t* data, size_t size);

// The chunks of an NRG image (without footer) whose data part is `dataBytes` of raw sectors:
// one track-at-once Mode 2 track, one session.
QByteArray nrgChunks(int64_t dataBytes);

// The ISO 9660 folder walk on a disc held in memory: the input is the user data of sectors 16,
// 17, ... of a disc of at most 512 sectors. Every folder reachable from the root is listed (at
// most 64 of them); listings stay within the disc and end.
int folderWalk(const uint8_t* data, size_t size);

// Reading and seeking a disc file: the input chooses the file's extent and the disc's end, which
// sectors fail (a scratch, flaky sectors, a dead disc, a disc taken out) and a sequence of reads,
// seeks and a cancel. Delivered bytes must be the disc's bytes or the zeros of a skipped sector.
int trackStream(const uint8_t* data, size_t size);

// The start-up command line: arguments (one per line of the input) joined into one string,
// cleaned for the media player, and looked at as a disc image.
int commandLine(const uint8_t* data, size_t size);

// Seeds: the ISO area of a BIN image (user data of sectors 16 up to the first track's end,
// without trailing empty sectors), and the layout the 'I' inputs are laid into.
QByteArray isoAreaOf(const QByteArray& bin);
inline constexpr int kIsoAreaFirst = 16;
inline constexpr int kFirstTrackSectors = 450;
inline constexpr int kDiscSectors = 1347;

// Runs once before the first input: a private folder for the images.
void initialise();

}  // namespace vcd::fuzz
