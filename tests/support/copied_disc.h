#pragma once
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QtEndian>
#include <functional>

#include "platform/linux_drives.h"

// A disc image copied to a folder file by file, as people keep Video CDs on the hard disk: read
// through the disc layer from the image in a drive table of its own.
namespace vcd::test {

enum class CopyStyle {
  Stream,  // the tracks' MPEG streams as they are (what a ripping tool writes)
  Cdxa,    // the tracks as RIFF CDXA files of raw 2,352-byte sectors (what Windows copies)
};

// A RIFF CDXA file of Form 2 sectors around the 2,324-byte payloads: sync, header and XA
// subheader in front of each, four EDC bytes after it.
inline QByteArray cdxaOf(const QByteArray& payloads) {
  QByteArray sectors;
  for (qsizetype at = 0; at < payloads.size(); at += 2324)
    sectors += QByteArray::fromHex("00ffffffffffffffffffff00000200020101620f0101620f") +
               payloads.mid(at, 2324).leftJustified(2324, '\0') + QByteArray(4, '\0');
  auto le32 = [](qsizetype v) {
    QByteArray b(4, '\0');
    qToLittleEndian(static_cast<quint32>(v), b.data());
    return b;
  };
  const QByteArray fmt = QByteArray::fromHex("0000000011555841") + QByteArray(8, '\0');
  return "RIFF" + le32(36 + sectors.size()) + "CDXA" + "fmt " + le32(fmt.size()) + fmt + "data" +
         le32(sectors.size()) + sectors;
}

// Copies every folder and file of the disc image into `target`; the tracks (in MPEGAV or MPEG2)
// in the given style. False when the image cannot be read or the copy written.
inline bool copyDiscToFolder(const QString& image, const QString& target, CopyStyle style) {
  platform::LinuxDriveManager drives([] { return std::vector<platform::OpticalDevice>{}; });
  if (!drives.insertImage(image)) return false;
  std::function<bool(const QString&)> copy = [&](const QString& folder) {
    if (!QDir().mkpath(target + folder)) return false;
    const bool tracks = folder.compare("/MPEGAV", Qt::CaseInsensitive) == 0 || folder.compare("/MPEG2", Qt::CaseInsensitive) == 0;
    for (const platform::FolderEntry& e : drives.listFolder("cdrom://D" + folder)) {
      const QString path = (folder == "/" ? "" : folder) + "/" + e.name;
      if (e.isFolder) {
        if (!copy(path)) return false;
        continue;
      }
      auto stream = drives.openFile("cdrom://D" + path);
      QByteArray bytes, chunk(65536, '\0');
      for (int64_t n; (n = stream->read(chunk.data(), chunk.size())) > 0;) bytes.append(chunk.constData(), n);
      QFile out(target + path);
      if (bytes.size() != stream->size() || !out.open(QIODevice::WriteOnly)) return false;
      out.write(tracks && style == CopyStyle::Cdxa ? cdxaOf(bytes) : bytes);
    }
    return true;
  };
  return copy("/");
}

}  // namespace vcd::test
