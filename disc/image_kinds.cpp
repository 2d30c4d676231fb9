#include "disc/image_kinds.h"

namespace vcd::disc {

std::optional<ImageKind> imageKindOf(const QString& path) {
  static const struct {
    const char16_t* suffix;
    ImageKind kind;
  } kinds[] = {{u"cue", ImageKind::Cue}, {u"bin", ImageKind::Bin}, {u"toc", ImageKind::Toc},
               {u"nrg", ImageKind::Nrg}, {u"iso", ImageKind::Iso}};
  // The suffix of the last component: what follows its last dot.
  const QStringView name = QStringView(path).mid(path.lastIndexOf(u'/') + 1);
  const qsizetype dot = name.lastIndexOf(u'.');
  if (dot < 0) return std::nullopt;
  const QStringView suffix = name.mid(dot + 1);
  for (const auto& k : kinds)
    if (suffix.compare(QStringView(k.suffix), Qt::CaseInsensitive) == 0) return k.kind;
  return std::nullopt;
}

}  // namespace vcd::disc
