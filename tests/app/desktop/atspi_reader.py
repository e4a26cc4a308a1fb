#!/usr/bin/python3
"""What a screen reader learns about a running program over AT-SPI.

Usage: atspi_reader.py APPLICATION tree|focus
  tree   every accessible object of the application, one per line: depth-indented
         "role | name", with " | value=N" for objects that carry a value and
         " | labelled by NAME" for objects a label names
  focus  the object that has the keyboard focus, as "role | name" (nothing when none has)
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


def main():
    app = application(sys.argv[1])
    if app is None:
        return 1
    if sys.argv[2] == "tree":
        print_tree(app, 0)
    else:
        # The innermost focused object on the screen, looked for only inside shown windows and
        # controls: the windows around it count as focused too, a hidden dialog's controls may
        # keep their focused state, and Qt marks a tab bar's current tab focused whether or not
        # the bar has focus.
        found = []

        def visit(node):
            state = node.getState()
            if node is not app and not state.contains(pyatspi.STATE_SHOWING):
                return
            if state.contains(pyatspi.STATE_FOCUSED) and (
                    node.getRole() != pyatspi.ROLE_PAGE_TAB
                    or node.parent.getState().contains(pyatspi.STATE_FOCUSED)):
                found.append(node)
            for index in range(node.childCount):
                child = node.getChildAtIndex(index)
                if child is not None:
                    visit(child)

        visit(app)
        if found:
            print(describe(found[-1]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
