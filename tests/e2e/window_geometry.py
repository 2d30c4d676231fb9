#!/usr/bin/python3
"""Reads the player's main window over AT-SPI the way a screen reader does, and prints it.

    window_geometry.py WINDOW_TITLE controls   every showing control on the window's area, one a
                                               line, sorted: "role|name|x,y,w,h" relative to it
    window_geometry.py WINDOW_TITLE position   the seek slider's value (milliseconds)
    window_geometry.py WINDOW_TITLE control NAME
                                               one control (the parked ones too): its value
                                               (a slider's; "-" for none), checked (1/0), and
                                               where it is on the screen: "x y width height"

Exits 1 (and prints nothing) when the window is not on the bus or has no such slider or control.
"""
import sys

import pyatspi

TITLE, WHAT = sys.argv[1], sys.argv[2]


def descendants(node):
    for child in node:
        if child is None:
            continue
        yield child
        yield from descendants(child)


def find_window():
    for app in pyatspi.Registry.getDesktop(0):
        if app is None:
            continue
        for window in app:
            if window is not None and window.name == TITLE and window.getRole() == pyatspi.ROLE_FRAME:
                if window.getState().contains(pyatspi.STATE_SHOWING):
                    return window
    return None


def extents(node):
    return node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)


def main():
    window = find_window()
    if window is None:
        return 1
    if WHAT == "position":
        for node in descendants(window):
            if node.getRole() == pyatspi.ROLE_SLIDER and "Seek" in (node.name, node.description):
                print("%d" % node.queryValue().currentValue)
                return 0
        return 1
    if WHAT == "control":
        for node in descendants(window):
            if node.name == sys.argv[3]:
                try:
                    value = "%g" % node.queryValue().currentValue
                except NotImplementedError:
                    value = "-"
                checked = 1 if node.getState().contains(pyatspi.STATE_CHECKED) else 0
                box = extents(node)
                print(value, checked, box.x, box.y, box.width, box.height)
                return 0
        return 1
    origin = extents(window)
    lines = []
    for node in descendants(window):
        if not node.getState().contains(pyatspi.STATE_SHOWING):
            continue
        box = extents(node)
        # What a user can see: the parked working controls below the client area are left out.
        if (box.width <= 0 or box.height <= 0 or box.x >= origin.x + origin.width or box.y >= origin.y + origin.height
                or box.x + box.width <= origin.x or box.y + box.height <= origin.y):
            continue
        lines.append("%s|%s|%d,%d,%d,%d" % (node.getRoleName(), node.name or node.description,
                                            box.x - origin.x, box.y - origin.y, box.width, box.height))
    print("\n".join(sorted(lines)))
    return 0


try:
    sys.exit(main())
except Exception as e:  # the window may be changing under us: the caller asks again
    print("window_geometry.py: %s" % e, file=sys.stderr)
    sys.exit(1)
