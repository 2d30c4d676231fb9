#pragma once
#include "disc/result.h"
#include "disc/sectors.h"
#include "disc/virtual_disc.h"

#include <QString>
#include <memory>

// Discs read through libcdio: the disc in an optical drive, and NRG images.
namespace vcd::platform {

using OpenedDisc = disc::Result<std::unique_ptr<disc::DiscHandle>>;

// Opens the disc in an optical drive; fails when the drive holds no disc or is not ready.
// `driveName` ("D:") names it in the reason.
OpenedDisc openDriveDisc(const QString& device, const QString& driveName);
// Opens the NRG image in a virtual drive.
OpenedDisc openNrgDisc(std::shared_ptr<disc::VirtualDisc> disc, const disc::NrgImage& image, const QString& driveName);
// The tracks libcdio finds in an NRG image (checked first: disc/nrg_check.h); 0 when it cannot
// read it.
int nrgTrackCount(const QString& path);

}  // namespace vcd::platform
