#pragma once
#include <QChar>
#include <QString>
#include <optional>

// The one textual form of a folder or file on a disc in a drive:
//
//     cdrom://D/Mpegav              the folder Mpegav on the disc in drive D
//     cdrom://D/Mpegav/AVSEQ01.DAT  a file in it
//
// It travels through the work text box into the playlist and, joined with a file name, into
// the media player. It cannot be mistaken for a local path, and the disc layer resolves it
// both when the playlist lists the folder and when the engine opens a track. Names after the
// drive letter are matched on the disc without regard to case and to ISO 9660 version
// suffixes (";1"). A local path (a file from the command line) stays a plain path.
namespace vcd::disc {

inline constexpr char16_t kScheme[] = u"cdrom://";
// The scheme's name alone, as a URL protocol is registered under it.
inline constexpr char kSchemeName[] = "cdrom";

// "cdrom://" + upper-case letter + "/" + folder, e.g. driveFolder('d', "Mpegav") == "cdrom://D/Mpegav".
QString driveFolder(QChar letter, const QString& folder);

bool isDiscPath(const QString& path);  // parsePath(path) succeeds

// The full path of a playlist entry: folder, separator, file name.
QString join(const QString& folder, const QString& name);

// A folder or file on the disc in a drive, read from its text form once and handed on as such
// from the window to the disc layer.
struct DiscPath {
  QChar letter;   // upper case
  QString path;   // "/" for the disc's root, otherwise "/Mpegav/AVSEQ01.DAT" (as written, not resolved)

  // The text form: "cdrom://D/Mpegav/AVSEQ01.DAT".
  QString text() const;
  bool operator==(const DiscPath&) const = default;
};
// Reads a disc path; nullopt for anything that is not one (local paths, other URLs, bad letters).
std::optional<DiscPath> parsePath(const QString& path);

}  // namespace vcd::disc
