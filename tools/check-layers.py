#!/usr/bin/env python3
"""Fails when an #include runs against the layers of src/layers.txt.

Every quoted #include of a C++ source or header under src/, tools/ and
sample-app/ is resolved (beside the including file first, then from src/) and
the folder that owns the included file must be the includer's own folder or
one it may include from. A folder of the table is a path below src/, or below
the repository's root when written with a leading '/'; a file belongs to the
longest folder that holds it.
"""
import os
import re
import sys

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".c")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def read_table(root):
    folders, portable, direct = [], set(), {}
    with open(os.path.join(root, "src", "layers.txt"), encoding="utf-8") as table:
        for line in table:
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            name, rest = words[0], words[1:]
            if rest and rest[0] == "portable":
                portable.add(name)
                rest = rest[1:]
            folders.append(name)
            direct[name] = rest
    return folders, portable, direct


def closure(direct):
    allowed = {}

    def visit(name, seen):
        for dependency in direct.get(name, []):
            if dependency not in seen:
                seen.add(dependency)
                visit(dependency, seen)
        return seen

    for name in direct:
        allowed[name] = visit(name, set())
    return allowed


def folder_path(root, name):
    return os.path.join(root, name[1:]) if name.startswith("/") else os.path.join(root, "src", name)


def owner(root, folders, path):
    best = None
    for name in folders:
        base = folder_path(root, name) + os.sep
        if path.startswith(base) and (best is None or len(base) > len(folder_path(root, best)) + 1):
            best = name
    return best


def resolve(root, including, text):
    for candidate in (os.path.join(os.path.dirname(including), text), os.path.join(root, "src", text)):
        if os.path.isfile(candidate):
            return os.path.normpath(candidate)
    return None


def sources(root):
    for top in ("src", "tools", "sample-app"):
        for folder, _, files in os.walk(os.path.join(root, top)):
            for name in sorted(files):
                if name.endswith(SOURCE_SUFFIXES):
                    yield os.path.join(folder, name)


def check(root):
    folders, portable, direct = read_table(root)
    for name, dependencies in direct.items():
        for dependency in dependencies:
            if dependency not in direct:
                yield f"src/layers.txt: {name} names {dependency}, which is not in the table"
            elif name in portable and dependency not in portable:
                yield f"src/layers.txt: portable {name} may not use {dependency}"
    allowed = closure(direct)
    for path in sources(root):
        layer = owner(root, folders, path)
        shown = os.path.relpath(path, root)
        with open(path, encoding="utf-8", errors="replace") as source:
            for number, line in enumerate(source, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = resolve(root, path, match.group(1))
                where = f"{shown}:{number}: \"{match.group(1)}\""
                if target is None:
                    yield f"{where} cannot be found beside the file or under src/"
                    continue
                used = owner(root, folders, target)
                if layer is None or used is None:
                    missing = shown if layer is None else os.path.relpath(target, root)
                    yield f"{where}: {missing} lies in no folder of src/layers.txt"
                elif used != layer and used not in allowed[layer]:
                    yield f"{where}: {layer} may not include from {used}"


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    faults = list(check(root))
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) against the layers of src/layers.txt")
        return 1
    print("every include follows src/layers.txt")
    return 0


if __name__ == "__main__":
    sys.exit(main())
