#pragma once
// The Video CD images the build makes, opened by the disc layer alone: the cue sheet parsed, the
// BIN it names opened here, its sectors read as the virtual drive reads them.
#include "disc/image_disc.h"
#include "disc/track_stream.h"

#include <QByteArray>
#include <QString>
#include <memory>

namespace vcd::test {

inline QString mediaPath(const char* name) { return QStringLiteral(VCD_MEDIA_DIR "/") + QString::fromUtf8(name); }

// Opens a file of the test's own for the disc layer; nullptr when it cannot be opened.
std::shared_ptr<disc::DataFile> openData(const QString& path);

// The disc of a built image ("demo.cue"), in a virtual drive of its own.
std::shared_ptr<disc::VirtualDisc> imageDisc(const char* cueName);
std::unique_ptr<disc::DiscHandle> openImage(const std::shared_ptr<disc::VirtualDisc>& disc);

// The record of a file ("/MPEGAV", "AVSEQ01.DAT") on the disc.
disc::DiscEntry fileOnDisc(disc::DiscHandle& disc, const char* folder, const char* name);

// A file's bytes (none when it cannot be read); writing them, a failure noted by the test.
QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);

// Reads a stream to its end in chunks of `chunk` bytes; stops early on -1 (stored in `last`).
QByteArray readToEnd(disc::TrackStream& s, int chunk = 65536, int64_t* last = nullptr);

}  // namespace vcd::test
