#!/usr/bin/env python3
"""Checks what may include what between the top-level folders of the source tree.

- The product folders reach the platform only through its public headers: Win32.h, the two
  owner templates and the ASCII test, which are header-only C++ and build unchanged on Windows.
  They include no system header ending in ".h" either: on Windows the system is the real one.
- The platform never includes a product folder, a host program, a test or a benchmark.
- No loop between top-level folders.
- Inside platform/, a source of the area linux/<area>/ includes another area's header
  (linux/<other>/...) only when the area's CMake target uses that area: the graph is written
  once, as the USES lists of the quenvar_platform_area() calls in platform/linux/*/CMakeLists.txt,
  and read from there. That graph may have no loop, so neither may the includes it allows.

Usage: CheckLayering.py SOURCE_ROOT. Prints every breach; exit status 1 when there is one.
"""
import pathlib
import re
import sys

PRODUCT = {"com", "component", "module", "server", "registrar", "resources"}
PUBLIC_PLATFORM = {"platform/Win32.h", "platform/UniqueHandle.h", "platform/UniqueInterface.h", "platform/AsciiText.h"}
OUTSIDE_PLATFORM = PRODUCT | {"tools", "tests", "bench", "fuzz"}
SOURCE_SUFFIXES = {".c", ".cpp", ".h"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]', re.MULTILINE)
AREA_TARGET = re.compile(r"quenvar_platform_area\((\w+)([^)]*)\)")
AREA_INCLUDE = re.compile(r"^linux/(\w+)/")


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


def declared_areas(platform):
    """Each area under platform/linux/ with the areas its CMake target says it uses."""
    uses = {}
    for listing in sorted((platform / "linux").glob("*/CMakeLists.txt")):
        for match in AREA_TARGET.finditer(listing.read_text(encoding="utf-8")):
            words = match.group(2).split()
            used = words[words.index("USES") + 1 :] if "USES" in words else []
            uses[match.group(1)] = set(used)
    return uses


def check_areas(root):
    """Breaches of the platform's area graph."""
    platform = root / "platform"
    uses = declared_areas(platform)
    breaches = []
    for area in sorted(p.name for p in (platform / "linux").iterdir() if p.is_dir()):
        if area not in uses:
            breaches.append(f"platform/linux/{area}: no quenvar_platform_area({area} ...) target")
    for path in sorted((platform / "linux").rglob("*")):
        if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
            continue
        area = path.relative_to(platform / "linux").parts[0]
        for angled, name in includes(path):
            other = AREA_INCLUDE.match(name)
            if angled or other is None or other.group(1) == area:
                continue
            if other.group(1) not in uses.get(area, set()):
                breaches.append(f"{path.relative_to(root)}: \"{name}\", but the {area} area does not use "
                                f"{other.group(1)} (its quenvar_platform_area USES list)")
    loop = find_loop(uses)
    if loop:
        breaches.append("loop between the platform's areas: " + " -> ".join(loop))
    return breaches


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
    return breaches + check_areas(root), edges


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
