#!/usr/bin/python3
"""Fails when a folder includes a folder that is not below it.

Every source folder is a layer: the system's folders (state, motors, ..., app), the platform's
and the simulators' two levels deep (platform/os, sim/pmac, ...), and the front-ends of the
operator-interface runtime three levels deep (platform/ui/qt, platform/ui/script,
platform/ui/web). ORDER lists them in ranks from the bottom up. A layer may include its own
files and any layer of a lower rank; an include that runs up the order, or sideways to another
layer of its own rank, is an error, named with its file, its line and both layers (and the
circle it closes, if it closes one). A folder that holds sources but is not in ORDER is an
error too, so that a new folder is placed on purpose.

Beside the order, three rules of the design: the system never includes a simulator (it sees
only platform/), the simulators never include the operator-interface runtime, and the system
never includes a front-end (they register themselves with the runtime).

Both "..." and <...> includes are read. A quoted include is looked up beside the including file
first and then from the source root, as the compiler looks it up; an angle-bracket include from
the source root only. An include found nowhere counts by the path it names, so a project path
(<platform/os/clock.h>) is still a project path, and a library header (<vector>) is none.

Usage: check_layers.py SOURCE_DIR
"""
import pathlib
import re
import sys

# Bottom first. The one clock (platform/os) is read by every simulator; the device libraries
# stand on their simulators; the runtime needs none of them; its front-ends draw, drive or serve
# the runtime (the Qt view also draws the wavelength editor's dialog); the system stands on all of
# platform/, its shared state lowest and the callback table's app/ on top.
ORDER = [
    ["platform/os"],
    ["sim/common"],
    ["sim/camera", "sim/pmac", "sim/sixk"],
    ["platform/atmcd", "platform/pcomm", "platform/dll6k", "platform/wvcontrol", "platform/ui"],
    ["platform/ui/qt", "platform/ui/script", "platform/ui/web"],
    ["state"],
    ["motors"],
    ["files"],
    ["camera", "display"],
    ["scanner"],
    ["sequence"],
    ["app"],
]
RANK = {layer: rank for rank, layers in enumerate(ORDER) for layer in layers}
SYSTEM = [layer for layer in RANK if not layer.startswith(("platform/", "sim/"))]
FRONT_ENDS = ["platform/ui/qt", "platform/ui/script", "platform/ui/web"]
TOP = ["platform", "sim"] + SYSTEM
SOURCES = (".h", ".hh", ".hpp", ".inc", ".ipp", ".c", ".cc", ".cpp", ".cxx")

INCLUDE = re.compile(r'^[ \t]*#[ \t]*include[ \t]*(?:"([^"\n]+)"|<([^>\n]+)>)', re.MULTILINE)
BLOCK_COMMENT = re.compile(r"/\*.*?\*/", re.DOTALL)


def folder_of(path):
    """The layer a project path lies in by its folders alone (None outside every layer): the
    system's folders one level deep, platform/ and sim/ two, the runtime's front-ends three."""
    parts = pathlib.PurePosixPath(path).parts
    if len(parts) >= 4 and parts[:2] == ("platform", "ui"):
        return "/".join(parts[:3])
    if len(parts) >= 3 and parts[0] in ("platform", "sim"):
        return "/".join(parts[:2])
    if len(parts) >= 2 and parts[0] in SYSTEM:
        return parts[0]
    return None


def resolve(root, file, quoted, name):
    """The project path an include names, as the compiler would find it."""
    places = [file.parent, root] if quoted else [root]
    for place in places:
        candidate = (place / name).resolve()
        if candidate.is_file():
            try:
                return candidate.relative_to(root).as_posix()
            except ValueError:
                return None  # outside the tree: not ours
    normal = pathlib.PurePosixPath(name)
    return normal.as_posix() if ".." not in normal.parts else None


def includes(root):
    """The layers that hold sources, and (file, line, source layer, target layer, include as
    written) for every include from one layer into another."""
    layers, found = set(), []
    for top in TOP:
        for file in sorted((root / top).rglob("*")):
            if file.suffix not in SOURCES or not file.is_file():
                continue
            rel = file.relative_to(root).as_posix()
            source = folder_of(rel)
            if source is None:
                continue
            layers.add(source)
            text = BLOCK_COMMENT.sub(lambda m: "\n" * m.group(0).count("\n"),
                                     file.read_text(errors="replace"))
            for match in INCLUDE.finditer(text):
                quoted = match.group(1) is not None
                name = (match.group(1) if quoted else match.group(2)).strip()
                target_path = resolve(root, file, quoted, name)
                target = folder_of(target_path) if target_path else None
                if target is None or target == source:
                    continue
                line = text.count("\n", 0, match.start()) + 1
                written = f'"{name}"' if quoted else f"<{name}>"
                found.append((rel, line, source, target, written))
    return layers, found


def circle(edges, start, goal):
    """A chain of layers from start to goal along the includes, or None."""
    seen, stack = {start}, [[start]]
    while stack:
        chain = stack.pop()
        for nxt in sorted(edges.get(chain[-1], ())):
            if nxt == goal:
                return chain + [nxt]
            if nxt not in seen:
                seen.add(nxt)
                stack.append(chain + [nxt])
    return None


def problems(root):
    layers, found = includes(root)
    edges = {}
    for _, _, source, target, _ in found:
        edges.setdefault(source, set()).add(target)
    out = []
    for layer in sorted(layers - set(RANK)):
        out.append(f"{layer}/ holds sources but is no layer: place it in ORDER "
                   f"({pathlib.Path(__file__).name})")
    for rel, line, source, target, written in found:
        where = f"{rel}:{line}: {source} includes {target} ({written})"
        reasons = []
        if source in RANK and target in RANK:
            if RANK[target] > RANK[source]:
                reasons.append(f"{target} is above {source} in the order")
            elif RANK[target] == RANK[source]:
                reasons.append(f"{target} is beside {source} in the order (one rank)")
        if source in SYSTEM and target.startswith("sim/"):
            reasons.append("the system includes a simulator")
        if source.startswith("sim/") and (target == "platform/ui" or target in FRONT_ENDS):
            reasons.append("a simulator includes the operator-interface runtime")
        if source in SYSTEM and target in FRONT_ENDS:
            reasons.append("the system includes a front-end")
        if not reasons:
            continue
        back = circle(edges, target, source)
        if back is not None:
            reasons.append("it closes the circle " + " -> ".join([source] + back))
        out.append(where + ": " + "; ".join(reasons))
    return out


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    root = pathlib.Path(sys.argv[1]).resolve()
    found = problems(root)
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) break the layers")
        return 1
    print("every include runs down the order: " +
          " < ".join(" ".join(layers) for layers in ORDER))
    return 0


if __name__ == "__main__":
    sys.exit(main())
