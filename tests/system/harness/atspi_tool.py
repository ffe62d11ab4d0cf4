"""What a screen reader sees of the program, through AT-SPI (pyatspi).

Run in the desktop's environment (its session bus, where the AT-SPI bus
launcher runs):

    atspi_tool.py tree                 the program's windows as JSON
    atspi_tool.py do ROLE NAME ACTION  run an action of the first node with
                                       that role and name ("push button",
                                       "1小时关机", "Press")

It is a program of its own because pyatspi takes the session bus from the
environment when it is imported.
"""

import json
import sys

import pyatspi

STATES = {
    "enabled": pyatspi.STATE_ENABLED,
    "sensitive": pyatspi.STATE_SENSITIVE,
    "focusable": pyatspi.STATE_FOCUSABLE,
    "focused": pyatspi.STATE_FOCUSED,
    "showing": pyatspi.STATE_SHOWING,
}


def program():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.name == "vesperon":
            return app
    return None


def actions(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def describe(node):
    states = node.getState()
    return {
        "role": node.getRoleName(),
        "name": node.name,
        "actions": actions(node),
        "states": sorted(k for k, v in STATES.items() if states.contains(v)),
        "children": [describe(child) for child in node if child is not None],
    }


def find(node, role, name):
    if node.getRoleName() == role and node.name == name:
        return node
    for child in node:
        if child is not None:
            found = find(child, role, name)
            if found is not None:
                return found
    return None


def main(argv):
    app = program()
    if app is None:
        print("null")
        return 0
    if argv[1] == "tree":
        print(json.dumps([describe(window) for window in app if window is not None], ensure_ascii=False))
        return 0
    if argv[1] == "do":
        role, name, wanted = argv[2:5]
        node = find(app, role, name)
        if node is None:
            print("no %s %r" % (role, name), file=sys.stderr)
            return 1
        action = node.queryAction()
        for i in range(action.nActions):
            if action.getName(i) == wanted:
                action.doAction(i)
                return 0
        print("%s %r has no action %r" % (role, name, wanted), file=sys.stderr)
        return 1
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
