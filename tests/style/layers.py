#!/usr/bin/env python3
"""Every #include of the C and C++ files in a folder names a header of that folder or of
a folder DESIGN.md's layer table lets it use. The table is read from DESIGN.md ("Layers"
section): its first column names the folders, its last the folders or files they may
use (in backticks; "everything" leaves a folder unchecked). Run from anywhere."""
import os
import re
import subprocess
import sys

SOURCE = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", ".."))
# (including file, included header) pairs the code still has against the table.
KNOWN_EXCEPTIONS = set()


def layer_table():
    """{folder: [allowed folder prefixes or files] or None for everything}."""
    with open(os.path.join(SOURCE, "DESIGN.md"), encoding="utf-8") as f:
        text = f.read()
    section = re.search(r"^## Layers.*?$(.*?)(?=^## |\Z)", text, re.M | re.S)
    if not section:
        sys.exit("DESIGN.md has no Layers section")
    table = {}
    for line in section.group(1).splitlines():
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if len(cells) < 2 or not line.startswith("|") or set(cells[0]) <= set("-: "):
            continue
        folders = re.findall(r"`([^`]+/)`", cells[0])
        uses = None if "everything" in cells[-1] else re.findall(r"`([^`]*/[^`]*)`", cells[-1])
        for folder in folders:
            table[folder] = uses
    if not table:
        sys.exit("DESIGN.md's Layers section has no table")
    return table


def resolve(including, header, quoted):
    """The tracked file an include names (as the build's include path finds it), or None
    for a system header."""
    candidates = ["include/" + header, header]
    if quoted:
        candidates.insert(0, os.path.join(os.path.dirname(including), header))
    for c in candidates:
        path = os.path.normpath(c)
        if os.path.isfile(os.path.join(SOURCE, path)):
            return path
    return None


def allowed(folder, target, uses):
    if target.startswith(folder):
        return True
    return any(target == u or (u.endswith("/") and target.startswith(u)) for u in uses)


def main():
    table = layer_table()
    files = subprocess.run(["git", "ls-files", "*.c", "*.cpp", "*.h"], cwd=SOURCE,
                           check=True, capture_output=True, text=True).stdout.split()
    include = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
    faults = []
    seen = set()
    checked = 0
    for name in files:
        folder = next((f for f in table if name.startswith(f)), None)
        if folder is None or table[folder] is None:
            continue
        checked += 1
        with open(os.path.join(SOURCE, name), encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                m = include.match(line)
                target = m and resolve(name, m.group(2), m.group(1) == '"')
                if not target or allowed(folder, target, table[folder]):
                    continue
                if (name, target) in KNOWN_EXCEPTIONS:
                    seen.add((name, target))
                    print(f"{name}:{number}: known exception: includes {target}")
                    continue
                faults.append(f"{name}:{number}: includes {target}, but {folder} may use only "
                              + (", ".join(table[folder]) or "itself") + " (DESIGN.md, Layers)")
    for name, target in sorted(KNOWN_EXCEPTIONS - seen):
        print(f"note: {name} no longer includes {target}: remove the known exception")
    print("\n".join(faults) or f"{checked} files: every include within the layer table")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
