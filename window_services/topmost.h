#pragma once
#include <functional>

class QWidget;

namespace vcd::window_services {

// Puts a top-level window into the always-on-top band (topmost = true) or takes it out again.
// The window keeps its position and size, stays shown or hidden as it was, and is never
// re-created. On X11 the window manager keeps the band (EWMH _NET_WM_STATE_ABOVE): a mapped window
// asks it with a _NET_WM_STATE client message, a window not mapped yet carries the state in its
// own _NET_WM_STATE property, which the window manager reads when it maps the window. Elsewhere
// Qt's stays-on-top hint is passed on where the platform takes it without re-creating the window.
//
// Returns false where the desktop has no such band for this window, and then changes nothing:
// native Wayland (no protocol lets a normal window stay above the others), and an X server whose
// window manager does not list _NET_WM_STATE_ABOVE among what it supports (_NET_SUPPORTED on the
// root window), as sway's for XWayland windows, or no window manager at all. A window manager
// that lists it and then refuses a request is not detected.
bool SetTopMost(QWidget* window, bool topmost);

// The routine as the windows hold it, so that tests can put a recorder in its place.
using TopMostRoutine = std::function<bool(QWidget* window, bool topmost)>;

}  // namespace vcd::window_services
