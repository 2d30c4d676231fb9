#include "capture/bmp_file.h"

#include <QDir>
#include <QSaveFile>
#include <QtEndian>

namespace vcd::capture {
namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr quint32 kPixelsPerMeter = 3780;  // 96 dots per inch

void putLe16(char* at, quint16 v) { qToLittleEndian(v, at); }
void putLe32(char* at, quint32 v) { qToLittleEndian(v, at); }

}  // namespace

QByteArray EncodeBmp24(const QImage& picture) {
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
  const int w = rgb.width(), h = rgb.height();
  const qsizetype stride = (static_cast<qsizetype>(w) * 3 + 3) & ~qsizetype(3);
  const qsizetype offset = kFileHeaderSize + kInfoHeaderSize;
  QByteArray out(offset + stride * h, '\0');
  char* d = out.data();

  d[0] = 'B';
  d[1] = 'M';
  putLe32(d + 2, static_cast<quint32>(out.size()));
  putLe32(d + 10, static_cast<quint32>(offset));

  char* info = d + kFileHeaderSize;
  putLe32(info + 0, kInfoHeaderSize);
  putLe32(info + 4, static_cast<quint32>(w));
  putLe32(info + 8, static_cast<quint32>(h));  // positive: rows bottom-up
  putLe16(info + 12, 1);                       // planes
  putLe16(info + 14, 24);                      // bits per pixel
  putLe32(info + 16, 0);                       // no compression
  putLe32(info + 20, static_cast<quint32>(stride * h));
  putLe32(info + 24, kPixelsPerMeter);
  putLe32(info + 28, kPixelsPerMeter);

  for (int y = 0; y < h; ++y) {
    const QRgb* src = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    char* row = d + offset + stride * (h - 1 - y);
    for (int x = 0; x < w; ++x) {
      row[3 * x] = static_cast<char>(qBlue(src[x]));
      row[3 * x + 1] = static_cast<char>(qGreen(src[x]));
      row[3 * x + 2] = static_cast<char>(qRed(src[x]));
    }
  }
  return out;
}

void PutMarker(QByteArray& file) {
  if (!file.isEmpty()) file[file.size() - 1] = 'p';
}

void ReplaceFile(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  const QString shown = QDir::toNativeSeparators(path);
  if (!file.open(QIODevice::WriteOnly))
    throw CaptureError(QStringLiteral("the file %1 cannot be written (%2).").arg(shown, file.errorString()));
  if (file.write(bytes) != bytes.size()) {
    const QString why = file.errorString();
    file.cancelWriting();
    throw CaptureError(QStringLiteral("the file %1 cannot be written (%2).").arg(shown, why));
  }
  if (!file.commit())
    throw CaptureError(QStringLiteral("the file %1 cannot be written (%2).").arg(shown, file.errorString()));
}

}  // namespace vcd::capture
