#include "player/fdnum.h"

#include "player/playerfrm.h"

namespace vcd::player::Fdnum {
namespace {

// One fixed label per track button.
constexpr const char* kTrackLabels[18] = {"01", "02", "03", "04", "05", "06", "07", "08", "09",
                                          "10", "11", "12", "13", "14", "15", "16", "17", "18"};

bool separatesWords(QChar c) {
  switch (c.unicode()) {
    case u' ': case u'\t': case u'\n': case u'\v': case u'\f': case u'\r': case u'\0': return true;
    default: return false;
  }
}

}  // namespace

void ShowTrackNumber(Playerfrm& form) {
  for (int k = 0; k < 18; ++k) {
    if (form.File1->ListIndex() == k) {
      const int count = form.File1->ListCount();
      form.lblTrack_Display->setText(QString::fromLatin1(kTrackLabels[k]) + QStringLiteral(" of ") +
                                     QString::number(count));
    }
  }
}

QString ProperCase(const QString& text) {
  QString out;
  out.reserve(text.size());
  bool startOfWord = true;
  for (QChar c : text) {
    if (separatesWords(c)) {
      out += c;
      startOfWord = true;
      continue;
    }
    out += startOfWord ? c.toUpper() : c.toLower();
    startOfWord = false;
  }
  return out;
}

}  // namespace vcd::player::Fdnum
