#pragma once
#include "disc/iso9660_folders.h"
#include "disc/sectors.h"
#include "disc/virtual_disc.h"

#include <QChar>
#include <QString>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// The drive table's own: the disc it opened last (see LinuxDriveManager::releaseDisc).
namespace vcd::platform {

// The disc opened last, shared by the listings and the streams of its folder, with the folders
// read from it.
struct OpenDisc {
  QChar letter;
  QString device;
  std::shared_ptr<disc::VirtualDisc> virtualDisc;  // null for an optical drive
  std::shared_ptr<disc::DiscHandle> handle;

  std::optional<disc::DiscEntry> root();
  // The volume label, read with the root.
  QString label();
  // The records of a folder, read once.
  std::optional<std::vector<disc::DiscEntry>> folder(const disc::DiscEntry& f);

 private:
  std::mutex mutex;
  bool rootRead = false;
  std::optional<disc::DiscEntry> root_;
  QString label_;
  std::map<std::pair<uint32_t, uint32_t>, std::vector<disc::DiscEntry>> folders;
};

}  // namespace vcd::platform
