#!/usr/bin/python3
"""Reads the running player's main window over AT-SPI, the way a screen reader does.

Checks the controls a user sees: each one's name, role and description (its tool tip); then
presses a track button through its accessible action and reads the track counter's new text,
and checks that the counter and the status line sent the text-changed events a screen reader
follows. Exits 0 when all holds, 1 with the reasons otherwise.

    reads_window.py WINDOW_TITLE TRACK_COUNT
"""
import sys
import time

import pyatspi
from gi.repository import GLib

TITLE = sys.argv[1]
TRACKS = int(sys.argv[2])
TIMEOUT = 180  # generous: the machine may be loaded

problems = []
inserted = []  # (name of the object, text inserted), in the order the events came


def on_text_inserted(event):
    try:
        inserted.append((event.source.name, event.any_data))
    except Exception:  # the object may be gone already
        pass


def wait_until(what, condition, timeout=TIMEOUT):
    """Runs the event loop until the condition holds; returns its last value."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + timeout
    while True:
        while context.pending():
            context.iteration(False)
        value = condition()
        if value or time.monotonic() > deadline:
            break
        context.iteration(False)
        time.sleep(0.1)
    if not value:
        problems.append("timed out waiting for " + what)
    return value


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
            if window is not None and window.name == TITLE:
                return window
    return None


def by_name(window, name, showing_only=False):
    for node in descendants(window):
        if node.name == name and (not showing_only or node.getState().contains(pyatspi.STATE_SHOWING)):
            return node
    return None


def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)


def extents(node):
    return node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)


def inside(box, outer):
    return (box.width > 0 and box.height > 0 and box.x >= outer.x and box.y >= outer.y
            and box.x + box.width <= outer.x + outer.width and box.y + box.height <= outer.y + outer.height)


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == "Press":
            return action.doAction(i)
    problems.append("%s has no Press action" % node.name)
    return False


def expect(condition, message):
    if not condition:
        problems.append(message)


pyatspi.Registry.registerEventListener(on_text_inserted, "object:text-changed:insert")

window = wait_until("the player's window on the accessibility bus", find_window)
if not window:
    print("\n".join(problems))
    sys.exit(1)

# Roles are compared as AT-SPI roles: their spoken names differ between Qt releases (a push
# button reads as "push button" with Qt 6.4 and "button" with Qt 6.8).
ROLES = {"frame": pyatspi.ROLE_FRAME, "push button": pyatspi.ROLE_PUSH_BUTTON, "check box": pyatspi.ROLE_CHECK_BOX,
         "panel": pyatspi.ROLE_PANEL, "label": pyatspi.ROLE_LABEL, "image": pyatspi.ROLE_IMAGE,
         "filler": pyatspi.ROLE_FILLER}
expect(window.getRole() == ROLES["frame"], "the main window reads as a %s, not a frame" % window.getRoleName())
counter = wait_until("the track counter showing the first track",
                     lambda: (lambda n: n if n and text_of(n) == "01 of %d" % TRACKS else None)(by_name(window, "Track")))

# The controls a user sees, with the role and description a screen reader speaks.
expected = {
    "Play VCD": ("push button", "Play"),
    "Next track": ("push button", "Next Track"),
    "Full Scr": ("push button", "Full Screen"),
    "Capture": ("push button", "Capture screen shot"),
    "On Top": ("check box", "Top Most"),
    "Exit": ("push button", "Quit"),
    "Help": ("push button", ""),
    "About": ("push button", ""),
    "Front Panel": ("panel", ""),
    "Status": ("label", ""),
    "Track": ("label", ""),
    "Video": (None, ""),
}
expected.update({"Track %d" % i: ("push button", "") for i in range(1, 19)})
area = extents(window)
seen = set()
for node in descendants(window):
    if not node.getState().contains(pyatspi.STATE_SHOWING) or not inside(extents(node), area):
        continue
    role = node.getRoleName()
    # Fillers only hold other objects (the picture's drawing surface inside the video).
    if node.getRole() == ROLES["filler"] and not node.name:
        continue
    expect(node.name, "a %s at %s has no name" % (role, extents(node)))
    if node.name in expected:
        seen.add(node.name)
        want_role, want_description = expected[node.name]
        expect(want_role is None or node.getRole() == ROLES[want_role],
               "%s reads as %s, not %s" % (node.name, role, want_role))
        expect(node.description == want_description,
               "%s is described as %r, not %r" % (node.name, node.description, want_description))
for name in sorted(set(expected) - seen):
    problems.append("no %s among the controls on screen" % name)

logo = by_name(window, "Voren VCD Player logo")
expect(logo is not None and logo.getRole() == ROLES["image"], "the logo is not an image named for the player")

# The status line and the counter read their visible text through the Text interface.
status = by_name(window, "Status")
if status and counter:
    expect(text_of(status).startswith("Playing "), "the status line reads %r" % text_of(status))

    # Press track 3 as a screen reader user does; the counter must read the new track, and both
    # the counter and the status line must have told of their new text.
    track3 = by_name(window, "Track 3", showing_only=True)
    if track3 and wait_until("Track 3 to be enabled", lambda: track3.getState().contains(pyatspi.STATE_ENABLED)):
        want = "03 of %d" % TRACKS
        before = len(inserted)
        press(track3)
        wait_until("the counter to read %r" % want, lambda: text_of(counter) == want)
        expect(counter.name == "Track", "the counter's name became %r" % counter.name)
        wait_until("a text-changed event of the counter with %r" % want,
                   lambda: ("Track", want) in inserted[before:])
        wait_until("a text-changed event of the status line playing track 3",
                   lambda: any(n == "Status" and t.startswith("Playing ") and "03" in t for n, t in inserted[before:]))
    else:
        problems.append("no Track 3 button to press")

if problems:
    print("\n".join("FAIL: " + p for p in problems))
    sys.exit(1)
print("the window reads as it should; %d text-changed events seen" % len(inserted))
