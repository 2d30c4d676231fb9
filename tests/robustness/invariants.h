#pragma once
#include <QRegularExpression>
#include <QString>
#include <gtest/gtest.h>

#include "player/playerfrm.h"

namespace vcd::test {

// The window under test.
using player::Playerfrm;

// What must hold of the main window between any two of its handlers; "" when it does.
inline QString brokenInvariant(Playerfrm& w) {
  int enabled = 0;
  for (int i = 0; i < 18; ++i) enabled += w.Songcmd(i).isEnabled() ? 1 : 0;
  const int entries = w.File1->ListCount();
  if (enabled > entries)
    return QStringLiteral("%1 track buttons enabled for %2 entries").arg(enabled).arg(entries);
  if (w.File1->ListIndex() < -1 || w.File1->ListIndex() >= entries)
    return QStringLiteral("list index %1 of %2 entries").arg(w.File1->ListIndex()).arg(entries);

  static const QRegularExpression counter(QStringLiteral("^(\\d\\d) of (\\d+)$"));
  const QString text = w.lblTrack_Display->text();
  const auto m = counter.match(text);
  if (!m.hasMatch()) return QStringLiteral("counter reads \"%1\"").arg(text);
  const int number = m.captured(1).toInt(), count = m.captured(2).toInt();
  const bool none = number == 0 && count == 0;
  if (!none && (number < 1 || number > 18 || number > count))
    return QStringLiteral("counter reads \"%1\"").arg(text);

  const int orders = int(w.chkOrd->isChecked()) + int(w.optRnd->isChecked()) + int(w.optNone->isChecked());
  if (orders != 1) return QStringLiteral("%1 play orders selected").arg(orders);
  return {};
}

}  // namespace vcd::test
