#!/usr/bin/env python3
"""Fails when units of the source tree include each other, directly or round a loop.

A unit is a header and its source file: folder/stem. Unit A depends on unit B when
A's header or source file includes B's header ("..." includes only; generated and
system headers are no units). Every loop of dependencies is reported with the
includes that close it.

Usage: include_cycles_test.py <source folder>
"""

import pathlib
import re
import sys

INCLUDE = re.compile(r'^[ \t]*#[ \t]*include[ \t]*"([^"]+)"', re.MULTILINE)
SUFFIXES = {".h", ".cpp"}


def unit_of(path, root):
    return path.relative_to(root).with_suffix("").as_posix()


def read_units(root):
    """Returns {unit: {included unit: "file:line" of the first such include}}."""
    files = [p for p in sorted(root.rglob("*")) if p.suffix in SUFFIXES and p.is_file()]
    by_path = {p.resolve(): p for p in files}
    by_name = {}
    for p in files:
        by_name.setdefault(p.name, []).append(p)
    graph = {unit_of(p, root): {} for p in files}
    for p in files:
        text = p.read_text(encoding="utf-8", errors="replace")
        unit = unit_of(p, root)
        for match in INCLUDE.finditer(text):
            target = resolve(p, match.group(1), by_path, by_name)
            if target is None:
                continue
            included = unit_of(target, root)
            if included != unit:
                line = text.count("\n", 0, match.start()) + 1
                where = f"{p.relative_to(root).as_posix()}:{line}"
                graph[unit].setdefault(included, where)
    return graph


def resolve(including, name, by_path, by_name):
    # Beside the including file first, as the compiler looks; then by file name
    # anywhere in the tree (the targets export their folders).
    beside = (including.parent / name).resolve()
    if beside in by_path:
        return by_path[beside]
    candidates = [p for p in by_name.get(pathlib.PurePath(name).name, [])
                  if p.as_posix().endswith("/" + name)]
    return candidates[0] if len(candidates) == 1 else None


def loops(graph):
    """The strongly connected groups of more than one unit (Tarjan), each sorted."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    counter = [0]

    def visit(unit):
        # Iterative, so a long chain of includes cannot exhaust Python's stack.
        work = [(unit, iter(sorted(graph[unit])))]
        index[unit] = low[unit] = counter[0]
        counter[0] += 1
        stack.append(unit)
        on_stack.add(unit)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is not None:
                if child not in index:
                    index[child] = low[child] = counter[0]
                    counter[0] += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(graph[child]))))
                elif child in on_stack:
                    low[node] = min(low[node], index[child])
                continue
            work.pop()
            if work:
                parent = work[-1][0]
                low[parent] = min(low[parent], low[node])
            if low[node] == index[node]:
                group = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    group.append(member)
                    if member == node:
                        break
                if len(group) > 1:
                    found.append(sorted(group))

    for unit in sorted(graph):
        if unit not in index:
            visit(unit)
    return sorted(found)


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    root = pathlib.Path(argv[1]).resolve()
    graph = read_units(root)
    if not graph:
        print(f"no sources under {root}", file=sys.stderr)
        return 2
    groups = loops(graph)
    for group in groups:
        members = set(group)
        print("include loop: " + " <-> ".join(group))
        for unit in group:
            for included, where in sorted(graph[unit].items()):
                if included in members:
                    print(f"  {where} includes {included}")
    if groups:
        return 1
    print(f"{len(graph)} units, no include loop")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
