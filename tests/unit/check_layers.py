#!/usr/bin/env python3
"""The rules that keep the source tree in order, checked on every include:

  - Includes run downward only: app -> schedule, skins, info -> platform ->
    host. Of platform, the host includes only platform.h (the operations it
    carries out) and the units they are given in (colours.h, twips.h).
  - A window reaches another through the registry, never by including it:
    schedule, skins and info include none of each other.
  - What one system alone compiles is in its folder, host/linux or
    host/windows, and only that folder includes it.
  - No loop of includes between two files (a source with its header counts
    as one).
  - No shared file holds a block for one system (#if on Q_OS_, _WIN32, ...)
    of more than a dozen lines.

    python3 tests/unit/check_layers.py [SRC]     (exit 1, with the reasons)
"""

import os
import re
import sys

SRC = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                      os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "src"))
RANK = {"app": 4, "schedule": 3, "skins": 3, "info": 3, "platform": 2, "host": 1}
HOST_MAY_INCLUDE = {"platform/platform.h", "platform/colours.h", "platform/twips.h"}
SYSTEM_FOLDERS = ("platform/host/linux/", "platform/host/windows/")
SYSTEM_CONDITION = re.compile(r"Q_OS_|_WIN32|__linux__|VESPERON_X11")
LONGEST_SYSTEM_BLOCK = 12
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def layer(path):
    parts = path.split("/")
    if parts[0] == "platform":
        return "host" if len(parts) > 2 and parts[1] == "host" else "platform"
    return parts[0]


def sources():
    for folder, _, files in os.walk(SRC):
        for name in files:
            if name.endswith((".cpp", ".h")):
                yield os.path.relpath(os.path.join(folder, name), SRC).replace(os.sep, "/")


def resolve(including, name):
    for candidate in (os.path.normpath(os.path.join(os.path.dirname(including), name)), os.path.normpath(name)):
        if os.path.exists(os.path.join(SRC, candidate)):
            return candidate.replace(os.sep, "/")
    return None


def system_blocks(path, text):
    """(first line, length) of each #if block on a system's condition."""
    stack, found = [], []
    for number, line in enumerate(text.splitlines(), 1):
        directive = line.strip()
        if directive.startswith("#if"):
            stack.append((number, bool(SYSTEM_CONDITION.search(directive))))
        elif directive.startswith("#endif") and stack:
            start, system = stack.pop()
            if system:
                found.append((start, number - start))
    return found


def main():
    faults = []
    rooms = {}  # a source and its header as one: path without extension -> included rooms
    files = sorted(sources())
    for path in files:
        text = open(os.path.join(SRC, path), encoding="utf-8").read()
        room = os.path.splitext(path)[0]
        rooms.setdefault(room, set())
        for name in INCLUDE.findall(text):
            target = resolve(path, name)
            if target is None:
                continue
            here, there = layer(path), layer(target)
            if RANK[there] > RANK[here] and not (here == "host" and target in HOST_MAY_INCLUDE):
                faults.append("%s includes %s: %s is above %s" % (path, target, there, here))
            if RANK[here] == RANK[there] == 3 and here != there:
                faults.append("%s includes %s: a window reaches another through the registry" % (path, target))
            for system in SYSTEM_FOLDERS:
                if target.startswith(system) and not path.startswith(system):
                    faults.append("%s includes %s: only %s includes its own files" % (path, target, system))
            if os.path.splitext(target)[0] != room:
                rooms[room].add(os.path.splitext(target)[0])
        if not path.startswith(SYSTEM_FOLDERS):
            for start, length in system_blocks(path, text):
                if length > LONGEST_SYSTEM_BLOCK:
                    faults.append("%s:%d: a block for one system of %d lines in a shared file"
                                  % (path, start, length))
    # Loops: a room that reaches itself.
    for start in rooms:
        seen, todo = set(), list(rooms[start])
        while todo:
            room = todo.pop()
            if room == start:
                faults.append("%s reaches itself through its includes" % start)
                break
            if room not in seen:
                seen.add(room)
                todo.extend(rooms.get(room, ()))
    for fault in faults:
        print(fault)
    print("%d files, %s" % (len(files), "%d faults" % len(faults) if faults else "in order"))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
