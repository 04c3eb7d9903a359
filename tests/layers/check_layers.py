#!/usr/bin/python3
"""Fails when the program's folders include each other in a circle.

Every source folder is one layer: the system's folders (state, motors, files, display, camera,
scanner, sequence, app) and, two levels deep, the platform's and the simulators' (platform/os,
sim/pmac, ...). A folder may include only folders below it, so a folder that includes one that
(directly or through others) includes it back is an error, named with the whole circle. Two
rules of the design are checked beside it: the system never includes a simulator, and the
simulators never include the operator-interface runtime.

Usage: check_layers.py SOURCE_DIR
"""
import pathlib
import re
import sys

SYSTEM = ["state", "motors", "files", "display", "camera", "scanner", "sequence", "app"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def layer_of(path):
    parts = pathlib.PurePosixPath(path).parts
    if len(parts) < 2:
        return None
    if parts[0] in SYSTEM:
        return parts[0]
    if parts[0] in ("platform", "sim") and len(parts) >= 3:
        return "/".join(parts[:2])
    return None


def include_graph(root):
    edges = {}
    for file in sorted(root.rglob("*")):
        if file.suffix not in (".h", ".hpp", ".cpp", ".cc") or not file.is_file():
            continue
        source = layer_of(file.relative_to(root).as_posix())
        if source is None:
            continue
        for include in INCLUDE.findall(file.read_text(errors="replace")):
            target = layer_of(include)
            if target is not None and target != source:
                edges.setdefault(source, {}).setdefault(target, file.relative_to(root).as_posix())
    return edges


def path_between(edges, start, goal):
    """A chain of layers from start to goal, or None."""
    seen, stack = {start}, [[start]]
    while stack:
        chain = stack.pop()
        for nxt in sorted(edges.get(chain[-1], {})):
            if nxt == goal:
                return chain + [nxt]
            if nxt not in seen:
                seen.add(nxt)
                stack.append(chain + [nxt])
    return None


def problems(root):
    edges = include_graph(root)
    found = []
    for source in sorted(edges):
        for target, where in sorted(edges[source].items()):
            back = path_between(edges, target, source)
            if back is not None:
                found.append(f"{where} includes {target}/, which depends on {source}/ through "
                              + " -> ".join(back))
            if source in SYSTEM and target.startswith("sim/"):
                found.append(f"{where}: the system includes a simulator ({target}/)")
            if source.startswith("sim/") and target == "platform/ui":
                found.append(f"{where}: a simulator includes the operator-interface runtime")
    return found


def main():
    root = pathlib.Path(sys.argv[1]).resolve()
    found = problems(root)
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) break the layers")
        return 1
    print("no folder includes a folder that depends on it")
    return 0


if __name__ == "__main__":
    sys.exit(main())
