#pragma once
#include "disc/data_file.h"
#include "disc/sectors.h"
#include "disc/virtual_disc.h"

#include <QString>
#include <cstdint>
#include <memory>

// A track of a Video CD or Super Video CD copied to a folder of the hard disk (the drive table
// finds it there: platform/copied_disc.h). A track copied off a disc is either the MPEG stream
// itself, or, the way Windows copies a Form 2 file, a RIFF "CDXA" file of whole raw sectors: then
// the 2,324-byte payloads of its sectors are the stream, exactly as the disc yields them.
namespace vcd::disc {

// The folders that hold a disc's movie tracks: a Video CD's, and a Super Video CD's.
inline constexpr char16_t kVideoCdTrackFolder[] = u"MPEGAV";
inline constexpr char16_t kSvcdTrackFolder[] = u"MPEG2";

// Whether a path on a disc ("/MPEG2/AVSEQ01.MPG") lies in a Super Video CD's track folder. Such a
// track is not multiplexed at a Video CD's fixed 75 sectors a second, so its length tells nothing
// about its playing time.
bool inSvcdTrackFolder(const QString& path);

// How a copied track holds its stream.
struct CopiedLayout {
  bool rawSectors = false;  // a RIFF CDXA file: whole 2,352-byte sectors from dataStart on
  int64_t dataStart = 0;
  uint32_t blocks = 0;      // raw sectors, or 2,048-byte blocks of the plain stream
  int64_t bytes = 0;        // what the stream yields
};
// Reads the head of the file (at most 4 KiB of it) to tell a CDXA copy from a plain one.
CopiedLayout copiedLayoutOf(const DataFile& file);

// The copied track as the sectors of a disc, and the record that spans them, so it is read
// exactly as a disc's track is (track_stream.h). Reads fail once the copy left the drive.
std::unique_ptr<DiscHandle> copiedTrackSectors(std::shared_ptr<VirtualDisc> disc, std::shared_ptr<DataFile> file,
                                               const CopiedLayout& layout);
DiscEntry copiedTrackRecord(const QString& fileName, const CopiedLayout& layout);

}  // namespace vcd::disc
