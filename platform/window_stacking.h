#pragma once
#include <QtGui/qwindowdefs.h>

// Stacking top-level windows through the X11 window manager (EWMH), the windows named by their
// native ids (QWidget::winId()). Everything here answers false, and does nothing, where the
// program does not talk to an X server (another Qt platform, or Qt built without X11).
namespace vcd::platform {

// Whether this program stacks its windows through an X11 window manager: Qt runs on its xcb
// platform and hands out its connection.
bool StacksThroughX11();

// Whether the window manager keeps an "above" layer: it lists _NET_WM_STATE_ABOVE in the
// _NET_SUPPORTED of the window's root window. No window manager, one that leaves the atom out,
// or a window that is gone: false.
bool WindowManagerKeepsAbove(WId window);

// Whether the window is mapped (shown by the X server, or waiting for the window manager to show it).
bool IsMapped(WId window);

// Asks the window manager to add the window to the "above" layer or to remove it from there:
// the _NET_WM_STATE client message, sent to the root window of the window's screen. The window
// manager keeps the window where it is and as large as it is. False when the window is gone.
bool RequestAboveState(WId window, bool above);

// Writes the "above" state into the window's own _NET_WM_STATE property, which the window manager
// reads when it maps the window; the other states in the property are kept.
void WriteAboveState(WId window, bool above);

}  // namespace vcd::platform
