#pragma once
#include "disc/result.h"
#include "disc/sectors.h"
#include "disc/track_stream.h"
#include "disc/virtual_disc.h"

#include <QString>
#include <memory>
#include <vector>

// A Video CD or Super Video CD copied to a folder of the hard disk (its MPEGAV or MPEG2 folder
// beside VCD/SVCD and SEGMENT), read as the disc it was copied from: the folders are walked here,
// on the file system; each track is read as disc/copied_track.h says. Names are matched as on a
// disc: without regard to case or version suffix.
namespace vcd::platform {

// Whether `folder` holds an MPEGAV or an MPEG2 folder (any case).
bool holdsCopiedDisc(const QString& folder);

// The entries of the folder `path` ("/" for the copy itself, "/Mpegav") of the copy in the virtual
// drive. `discPath` names it in the reason. Fails when the copy is out of the drive or the folder
// does not exist.
disc::Result<std::vector<disc::FolderEntry>> listCopiedFolder(const disc::VirtualDisc& disc, const disc::CopiedFolder& copy,
                                                              const QString& path, const QString& discPath);

// Opens the file `path` of the copy as a track. Fails as listCopiedFolder does, and when the file
// does not exist or is not a regular file.
disc::Result<std::unique_ptr<disc::TrackStream>> openCopiedFile(std::shared_ptr<disc::VirtualDisc> disc,
                                                                const disc::CopiedFolder& copy, const QString& path,
                                                                const QString& discPath,
                                                                std::shared_ptr<disc::ReadPacer> pacer);

}  // namespace vcd::platform
