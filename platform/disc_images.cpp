#include "platform/disc_images.h"

#include "disc/cue_sheet.h"
#include "disc/image_disc.h"
#include "disc/image_kinds.h"
#include "disc/nrg_check.h"
#include "disc/toc_sheet.h"
#include "platform/image_files.h"

#include <QFileInfo>
#include <vector>

namespace vcd::platform {

using disc::failure;
using disc::ImageKind;
using disc::ImageLayout;
using disc::kLargestImageFile;
using disc::VirtualDisc;

namespace {

// The sheet's text (at most 64 KiB), read through a checked descriptor.
disc::Result<QByteArray> readSheet(const QString& path) {
  auto file = openImageFile(path);
  if (!file) return file.error();
  if ((*file)->size() > disc::kMaxSheetBytes) return failure(QStringLiteral("the sheet is larger than 64 KiB"));
  QByteArray text(static_cast<qsizetype>((*file)->size()), '\0');
  if (!(*file)->readAt(reinterpret_cast<uint8_t*>(text.data()), static_cast<size_t>(text.size()), 0))
    return failure(QStringLiteral("the sheet cannot be read"));
  return text;
}

disc::Result<std::shared_ptr<const ImageLayout>> sheetLayout(const QString& sheetPath, bool toc) {
  const auto text = readSheet(sheetPath);
  if (!text) return text.error();
  const QFileInfo sheet(sheetPath);
  const QString folder = sheet.absolutePath();
  const disc::SheetFileOpener named = [folder](const QString& written) { return openNamedFile(folder, written); };
  disc::Result<ImageLayout> layout = failure({});
  if (toc) {
    layout = disc::parseTocSheet(*text, named);
  } else {
    // The BIN named like the sheet, for a sheet that names none.
    const disc::SheetFileOpener sameNamed = [folder, base = sheet.completeBaseName()](const QString&) {
      return openNamedFile(folder, base + QStringLiteral(".bin"));
    };
    layout = disc::parseCueSheet(*text, named, sameNamed);
  }
  if (!layout) return layout.error();
  return std::make_shared<const ImageLayout>(*std::move(layout));
}

disc::Result<VirtualDisc::Contents> contentsOf(const QString& imagePath, ImageKind kind) {
  switch (kind) {
    case ImageKind::Iso: {
      auto file = openImageFile(imagePath);
      if (!file) return file.error();
      if (auto iso = disc::checkIsoImage(**file); !iso) return iso.error();
      return VirtualDisc::Contents{disc::SheetImage{std::make_shared<const ImageLayout>(disc::isoLayout(*std::move(file)))}};
    }
    case ImageKind::Nrg: {
      auto file = openImageFile(imagePath);
      if (!file) return file.error();
      if ((*file)->size() > kLargestImageFile)
        return failure(QStringLiteral("it takes %1 bytes, more than any disc holds (at most %2)")
                           .arg((*file)->size())
                           .arg(kLargestImageFile));
      if (auto nrg = disc::checkNrg(**file); !nrg) return nrg.error();
      if (nrgTrackCount(imagePath) == 0) return failure(QStringLiteral("libcdio cannot read it as an NRG image"));
      return VirtualDisc::Contents{disc::NrgImage{*std::move(file)}};
    }
    case ImageKind::Cue:
    case ImageKind::Toc: {
      auto layout = sheetLayout(imagePath, kind == ImageKind::Toc);
      if (!layout) return layout.error();
      return VirtualDisc::Contents{disc::SheetImage{*std::move(layout)}};
    }
    case ImageKind::Bin: {
      // A BIN is opened through the cue sheet beside it, named like it.
      const QFileInfo info(imagePath);
      const QString cue = findInFolder(info.absolutePath(), info.completeBaseName() + QStringLiteral(".cue"));
      if (cue.isEmpty()) return failure(QStringLiteral("there is no cue sheet beside it"));
      auto layout = sheetLayout(cue, false);
      if (!layout) return layout.error();
      return VirtualDisc::Contents{disc::SheetImage{*std::move(layout)}};
    }
  }
  return failure(QStringLiteral("not named like a disc image"));
}

}  // namespace

disc::Result<std::shared_ptr<VirtualDisc>> inspectDiscImage(const QString& imagePath) {
  const auto kind = disc::imageKindOf(imagePath);
  if (!kind) return failure(QStringLiteral("not named like a disc image"));
  auto contents = contentsOf(imagePath, *kind);
  if (!contents) return contents.error();
  std::vector<const disc::DataFile*> files;
  if (const auto* image = std::get_if<disc::SheetImage>(&*contents)) {
    if (image->layout->endLsn == 0) return failure(QStringLiteral("it holds no sectors"));
    for (const disc::ImageRun& run : image->layout->runs)
      if (run.file) files.push_back(run.file.get());
  } else if (const auto* nrg = std::get_if<disc::NrgImage>(&*contents)) {
    files.push_back(nrg->file.get());
  }
  // A file larger than any disc (a sparse file of terabytes, say) is damage, not a disc.
  for (const disc::DataFile* file : files) {
    if (file->size() <= kLargestImageFile) continue;
    return failure(QStringLiteral("%1 takes %2 bytes, more than any disc holds (at most %3)")
                       .arg(file->path())
                       .arg(file->size())
                       .arg(kLargestImageFile));
  }
  return std::make_shared<VirtualDisc>(imagePath, *std::move(contents));
}

OpenedDisc openVirtualDisc(std::shared_ptr<VirtualDisc> disc, const QString& driveName) {
  if (!disc->present()) return failure(QStringLiteral("No disc in drive %1").arg(driveName));
  if (const auto* image = disc->as<disc::SheetImage>()) return disc::openImageDisc(disc, *image);
  if (const auto* nrg = disc->as<disc::NrgImage>()) return openNrgDisc(disc, *nrg, driveName);
  return failure(QStringLiteral("The disc image in drive %1 cannot be read: %2").arg(driveName, disc->imagePath()));
}

}  // namespace vcd::platform
