"""The export inventory against the sources and the README.

Every export that can fail or allocate runs its body in the edge's Boundary: its definition names
itself to the fault gate ("Name" as a string literal, through Boundary or a wrapper that calls
it, such as InternetCall or a registry helper). The exports that cannot fail are listed below
with the reason; an export that is neither fails the check, and so does a listed one that has
gained a gate (the list would lie). The README's function table names every export, each in the
row of the area whose folder defines it, and nothing else.

Usage: CheckInventory.py <platform folder>
"""

import pathlib
import re
import sys

# Exports that run outside Boundary, by the reason they cannot fail.
OUTSIDE_BOUNDARY = {
    "use only the thread's own state": "GetLastError SetLastError GetCurrentThreadId",
    "critical sections: a word in the caller's structure, nothing to allocate": "InitializeCriticalSection "
    "DeleteCriticalSection EnterCriticalSection LeaveCriticalSection TryEnterCriticalSection",
    "atomic operations": "InterlockedIncrement InterlockedDecrement",
    "frees": "HeapDestroy HeapFree LocalFree CoTaskMemFree SysFreeString FreeLibrary CoUninitialize "
    "CoFreeUnusedLibraries",
    "work in place on the caller's text": "CharNextA lstrlenA lstrlenW lstrcpyA lstrcpynA lstrcatA lstrcmpiA wsprintfA",
    "read or write one value": "GetACP SysStringLen SysStringByteLen LockResource VariantInit",
    "forwards to CoInitializeEx, which runs in Boundary": "CoInitialize",
}
CANNOT_FAIL = {name for names in OUTSIDE_BOUNDARY.values() for name in names.split()}

DATA_PREFIX = "IID_"  # constants, not functions


def exports(map_text):
    text = re.sub(r"/\*.*?\*/", "", map_text, flags=re.S)
    global_part = text.split("local:")[0]
    return re.findall(r"\b([A-Za-z_][A-Za-z0-9_]*);", global_part)


def definitions(source_folder):
    """Maps each exported function to its area and the text of its body; a constant to its area."""
    bodies = {}
    pattern = re.compile(r"\b(?:WINAPI|STDAPICALLTYPE|STDMETHODCALLTYPE|WINAPIV)\s+([A-Za-z_][A-Za-z0-9_]*)\(")
    for path in sorted(pathlib.Path(source_folder).rglob("*.cpp")):
        text = path.read_text()
        area = path.relative_to(source_folder).parts[0]
        for constant in re.finditer(r"^const IID (IID_[A-Za-z]+) =", text, flags=re.M):
            bodies[constant.group(1)] = (area, "")
        for match in pattern.finditer(text):
            start = text.find("{", match.end())
            declaration_end = text.find(";", match.end())
            if start < 0 or 0 <= declaration_end < start:
                continue  # a declaration, not a definition
            depth, end = 0, start
            while end < len(text):
                depth += {"{": 1, "}": -1}.get(text[end], 0)
                end += 1
                if depth == 0:
                    break
            bodies[match.group(1)] = (area, text[start:end])
    return bodies


def readme_table(readme_text):
    """Maps each name the function table lists to the area of its row."""
    listed = {}
    for row in re.finditer(r"^\| `([a-z]+)/` \| (.*?) \|", readme_text, flags=re.M):
        for name in re.findall(r"`([A-Za-z_][A-Za-z0-9_]*)`", row.group(2)):
            listed[name] = row.group(1)
    return listed


def main():
    platform = pathlib.Path(sys.argv[1])
    names = exports((platform / "linux/edge/Exports.map").read_text())
    bodies = definitions(platform / "linux")
    table = readme_table((platform / "README.md").read_text())
    problems = []
    for name in set(table) - set(names):
        problems.append(f"{name}: in the README's table but not exported")
    for name in names:
        if name not in bodies:
            problems.append(f"{name}: no definition found")
            continue
        area, body = bodies[name]
        if table.get(name) != area:
            problems.append(f"{name}: defined in {area}/, README's table says {table.get(name)}")
        if name.startswith(DATA_PREFIX):
            continue
        gated = f'"{name}"' in body
        if gated and name in CANNOT_FAIL:
            problems.append(f"{name}: listed as outside Boundary but names itself to the gate")
        elif not gated and name not in CANNOT_FAIL:
            problems.append(f"{name}: neither runs in Boundary nor is listed as unable to fail")
    for name in CANNOT_FAIL:
        if name not in names:
            problems.append(f"{name}: listed but not exported")
    if problems:
        print("\n".join(problems))
        return 1
    print(f"{len(names)} exports: {len(CANNOT_FAIL)} outside Boundary, each listed with its reason")
    return 0


if __name__ == "__main__":
    sys.exit(main())
