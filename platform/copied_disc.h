#pragma once
#include "platform/disc_access.h"
#include "platform/drives.h"

#include <QString>
#include <memory>
#include <vector>

// A Video CD or Super Video CD copied to a folder of the hard disk (its MPEGAV or MPEG2 folder
// beside VCD/SVCD and SEGMENT), read as the disc it was copied from. A track copied off a disc is
// either the MPEG stream itself, or, the way Windows copies a Form 2 file, a RIFF "CDXA" file of
// whole raw sectors: then the 2,324-byte payloads of its sectors are the stream, exactly as the
// disc yields them. Names are matched as on a disc: without regard to case or version suffix.
namespace vcd::platform {

class ReadPacer;

// The folders that hold a disc's movie tracks: a Video CD's, and a Super Video CD's.
inline constexpr char16_t kVideoCdTrackFolder[] = u"MPEGAV";
inline constexpr char16_t kSvcdTrackFolder[] = u"MPEG2";

// Whether `folder` holds an MPEGAV or an MPEG2 folder (any case).
bool holdsCopiedDisc(const QString& folder);

// Whether a path on a disc ("/MPEG2/AVSEQ01.MPG") lies in a Super Video CD's track folder. Such a
// track is not multiplexed at a Video CD's fixed 75 sectors a second, so its length tells nothing
// about its playing time.
bool inSvcdTrackFolder(const QString& path);

// The entries of the folder `path` ("/" for the copy itself, "/Mpegav") of the copy in the virtual
// drive. `discPath` names it in messages. Throws DiscError when the copy is out of the drive or
// the folder does not exist.
std::vector<FolderEntry> listCopiedFolder(const VirtualDisc& disc, const QString& path, const QString& discPath);

// Opens the file `path` of the copy as a track. Throws DiscError as listCopiedFolder does, and when
// the file does not exist or is not a regular file.
std::unique_ptr<TrackStream> openCopiedFile(std::shared_ptr<VirtualDisc> disc, const QString& path,
                                            const QString& discPath, std::shared_ptr<ReadPacer> pacer);

}  // namespace vcd::platform
