#pragma once
// The media every suite plays or reads: the Video CD images the build makes (scripts/make-vcd.sh,
// real discs from vcdimager), small MPEG files it makes with ffmpeg, and the disc layer's virtual
// drive holding an image.
#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "platform/linux_drives.h"
#include "tests/disc/disc_images.h"  // mediaPath, readToEnd, readFile, writeFile
#include "tests/support/qt_printers.h"

namespace vcd::test {

// demo.cue: PAL, 4 tracks of 6 s.  pal3.cue / ntsc3.cue: 3 tracks of 1 s.
// pal25.cue: 25 tracks of 1 s.  notracks.cue: an MPEGAV folder with only *.TXT files.
// svcd3.cue: a PAL Super Video CD (MPEG2/AVSEQnn.MPG), 3 tracks of 2 s.  svcd2n.cue: NTSC, 2 of 1 s.
// both.cue: a PAL Video CD of 2 tracks of 1 s that also holds MPEG2/AVSEQ01.MPG.
// set1of2.cue, set2of2.cue: the two discs of the set VOREN_FILM, 2 tracks of 1 s each.
// other1of2.cue: disc 1 of 2 of the set OTHER_FILM, 1 track of 1 s.
// (mediaPath names them: tests/disc/disc_images.h.)

// The small local files the build makes beside them (scripts/make-test-files.sh lists them).
inline QString localMedia(const char* name) { return mediaPath(name); }
// A file that lives while the test runs, holding the given bytes.
QString writeTempFile(const char* name, const QByteArray& bytes);

// A picture of one colour: a screen or a video frame whose pixels a test can recognise.
inline QImage filledImage(int width, int height, QRgb colour) {
  QImage img(width, height, QImage::Format_RGB32);
  img.fill(colour);
  return img;
}
// `bytes` written to `name` in `folder`; the file's path.
inline QString writtenTo(const QDir& folder, const QString& name, const QByteArray& bytes) {
  writeFile(folder.filePath(name), bytes);
  return folder.filePath(name);
}
// A BIN/CUE image in `folder`: `bin` as `name`.bin with the built image `like`'s cue sheet (or the
// one given); the sheet's path.
QString writeImage(const QDir& folder, const QString& name, const QByteArray& bin, QByteArray cue = {},
                   const char* like = "pal3");
// Leaves a picture in $VCD_SCREENSHOT_DIR (when it is set) for a person to look at.
void saveScreenshot(const QPixmap& picture, const QString& name);

constexpr int kRawSector = 2352;  // a BIN holds raw sectors
constexpr int kPayload = 2324;    // the payload of a Form 2 sector

// A drive table without optical drives; the image, if any, in its virtual drive D.
std::unique_ptr<platform::LinuxDriveManager> driveWithImage(const QString& image);

// The names of a folder's entries, in its order.
inline QStringList names(const std::vector<platform::FolderEntry>& entries) {
  QStringList out;
  for (const auto& e : entries) out << e.name;
  return out;
}

// A writable copy of a built BIN/CUE image (named without extension).
struct ImageCopy {
  explicit ImageCopy(const char* name);
  QByteArray binBytes() const { return readFile(bin); }
  // Replaces the payload of a Form 2 file on the disc ("cdrom://D/MPEGAV/AVSEQ01.DAT") with
  // `bytes`, the rest of the file filled with `fill`.
  void overwriteFile(const QString& discPath, const QByteArray& bytes, char fill = '\0');
  QTemporaryDir dir;
  QString cue, bin;
};

}  // namespace vcd::test
