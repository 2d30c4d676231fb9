#pragma once
#include <QImage>
#include <QSize>

// A copy of what the screen shows, taken by the windowing system (no clipboard, no synthetic keys).
namespace vcd::platform {

// The whole primary screen as it looks now, in device pixels; a null image where the screen
// cannot be read: a Wayland session (which hands no screen contents to programs), no screen, or
// an empty grab.
QImage GrabWholeScreen();

// The size of the primary screen in device pixels; an empty size when there is no screen.
QSize WholeScreenSize();

}  // namespace vcd::platform
