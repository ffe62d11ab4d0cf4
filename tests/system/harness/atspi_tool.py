"""What a screen reader sees of the program, through AT-SPI (pyatspi).

Run in the desktop's environment (its session bus, where the AT-SPI bus
launcher runs):

    atspi_tool.py tree                 the program's windows as JSON
    atspi_tool.py do ROLE NAME ACTION  run an action of the first node with
                                       that role and name ("push button",
                                       "1小时关机", "Press")
    atspi_tool.py read ROLE PREFIX     wait for the first node of that role
                                       whose name starts so, print "ready", then
                                       its name again for each line read
                                       (one call each: for what the program
                                       shows at a given moment)

It is a program of its own because pyatspi takes the session bus from the
environment when it is imported.
"""

import json
import sys
import time

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


def find(node, role, name, prefix=False):
    if node.getRoleName() == role and (node.name.startswith(name) if prefix else node.name == name):
        return node
    for child in node:
        if child is not None:
            found = find(child, role, name, prefix)
            if found is not None:
                return found
    return None


def main(argv):
    if argv[1] == "read":
        # The program's windows may not be on the bus yet: wait for them.
        deadline = time.monotonic() + 30
        node = None
        while True:
            app = program()
            node = None if app is None else find(app, argv[2], argv[3], prefix=True)
            if node is not None or time.monotonic() > deadline:
                break
            time.sleep(0.1)
        if node is None:
            print("no %s named %r..." % (argv[2], argv[3]), file=sys.stderr)
            return 1
        print("ready", flush=True)
        for _ in sys.stdin:
            print(node.name, flush=True)
        return 0
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
