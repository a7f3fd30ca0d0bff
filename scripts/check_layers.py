#!/usr/bin/env python3
"""Checks that includes run one way only, down the layer order.

Every folder that holds code is a layer with a rank (the order the README
names). A file may include headers of its own folder and of lower ranks; an
include of a higher or equal-ranked other folder is an error, and so is any
cycle in the graph of folder-to-folder includes. Folders that hold code but are
missing from the order are errors too, so a new folder gets a place before it
gets includes.

Usage: scripts/check_layers.py [repository root]   (exit status 1 on a violation)
"""
import os
import re
import sys

# Rank of each folder; a folder may include only folders of lower rank. The
# engine's layers live under TobexLib/src, so their include spelling is
# "app/x.h"; the folders above the engine are reached as "ctl/x.h" and so on.
LAYERS = {
    "base": 0,    # text, allocator, log lines and their sink
    "app": 1,     # the host: window, clock, input, files and folders, reports
    "vfs": 2,     # virtual file system, archives, the log file
    "obj": 3,     # containers, class registry, property types, World files
    "gfx": 4,     # surfaces, image files, display, blitters, fonts
    "sound": 4,   # sound manager
    "engine": 5,  # the engine's classes, scene, start-up
    "ctl": 6,     # the control classes
    "solver": 6,  # the puzzle solver, beside the controls (the game's hint uses it)
    "game": 7,    # the puzzle game
    "tools": 8,   # the authors' tool
}

# Where each folder's files are, relative to the repository root.
ENGINE_ROOT = os.path.join("TobexLib", "src")
TOP_FOLDERS = ["ctl", "game", "solver", "tools"]
SOURCE_EXT = (".h", ".hpp", ".cpp", ".cc", ".c")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/[^"]+"', re.M)


def folders(root):
    """Yields (folder name, path) for every folder holding code."""
    engine = os.path.join(root, ENGINE_ROOT)
    for name in sorted(os.listdir(engine)):
        path = os.path.join(engine, name)
        if os.path.isdir(path):
            yield name, path
    for name in TOP_FOLDERS:
        path = os.path.join(root, name)
        if os.path.isdir(path):
            yield name, path


def includes(path):
    """Yields (file, included folder) for every quoted include naming a folder."""
    for dirpath, _, files in os.walk(path):
        for f in sorted(files):
            if not f.endswith(SOURCE_EXT):
                continue
            full = os.path.join(dirpath, f)
            with open(full, encoding="utf-8", errors="replace") as fh:
                text = fh.read()
            for m in INCLUDE.finditer(text):
                yield full, m.group(1)


def find_cycle(graph):
    """Returns one cycle of the folder graph as a list of folders, or None."""
    state = {}
    stack = []

    def visit(node):
        state[node] = 1
        stack.append(node)
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == 1:
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        stack.pop()
        state[node] = 2
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    errors = []
    graph = {}
    for name, path in folders(root):
        if name not in LAYERS:
            errors.append(f"{os.path.relpath(path, root)}: folder has no place in the layer order")
            continue
        for full, target in includes(path):
            if target == name or target not in LAYERS:
                continue  # same folder, or a library's own folder ("SDL2/...", "minizip/...")
            graph.setdefault(name, set()).add(target)
            if LAYERS[target] >= LAYERS[name]:
                errors.append(f"{os.path.relpath(full, root)}: {name} (layer {LAYERS[name]}) includes "
                              f"{target} (layer {LAYERS[target]})")
    cycle = find_cycle(graph)
    if cycle:
        errors.append("include cycle between folders: " + " -> ".join(cycle))
    for e in errors:
        print("check_layers: " + e)
    if errors:
        return 1
    print(f"check_layers: {len(graph)} folders include only lower layers; no cycles")
    return 0


if __name__ == "__main__":
    sys.exit(main())
