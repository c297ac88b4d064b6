#!/usr/bin/env python3
"""Fails when a source file includes a header from a layer above its own.

Every target has the repository root on its include path, so nothing in the
build stops protocol/ from including window/. This check does: it reads the
quoted includes of every C++ file under the layer folders and compares the
rank of the includer's layer with the rank of the included one.

Usage: check_layers.py [ROOT]   (ROOT defaults to the repository of this script)
"""

import os
import re
import sys

# Arrows point down: a layer may include its own folder and any layer of a
# lower rank. Layers of one rank do not depend on each other today but are
# not "above" one another either.
LAYER_RANKS = {
    "form": 0,
    "plot": 1,
    "comm": 1,
    "protocol": 2,
    "records": 3,
    "analysis": 3,
    "window": 4,
    "ui": 5,
    # Programs and libraries for the programs: the simulator and the
    # accuracy table are used by app/ (--demo) and by the exempt folders.
    "tools/virtual-sensor": 6,
    "tools/analysis-eval": 6,
    "app": 7,
}
# Folders above every layer: they may include anything, and nothing includes them.
EXEMPT = ("tests", "bench", "fuzz")
# Folders without C++ sources of the program.
NOT_CODE = ("cmake", "docs", "packaging", "scripts")

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def layer_of(rel_path):
    """The layer (or exempt folder) a repository-relative path belongs to, or None."""
    parts = rel_path.replace(os.sep, "/").split("/")
    if len(parts) >= 2 and "/".join(parts[:2]) in LAYER_RANKS:
        return "/".join(parts[:2])
    if parts[0] in LAYER_RANKS or parts[0] in EXEMPT:
        return parts[0]
    return None


def is_build_tree(path):
    return os.path.exists(os.path.join(path, "CMakeCache.txt"))


def source_files(root, top):
    for dirpath, dirnames, filenames in os.walk(os.path.join(root, top)):
        dirnames[:] = sorted(d for d in dirnames if not is_build_tree(os.path.join(dirpath, d)))
        for name in sorted(filenames):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.join(dirpath, name)


def included_path(root, including_file, target):
    """The repository-relative path an include names: from the root, or beside the file."""
    if target.startswith("."):
        beside = os.path.normpath(os.path.join(os.path.dirname(including_file), target))
        return os.path.relpath(beside, root)
    return target


def check(root):
    """Returns the list of problems found under `root` (empty when the layering holds)."""
    problems = []
    tops = sorted(
        d for d in os.listdir(root)
        if os.path.isdir(os.path.join(root, d)) and not d.startswith(".")
        and not is_build_tree(os.path.join(root, d))
    )
    known = {name.split("/")[0] for name in LAYER_RANKS} | set(EXEMPT) | set(NOT_CODE)
    for top in tops:
        if top not in known and any(True for _ in source_files(root, top)):
            problems.append(f"{top}/: C++ sources in a folder with no place in the layer order; "
                            f"add it to LAYER_RANKS in {os.path.basename(__file__)}")
    for layer in sorted(LAYER_RANKS):
        if not os.path.isdir(os.path.join(root, layer)):
            problems.append(f"{layer}/: layer folder missing")

    for top in tops:
        if top not in known or top in NOT_CODE:
            continue
        for path in source_files(root, top):
            rel = os.path.relpath(path, root)
            own = layer_of(rel)
            if own is None or own in EXEMPT:
                continue
            with open(path, encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    target = included_path(root, path, m.group(1))
                    other = layer_of(target)
                    if other is None or other == own:
                        continue
                    if other in EXEMPT or LAYER_RANKS[other] > LAYER_RANKS[own]:
                        problems.append(f"{rel}:{number}: {own}/ includes \"{m.group(1)}\" "
                                        f"from {other}/, a layer above it")
    return problems


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    problems = check(root)
    for p in problems:
        print(p)
    if problems:
        print(f"layer order broken: {len(problems)} problem(s)")
        return 1
    print("layer order holds")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
