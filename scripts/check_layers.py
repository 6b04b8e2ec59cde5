#!/usr/bin/env python3
"""Checks the #include lines of src/ against the layer table in CMakeLists.txt.

A file in a layer may include headers of its own layer and of the layers the
table names for it; nothing else of src/. Include circles between files (a
header and its .cpp count as one unit) are refused as well.

Usage: check_layers.py SOURCE_DIR
       check_layers.py --self-test SOURCE_DIR   (proves the check fails on a wrong include)
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def read_table(source_dir):
    """The sonvale_layer(NAME DEPS...) calls of CMakeLists.txt, in order."""
    with open(os.path.join(source_dir, "CMakeLists.txt"), encoding="utf-8") as f:
        text = f.read()
    table = {}
    for m in re.finditer(r"^\s*sonvale_layer\(([^)]*)\)", text, re.M):
        words = m.group(1).split()
        name, deps = words[0], words[1:]
        for d in deps:
            if d not in table:
                return None, f"layer {name} names {d}, which is not declared before it"
        table[name] = set(deps)
    if not table:
        return None, "no sonvale_layer(...) lines in CMakeLists.txt"
    return table, None


def unit_of(path):
    return os.path.splitext(path)[0]


def check(table, files):
    """files: {"audio/Foo.cpp": text}. Returns a list of problems."""
    problems = []
    edges = {}
    for path, text in sorted(files.items()):
        layer = path.split("/")[0]
        if layer not in table:
            problems.append(f"{path}: folder {layer} is not in the layer table")
            continue
        for inc in INCLUDE.findall(text):
            if "/" not in inc:
                inc = f"{layer}/{inc}"
            target = inc.split("/")[0]
            if target not in table:
                continue  # not ours (generated or third-party)
            if target != layer and target not in table[layer]:
                problems.append(f"{path}: includes {inc}; layer {layer} may include "
                                f"only {' '.join(sorted(table[layer])) or 'itself'}")
            if unit_of(inc) != unit_of(path):
                edges.setdefault(unit_of(path), set()).add(unit_of(inc))
    problems += [f"include circle: {' -> '.join(c)}" for c in circles(edges)]
    return problems


def circles(edges):
    found, state, stack = [], {}, []

    def visit(node):
        state[node] = 1
        stack.append(node)
        for nxt in sorted(edges.get(node, ())):
            if state.get(nxt) == 1:
                found.append(stack[stack.index(nxt):] + [nxt])
            elif nxt not in state:
                visit(nxt)
        stack.pop()
        state[node] = 2

    for node in sorted(edges):
        if node not in state:
            visit(node)
    return found


def load(source_dir):
    src = os.path.join(source_dir, "src")
    files = {}
    for root, _, names in os.walk(src):
        for n in names:
            if n.endswith((".h", ".cpp")):
                full = os.path.join(root, n)
                with open(full, encoding="utf-8", errors="replace") as f:
                    files[os.path.relpath(full, src).replace(os.sep, "/")] = f.read()
    return files


def main(argv):
    self_test = "--self-test" in argv
    args = [a for a in argv if a != "--self-test"]
    if len(args) != 1:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    table, err = read_table(args[0])
    if err:
        print(err, file=sys.stderr)
        return 1
    files = load(args[0])
    if self_test:
        # The lowest layer reaching up, and a two-file circle, must both be caught.
        lowest, highest = next(iter(table)), list(table)[-1]
        files[f"{lowest}/Wrong.cpp"] = f'#include "{highest}/Anything.h"\n'
        files[f"{lowest}/A.h"] = '#include "B.h"\n'
        files[f"{lowest}/B.h"] = '#include "A.h"\n'
        problems = check(table, files)
        caught = (any("Wrong.cpp" in p for p in problems)
                  and any("circle" in p and "/A" in p for p in problems))
        print("wrong include and circle caught" if caught else "\n".join(problems) or "nothing caught")
        return 0 if caught else 1
    problems = check(table, files)
    for p in problems:
        print(p)
    print(f"{len(files)} files, {len(table)} layers: "
          f"{'ok' if not problems else str(len(problems)) + ' problem(s)'}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
