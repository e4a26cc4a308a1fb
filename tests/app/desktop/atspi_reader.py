#!/usr/bin/python3
"""What a screen reader learns about a running program over AT-SPI.

Usage: atspi_reader.py APPLICATION tree|focus|stops
  tree   every accessible object of the application, one per line: depth-indented
         "role | name", with " | value=N" for objects that carry a value and
         " | labelled by NAME" for objects a label names
  focus  the object that has the keyboard focus, as "role | name" (nothing when none has)
  stops  every shown object that can take the focus, one per line, tab-separated: "*" for the
         one that has it (else "-"), its path from the application (child indices, "0/3/1"),
         its place on the screen "x y width height", "whole" when no object around it cuts it
         off (else "cut"), and "role | name"
"""
import sys

import pyatspi


def application(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        app = desktop.getChildAtIndex(index)
        if app is not None and app.name == name:
            return app
    return None


def describe(node):
    line = "%s | %s" % (node.getRoleName(), node.name)
    try:
        line += " | value=%g" % node.queryValue().currentValue
    except NotImplementedError:
        pass
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            for index in range(relation.getNTargets()):
                line += " | labelled by %s" % relation.getTarget(index).name
    return line


def print_tree(node, depth):
    print("  " * depth + describe(node))
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is not None:
            print_tree(child, depth + 1)


def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (box.x, box.y, box.width, box.height)


def inside(inner, outer):
    return (inner[0] >= outer[0] and inner[1] >= outer[1]
            and inner[0] + inner[2] <= outer[0] + outer[2]
            and inner[1] + inner[3] <= outer[1] + outer[3])


def shown_objects(app):
    """Every shown object below the application, as (node, path, places of the objects around
    it), in tree order. A hidden dialog's controls may keep their states, so only shown windows
    and controls are looked into."""
    found = []

    def visit(node, path, around):
        if node is not app:
            if not node.getState().contains(pyatspi.STATE_SHOWING):
                return
            found.append((node, path, around))
            around = around + [extents(node)]
        for index in range(node.childCount):
            child = node.getChildAtIndex(index)
            if child is not None:
                visit(child, path + [index], around)

    visit(app, [], [])
    return found


def focused(objects):
    """The innermost focused object: the windows around it count as focused too, and Qt marks a
    tab bar's current tab focused whether or not the bar has the focus."""
    found = None
    for node, _, _ in objects:
        if node.getState().contains(pyatspi.STATE_FOCUSED) and (
                node.getRole() != pyatspi.ROLE_PAGE_TAB
                or node.parent.getState().contains(pyatspi.STATE_FOCUSED)):
            found = node
    return found


def print_stops(objects):
    focus = focused(objects)
    for node, path, around in objects:
        if node != focus and not node.getState().contains(pyatspi.STATE_FOCUSABLE):
            continue
        place = extents(node)
        whole = all(inside(place, outer) for outer in around)
        print("\t".join(["*" if node == focus else "-", "/".join(map(str, path)),
                         " ".join(map(str, place)), "whole" if whole else "cut",
                         describe(node)]))


def main():
    # A call the program does not answer within 0.8 s otherwise fails as "the process appears to
    # be hung", and what was read up to it would pass for the whole answer.
    pyatspi.setTimeout(20000, -1)
    app = application(sys.argv[1])
    if app is None:
        return 1
    if sys.argv[2] == "tree":
        print_tree(app, 0)
    elif sys.argv[2] == "stops":
        print_stops(shown_objects(app))
    else:
        node = focused(shown_objects(app))
        if node is not None:
            print(describe(node))
    return 0


if __name__ == "__main__":
    sys.exit(main())
