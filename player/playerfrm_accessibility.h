#pragma once

namespace vcd::player {

class Playerfrm;

// Gives the main window's controls what a screen reader needs: names for the controls whose
// caption says nothing (the status line, the track counter, the video, the logo, the track
// buttons), the tool tips as descriptions, and word of every new text in the status line and the
// track counter. Called once, from the window's constructor, after its controls exist.
void makeAccessible(Playerfrm& window);

}  // namespace vcd::player
