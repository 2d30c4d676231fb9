#pragma once
#include "disc/data_file.h"
#include "disc/result.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

// Opening the files that a disc image consists of: the image the user named, and the data files
// its sheet names. A sheet is something people download, so nothing it names is opened unless it
// is a regular file inside the sheet's own folder: only the name's last component counts (a path,
// a drive letter or ".." in front of it is dropped), it is looked up in that folder (exactly, then
// without regard to case), and the opened file is checked again (a symlink leading out of the
// folder, a FIFO or a device is refused). Nothing here ever blocks: FIFOs are refused before and
// after opening, and opening is non-blocking. The disc layer reads what is opened here.
namespace vcd::platform {

using OpenedFile = disc::Result<std::shared_ptr<disc::DataFile>>;

// Opens `path` itself, which must be a regular file.
OpenedFile openImageFile(const QString& path);
// Opens the file a sheet in `folder` names as `written`; see above.
OpenedFile openNamedFile(const QString& folder, const QString& written);
// Opens `path`, which must lead (after every symlink) to a regular file inside the folder
// `root`: directly in it, or at any depth below it. The path is resolved before anything is
// opened, so nothing outside `root` is ever opened; the open file is checked once more.
// `shownAs` names the file in the reason and in path().
OpenedFile openFileInside(const QString& root, const QString& path, bool directly, const QString& shownAs);

// The most entries of one folder on the hard disk the disc layer looks at: past the playlist's
// 16-bit index, and read (names only, nothing opened) in a few milliseconds.
inline constexpr size_t kMaxFolderEntries = 65536;

// The names in a folder (without "." and ".."), in the order the file system gives them, at most
// `limit` of them (`cut` says whether there were more); none when it cannot be read. Only the
// folder is read: no entry is looked at or opened.
std::vector<QString> folderNames(const QString& folder, size_t limit, bool* cut = nullptr);
// `folder` + "/" + `name`.
QString joinedPath(const QString& folder, const QString& name);
// Whether anything (a dangling symlink too) is called `path`.
bool pathExists(const QString& path);
// `path` with every symlink, "." and ".." resolved; "" when it does not exist.
QString resolvedPath(const QString& path);

// The file of `folder` called `name` (exactly, else without regard to case), or an empty string.
QString findInFolder(const QString& folder, const QString& name);

}  // namespace vcd::platform
