#pragma once
#include <QByteArray>
#include <QImage>
#include <QString>
#include <stdexcept>

// Screenshot files: Windows BMP, 24 bits per pixel, and the "p" that marks a finished one.
namespace vcd::capture {

// A capture step that could not be done; what() completes "The screenshot was not saved: ".
class CaptureError : public std::runtime_error {
 public:
  explicit CaptureError(const QString& reason) : std::runtime_error(reason.toStdString()) {}
  QString reason() const { return QString::fromStdString(what()); }
};

// The picture as a Windows BMP file: BITMAPFILEHEADER, BITMAPINFOHEADER, no palette, rows of
// blue-green-red bytes padded to 4 bytes, bottom row first, 96 dots per inch.
QByteArray EncodeBmp24(const QImage& picture);

// Puts the letter "p" over the last byte (the top row's last byte, as rows are stored bottom-up).
// The length stays as it was.
void PutMarker(QByteArray& file);

// Replaces the file with the given bytes whole: they are written beside it and renamed over it,
// so the file is either the old one or the complete new one. Throws CaptureError.
void ReplaceFile(const QString& path, const QByteArray& bytes);

}  // namespace vcd::capture
