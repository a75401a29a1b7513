#!/usr/bin/python3
"""Checks the product's include structure; exits 1 with the reasons when it
is broken, 0 when it holds.

A unit is a source with its header (platform/Dialog.h and Dialog.cpp). Two
rules:
- no include cycle among units, but for a class and its private
  implementation (PAIRS below);
- layers never look up: platform/ is the lowest, then res/, connection/,
  transfer/ and app/; a unit includes only units of its own layer or below,
  but for the arrows the design calls for (UPWARD below).

    tools/check-layers.py [SOURCE_DIR]
"""

import os
import re
import sys

LAYERS = ["platform", "res", "connection", "transfer", "app"]

# A class and its private implementation may include each other.
PAIRS = {frozenset({"connection/Ftp", "connection/FtpConnectionImpl"})}

# The connection dialog logs in and then runs the operations menu, writing
# the state the operations share.
UPWARD = {("connection/IPAdd", "transfer")}

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)


def units(root):
    found = {}
    for layer in LAYERS:
        folder = os.path.join(root, layer)
        for dirpath, _, files in os.walk(folder):
            for name in files:
                stem, ext = os.path.splitext(name)
                if ext not in (".h", ".cpp"):
                    continue
                path = os.path.join(dirpath, name)
                unit = os.path.relpath(os.path.join(dirpath, stem), root)
                found.setdefault(unit, []).append(path)
    return found


def edges(root, found):
    graph = {unit: set() for unit in found}
    for unit, paths in found.items():
        for path in paths:
            with open(path, encoding="utf-8") as source:
                for included in INCLUDE.findall(source.read()):
                    target = os.path.splitext(os.path.normpath(included))[0]
                    if target in found and target != unit:
                        graph[unit].add(target)
    return graph


def cycles(graph):
    """Strongly connected components of more than one unit (Tarjan)."""
    index, low, stack, on_stack, result = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in sorted(graph[v]):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = set()
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.add(w)
                if w == v:
                    break
            if len(component) > 1:
                result.append(component)

    sys.setrecursionlimit(10000)
    for v in sorted(graph):
        if v not in index:
            visit(v)
    return result


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), ".."))
    found = units(root)
    graph = edges(root, found)
    problems = []

    for component in cycles(graph):
        if frozenset(component) in PAIRS:
            continue
        problems.append("include cycle: " + " <-> ".join(sorted(component)))

    for unit, targets in sorted(graph.items()):
        rank = LAYERS.index(unit.split("/")[0])
        for target in sorted(targets):
            layer = target.split("/")[0]
            if LAYERS.index(layer) > rank and (unit, layer) not in UPWARD:
                problems.append(f"{unit} looks up to {target}")

    for problem in problems:
        print(problem)
    if problems:
        return 1
    print(f"{len(found)} units: no include cycle, no layer looks up")
    return 0


if __name__ == "__main__":
    sys.exit(main())
