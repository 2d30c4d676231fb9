#pragma once
#include "disc/result.h"
#include "disc/virtual_disc.h"
#include "platform/cdio_disc.h"

#include <QString>
#include <memory>

// Disc images the user names: what kind each is, its sheet read and checked and its data files
// opened (through image_files.h), ready for the virtual drive.
namespace vcd::platform {

// Reads a disc image's sheet (a .bin through the .cue beside it), checks it and opens its data
// files; fails with the reason when it is not a disc image that can be read.
disc::Result<std::shared_ptr<disc::VirtualDisc>> inspectDiscImage(const QString& imagePath);

// Opens the disc in a virtual drive (an image: a copied disc's files are opened one by one, see
// copied_disc.h). Fails when the disc is out or cannot be opened.
OpenedDisc openVirtualDisc(std::shared_ptr<disc::VirtualDisc> disc, const QString& driveName);

}  // namespace vcd::platform
