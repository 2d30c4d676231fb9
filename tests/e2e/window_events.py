#!/usr/bin/python3
"""Writes down, one line each, what the player's main window tells a screen reader.

    window_events.py WINDOW_TITLE OUTFILE

Runs until it is killed. Once it listens it writes "ready"; once the window is on the
accessibility bus, "window" and the current texts of the status line and the track counter; from
then on every new text of those two and every new name of a control:

    Status|Playing Avseq01.dat  ........
    Track|01 of 3
    name|Close
    checked|On Top|1

(the last: a check box's new state).

The end-to-end tests wait for these lines instead of judging the screen against the clock.
"""
import sys

import pyatspi
from gi.repository import GLib

TITLE, OUT = sys.argv[1], sys.argv[2]
out = open(OUT, "a", buffering=1)
window = None


def note(line):
    out.write(line.replace("\n", " ") + "\n")


def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)


def on_text(event):
    try:
        if event.source.name in ("Status", "Track"):
            note("%s|%s" % (event.source.name, event.any_data))  # the label's new text, whole
    except Exception:  # the object may be gone already
        pass


def on_name(event):
    try:
        note("name|%s" % event.source.name)
    except Exception:
        pass


def on_checked(event):
    try:
        note("checked|%s|%d" % (event.source.name, event.detail1))
    except Exception:
        pass


def find_window():
    global window
    try:
        for app in pyatspi.Registry.getDesktop(0):
            for w in app or []:
                if w is not None and w.name == TITLE:
                    window = w
    except Exception:
        return True
    if window is None:
        return True  # look again
    note("window")
    stack = list(window)
    while stack:
        node = stack.pop()
        if node is None:
            continue
        if node.name in ("Status", "Track"):
            note("%s|%s" % (node.name, text_of(node)))
        stack.extend(node)
    return False


pyatspi.Registry.registerEventListener(on_text, "object:text-changed:insert")
pyatspi.Registry.registerEventListener(on_name, "object:property-change:accessible-name")
pyatspi.Registry.registerEventListener(on_checked, "object:state-changed:checked")
note("ready")
GLib.timeout_add(300, find_window)
pyatspi.Registry.start()
