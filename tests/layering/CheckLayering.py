#!/usr/bin/env python3
"""Checks what may include what between the top-level folders of the source tree.

- The product folders reach the platform only through its public headers: Win32.h, and the two
  owner templates, which are header-only C++ over Win32 contracts and build unchanged on Windows.
  They include no system header ending in ".h" either: on Windows the system is the real one.
- The platform never includes a product folder, a host program, a test or a benchmark.
- No loop between top-level folders.

Usage: CheckLayering.py SOURCE_ROOT. Prints every breach; exit status 1 when there is one.
"""
import pathlib
import re
import sys

PRODUCT = {"com", "component", "module", "server", "registrar", "resources"}
PUBLIC_PLATFORM = {"platform/Win32.h", "platform/UniqueHandle.h", "platform/UniqueInterface.h"}
OUTSIDE_PLATFORM = PRODUCT | {"tools", "tests", "bench", "fuzz"}
SOURCE_SUFFIXES = {".c", ".cpp", ".h"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]', re.MULTILINE)


def includes(path):
    for match in INCLUDE.finditer(path.read_text(encoding="utf-8", errors="replace")):
        yield match.group(1) == "<", match.group(2)


def target_folder(included, folders):
    """The top-level folder a quoted include names, or None (same-folder or unknown paths)."""
    first = included.split("/", 1)[0]
    if first in folders:
        return first
    return None


def find_loop(edges):
    """One loop of the folder graph as a list of folders, or None."""
    state = {}

    def visit(node, trail):
        state[node] = "open"
        for nxt in sorted(edges.get(node, ())):
            if state.get(nxt) == "open":
                return trail[trail.index(nxt):] + [nxt]
            if nxt not in state:
                loop = visit(nxt, trail + [nxt])
                if loop:
                    return loop
        state[node] = "done"
        return None

    for node in sorted(edges):
        if node not in state:
            loop = visit(node, [node])
            if loop:
                return loop
    return None


def check(root):
    folders = {p.name for p in root.iterdir() if p.is_dir() and not p.name.startswith(".")}
    folders -= {name for name in folders if name.startswith("build")}
    breaches = []
    edges = {}
    for path in sorted(p for folder in folders for p in (root / folder).rglob("*")):
        relative = path.relative_to(root)
        top = relative.parts[0]
        if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
            continue
        for angled, included in includes(path):
            if top in PRODUCT:
                if angled and included.endswith(".h"):
                    breaches.append(f"{relative}: system header <{included}> in a product folder")
                elif not angled and included.startswith("platform/") and included not in PUBLIC_PLATFORM:
                    breaches.append(f"{relative}: \"{included}\" is not a public platform header")
            if angled:
                continue
            folder = target_folder(included, folders)
            if top == "platform" and folder in OUTSIDE_PLATFORM:
                breaches.append(f"{relative}: the platform includes \"{included}\"")
            if folder is not None and folder != top:
                edges.setdefault(top, set()).add(folder)
    loop = find_loop(edges)
    if loop:
        breaches.append("include loop between folders: " + " -> ".join(loop))
    return breaches, edges


def main():
    root = pathlib.Path(sys.argv[1]).resolve()
    breaches, edges = check(root)
    for breach in breaches:
        print(breach)
    if "--graph" in sys.argv:
        for folder in sorted(edges):
            print(f"{folder} -> {', '.join(sorted(edges[folder]))}")
    return 1 if breaches else 0


if __name__ == "__main__":
    sys.exit(main())
