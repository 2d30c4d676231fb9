#pragma once
#include <QString>

namespace vcd::player {
class Playerfrm;

// The track counter: "03 of 12" while the third of twelve entries plays.
namespace Fdnum {

// Writes the 1-based position of the playlist's current entry (two digits, "01" to "18") and the
// entry count into the window's counter. Entries beyond the eighteenth, and no selection, leave
// the counter as it was.
void ShowTrackNumber(Playerfrm& form);

// Words start in upper case and go on in lower case; only blanks and control separators (space,
// tab, line feed, vertical tab, form feed, carriage return, NUL) part words, so "TRACK01.DAT"
// becomes "Track01.dat".
QString ProperCase(const QString& text);

}  // namespace Fdnum
}  // namespace vcd::player
