#!/usr/bin/python3
"""Does what a user of a screen reader does to a control of a running program: its first action.

Usage: atspi_action.py APPLICATION ROLE NAME [WINDOW] [--extents]
  Finds the first accessible object of the application with that role name ("push button",
  "menu item") and name, within the window whose name starts with WINDOW when given, and does
  its first action (press, click); with --extents it prints the object's place on the screen
  ("x y width height") instead. Exit status 1 when there is no such object.
"""
import sys

import pyatspi


def find(node, role, name, depth):
    if node is None or depth > 16:
        return None
    if node.getRoleName() == role and node.name == name:
        return node
    for index in range(node.childCount):
        found = find(node.getChildAtIndex(index), role, name, depth + 1)
        if found is not None:
            return found
    return None


def main():
    # A call the office does not answer within 0.8 s otherwise fails as "the process appears to
    # be hung": an office busy on a loaded machine would make the control look missing.
    pyatspi.setTimeout(20000, -1)
    arguments = [argument for argument in sys.argv[1:] if argument != "--extents"]
    extents = len(arguments) < len(sys.argv) - 1
    application, role, name = arguments[:3]
    window = arguments[3] if len(arguments) > 3 else None
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        app = desktop.getChildAtIndex(index)
        if app is None or app.name != application:
            continue
        roots = [app]
        if window is not None:
            roots = [app.getChildAtIndex(i) for i in range(app.childCount)]
            roots = [root for root in roots if root is not None and root.name.startswith(window)]
        for root in roots:
            control = find(root, role, name, 0)
            if control is None:
                continue
            if extents:
                box = control.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                print(box.x, box.y, box.width, box.height)
            else:
                control.queryAction().doAction(0)
            return 0
    return 1


if __name__ == "__main__":
    sys.exit(main())
