#pragma once
#include <QByteArray>
#include <QString>

// File names as the file system holds them: bytes, in no particular encoding. A name travels
// through the player as a QString; these two turn the bytes into one and back without loss.
// Valid UTF-8 reads as usual; each byte that is not part of valid UTF-8 (a name written in
// Latin-1, say) becomes the lone surrogate U+DC80 + (byte - 0x80), which no valid UTF-8 name
// can yield, and goes back to that byte. QFile::encodeName/decodeName (and QDir, QFileInfo)
// replace such bytes, so the disc layer reaches the file system only through these.
namespace vcd::disc {

QString nameFromBytes(const QByteArray& bytes);
QByteArray bytesOfName(const QString& name);

}  // namespace vcd::disc
