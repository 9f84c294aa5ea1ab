#!/usr/bin/env python3
"""Reports loops between units of the source tree.

A unit is a header and its source file taken together (src/net/messages.h and
src/net/messages.cc are the unit net/messages). Unit A depends on unit B when
a file of A includes B's header. Every group of units that reach each other
through such includes is printed with the includes that close it; the exit
status is 1 when there is one.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
INCLUDE = re.compile(r'^#include "([^"]+)\.h"', re.M)


def units():
    deps = {}
    for top in ("src", "tools"):
        for path in sorted((ROOT / top).rglob("*")):
            if path.suffix not in (".h", ".cc"):
                continue
            unit = str(path.relative_to(ROOT / top).with_suffix(""))
            deps.setdefault(unit, set())
            for target in INCLUDE.findall(path.read_text(errors="replace")):
                if target != unit:
                    deps[unit].add(target)
    return {u: {t for t in ts if t in deps} for u, ts in deps.items()}


def strongly_connected(deps):
    """Tarjan's algorithm, iterative, over `deps`."""
    index, low, on_stack, stack, groups = {}, {}, set(), [], []
    counter = 0
    for start in deps:
        if start in index:
            continue
        work = [(start, iter(sorted(deps[start])))]
        index[start] = low[start] = counter
        counter += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is None:
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
                        groups.append(sorted(group))
            elif child not in index:
                index[child] = low[child] = counter
                counter += 1
                stack.append(child)
                on_stack.add(child)
                work.append((child, iter(sorted(deps[child]))))
            elif child in on_stack:
                low[node] = min(low[node], index[child])
    return groups


def main():
    deps = units()
    groups = strongly_connected(deps)
    for group in groups:
        members = set(group)
        print(f"cycle check: {len(group)} units depend on each other:",
              file=sys.stderr)
        for unit in group:
            inside = sorted(deps[unit] & members)
            print(f"  {unit} -> {', '.join(inside)}", file=sys.stderr)
    if not groups:
        print(f"cycle check: no loops between {len(deps)} units")
    return 1 if groups else 0


if __name__ == "__main__":
    sys.exit(main())
