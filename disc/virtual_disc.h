#pragma once
#include "disc/data_file.h"
#include "disc/image_layout.h"

#include <QSet>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <variant>

// The medium in a virtual drive: what the user inserted, and what of it the player reads. A
// virtual drive's disc can be taken out and put back while handles are open.
namespace vcd::disc {

// A CUE, TOC or ISO image: read by the player itself, sector by sector from its data files.
struct SheetImage {
  std::shared_ptr<const ImageLayout> layout;
};
// An NRG image: checked by the player (nrg_check.h), read through libcdio.
struct NrgImage {
  std::shared_ptr<DataFile> file;
};
// A disc copied to a folder of the hard disk: its files are read from there.
struct CopiedFolder {
  QString folder;
};

class VirtualDisc {
 public:
  using Contents = std::variant<SheetImage, NrgImage, CopiedFolder>;
  VirtualDisc(QString imagePath, Contents contents) : imagePath_(std::move(imagePath)), contents_(std::move(contents)) {}

  // What the user inserted (.cue, .bin, .toc, .nrg, .iso, a folder).
  const QString& imagePath() const { return imagePath_; }
  const Contents& contents() const { return contents_; }
  // The contents if they are of kind T, else nullptr.
  template <typename T>
  const T* as() const {
    return std::get_if<T>(&contents_);
  }

  bool present() const { return present_; }
  void setPresent(bool in) { present_ = in; }

  // True the first time it is asked about `file`: a copied disc's file left out of its listings
  // is reported once per disc (the playlist lists its folder several times).
  bool firstReportOf(const QString& file) const {
    std::lock_guard lock(reportedMutex_);
    if (reported_.contains(file)) return false;
    reported_.insert(file);
    return true;
  }

 private:
  QString imagePath_;
  Contents contents_;
  std::atomic<bool> present_{true};
  mutable std::mutex reportedMutex_;
  mutable QSet<QString> reported_;
};

}  // namespace vcd::disc
