#!/usr/bin/python3
"""Checks that the source folders keep their layers.

    check_layers.py SRC_DIR [QT_WIDGETS_INCLUDE_DIR]

Each folder under src/ belongs to one component, and the components are in
one order, from the ground up. A file may include headers of its own
component and of components below it, never of one above: so no include
cycle between folders can form. Only the window side (and the programs) may
include QtWidgets headers. Prints every offending include and exits with 1
when there is one.
"""
import os
import re
import sys

# Bottom up. A folder not listed here is an error, so a new folder gets its
# place on purpose.
ORDER = [
    # the ground (QtCore only)
    "base", "platform",
    # the engines
    "oracle", "dbf",
    # the tool's engine
    "run", "log", "credentials", "startup", "general", "transfers", "automation",
    # the window side
    "ui", "credentials/gui", "window", "general/gui", "transfers/gui",
    # the programs
    "app",
]
WINDOW_SIDE = {"ui", "credentials/gui", "window", "general/gui", "transfers/gui", "app"}
RANK = {c: i for i, c in enumerate(ORDER)}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def component(rel):
    """The component of a path relative to src/ (a file or an included header)."""
    parts = rel.split("/")
    if len(parts) >= 3 and "/".join(parts[:2]) in RANK:
        return "/".join(parts[:2])
    if parts[0] in RANK:
        return parts[0]
    return None


def widgets_headers(qt_dir):
    if not qt_dir or not os.path.isdir(qt_dir):
        return set()
    return {f for f in os.listdir(qt_dir) if f.startswith("Q") and "." not in f}


def main():
    src = sys.argv[1]
    widgets = widgets_headers(sys.argv[2] if len(sys.argv) > 2 else None)
    errors = []
    for dirpath, _, files in os.walk(src):
        for name in files:
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(dirpath, name)
            rel = os.path.relpath(path, src).replace(os.sep, "/")
            own = component(rel)
            if own is None:
                errors.append("%s: the folder has no place in the layer order" % rel)
                continue
            text = open(path, encoding="utf-8", errors="replace").read()
            for kind, header in INCLUDE.findall(text):
                if kind == '"' and "/" in header:
                    other = component(header)
                    if other is None:
                        continue  # a header beside the file, or a generated one
                    if RANK[other] > RANK[own]:
                        errors.append("%s: includes %s (%s is above %s)" % (rel, header, other, own))
                elif kind == "<" and own not in WINDOW_SIDE:
                    base = header.split("/")[-1]
                    if header.startswith("QtWidgets") or base in widgets:
                        errors.append("%s: includes the widget header %s outside the window side" % (rel, header))
    for e in sorted(errors):
        print(e)
    if errors:
        print("%d include(s) break the layers" % len(errors))
        return 1
    print("layers kept")
    return 0


if __name__ == "__main__":
    sys.exit(main())
