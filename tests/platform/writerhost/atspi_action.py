#!/usr/bin/python3
"""Does what a user of a screen reader does to a control of a running program: its first action.

Usage: atspi_action.py APPLICATION ROLE NAME
  Finds the first accessible object of the application with that role name ("push button",
  "menu item") and name, and does its first action (press, click). Exit status 1 when there is
  no such object.
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
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        app = desktop.getChildAtIndex(index)
        if app is not None and app.name == sys.argv[1]:
            control = find(app, sys.argv[2], sys.argv[3], 0)
            if control is None:
                return 1
            control.queryAction().doAction(0)
            return 0
    return 1


if __name__ == "__main__":
    sys.exit(main())
