#include "ui/fonts.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>

namespace vcd::ui {
namespace {

const char* const kMainWindowFontFiles[] = {
    "/usr/share/wine/fonts/ms_sans_serif.ttf",
    "/usr/share/wine/fonts/tahoma.ttf",
};
// The Help window's "Times New Roman".
const char* const kOtherFontFiles[] = {
    "/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf",
    "/usr/share/fonts/truetype/liberation2/LiberationSerif-Bold.ttf",
    "/usr/share/fonts/truetype/liberation2/LiberationSerif-Italic.ttf",
    "/usr/share/fonts/truetype/liberation2/LiberationSerif-BoldItalic.ttf",
};

void addFonts(const auto& files) {
  for (const char* file : files)
    if (QFile::exists(QString::fromLatin1(file))) QFontDatabase::addApplicationFont(QString::fromLatin1(file));
}

}  // namespace

void registerWindowFonts() {
  static bool done = false;
  if (done) return;
  done = true;
  registerMainWindowFonts();
  addFonts(kOtherFontFiles);
}

void registerMainWindowFonts() {
  static bool done = false;
  if (done) return;
  done = true;
  addFonts(kMainWindowFontFiles);

  // Where a family is missing, Qt falls back through these.
  QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                             {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
  QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                             {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"), QStringLiteral("Sans Serif")});
  QFont::insertSubstitutions(QStringLiteral("Times New Roman"),
                             {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif"), QStringLiteral("Serif")});

  QApplication::setFont(layoutFont(QStringLiteral("MS Sans Serif"), 8.25));
}

bool bitmapFacesFit() {
  const auto* app = qobject_cast<const QGuiApplication*>(QCoreApplication::instance());
  return app == nullptr || app->devicePixelRatio() == 1.0;
}

QFont layoutFont(const QString& family, double points, bool bold) {
  // Wine's "MS Sans Serif" is a bitmap font without a bold face, and bitmaps cannot be made
  // bold; bold text takes Tahoma, its outline successor with the same metrics, made bold from
  // its regular outlines (Wine's own Tahoma Bold face is drawn no heavier than the regular one,
  // so it is not registered). Nor can a bitmap grow with a scaled screen: where a logical pixel
  // is more than one device pixel, the captions take Tahoma too and keep their size relative to
  // their buttons.
  const bool outline = bold || !bitmapFacesFit();
  QFont f(outline && family == QLatin1String("MS Sans Serif") ? QStringLiteral("Tahoma") : family);
  f.setPointSizeF(points);
  f.setBold(bold);
  f.setStyleStrategy(QFont::PreferDefault);
  return f;
}

}  // namespace vcd::ui
