#!/usr/bin/python3
"""Reads one control of the player's main window over AT-SPI, as a screen reader finds it.

    control.py WINDOW_TITLE NAME

Prints one line: the control's value (a slider's; "-" for a control without one), whether it is
checked (1/0), and where it is on the screen (x y width height). Exits 1 when the window or the
control is not (yet) on the accessibility bus. The end-to-end tests call it in their wait loops.
"""
import sys

import pyatspi

TITLE, NAME = sys.argv[1], sys.argv[2]


def descendants(node):
    for child in node:
        if child is None:
            continue
        yield child
        yield from descendants(child)


def find():
    for app in pyatspi.Registry.getDesktop(0):
        for window in app or []:
            if window is not None and window.name == TITLE:
                for node in descendants(window):
                    if node.name == NAME:
                        return node
    return None


try:
    node = find()
except Exception as e:  # the bus or the window is still coming up
    print(e, file=sys.stderr)
    node = None
if node is None:
    sys.exit(1)
try:
    value = "%g" % node.queryValue().currentValue
except NotImplementedError:
    value = "-"
checked = 1 if node.getState().contains(pyatspi.STATE_CHECKED) else 0
box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
print(value, checked, box.x, box.y, box.width, box.height)
