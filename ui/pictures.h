#pragma once
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace vcd::ui {

// The program's own pictures (its resources), read by the format their file name gives. Asked
// to guess, Qt loads every image-format plugin it has (GIF, ICO, JPEG, ...) to ask each of them,
// even for a PNG it reads itself; these pictures are known, so only the reader a format needs
// is loaded. A picture that cannot be read comes back null.
QPixmap resourcePicture(const QString& path);
// Every image of an icon file (a Windows icon holds several sizes and colour depths).
QIcon resourceIcon(const QString& path);

}  // namespace vcd::ui
