#pragma once
#include <QImage>
#include <QSize>

// A copy of what the screen shows, taken by the windowing system (no clipboard, no synthetic keys).
namespace vcd::platform {

// The whole primary screen as it looks now, in device pixels; a null image where the screen
// cannot be read: a Wayland session (which hands no screen contents to programs), also when the
// player runs on its X server (XWayland, whose root window holds no picture of the desktop),
// no screen, or an empty grab.
QImage GrabWholeScreen();

// Whether the desktop is a Wayland session, whichever platform Qt runs on (under XWayland the
// X11 platform): WAYLAND_DISPLAY is set or XDG_SESSION_TYPE says "wayland".
bool InWaylandSession();

// Whether every pixel of the picture is black: what an X server that cannot read the screen
// (XWayland) hands out as a grab.
bool IsAllBlack(const QImage& picture);

// The size of the primary screen in device pixels; an empty size when there is no screen.
QSize WholeScreenSize();

}  // namespace vcd::platform
