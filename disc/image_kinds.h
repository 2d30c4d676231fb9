#pragma once
#include <QString>
#include <optional>

namespace vcd::disc {

// The disc images the player opens, known by their file names' suffixes (any case).
enum class ImageKind {
  Cue,  // a cue sheet and the BIN files it names
  Bin,  // a BIN, opened through the cue sheet beside it named like it
  Toc,  // a cdrdao TOC file and its data files
  Nrg,  // a Nero image
  Iso,  // plain 2,048-byte sectors
};

// The kind a file is named as; nullopt when it is not named like a disc image.
std::optional<ImageKind> imageKindOf(const QString& path);
inline bool looksLikeDiscImage(const QString& path) { return imageKindOf(path).has_value(); }

}  // namespace vcd::disc
