#!/usr/bin/env python3
"""Checks that every file under src/ includes only folders its folder may use.

The rules are in layers.rules beside this script (see its head for the form).
Prints one line per broken rule and exits 1; exits 0 when all hold.

    check_layers.py [--src DIR] [--rules FILE]
"""

import argparse
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".c")
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]')


class Rules:
    def __init__(self):
        self.allowed = {}  # folder -> set of folders, or {"*"}
        self.exceptions = {}  # (file, included file) -> line number in the rules
        self.problems = []


def read_rules(path):
    rules = Rules()
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.split("#", 1)[0].strip()
            if not line:
                continue
            where = f"{path}:{number}"
            key, colon, rest = line.partition(":")
            if not colon:
                rules.problems.append(f"{where}: not 'folder: folders'")
                continue
            key = key.strip()
            if key.startswith("except "):
                file, included = key[len("except "):].strip(), rest.strip()
                if not file or len(included.split()) != 1:
                    rules.problems.append(f"{where}: not 'except FILE: INCLUDED_FILE'")
                    continue
                rules.exceptions[(file, included)] = number
                continue
            if key in rules.allowed:
                rules.problems.append(f"{where}: a second line for '{key}'")
            rules.allowed[key] = set(rest.split())
    for folder, uses in rules.allowed.items():
        for used in uses - {"*"}:
            if used not in rules.allowed:
                rules.problems.append(f"{path}: '{folder}' may use '{used}', which has no line")
    cycle = find_cycle(rules.allowed)
    if cycle:
        rules.problems.append(f"{path}: the arrows run in a circle: {' -> '.join(cycle)}")
    return rules


def find_cycle(allowed):
    def uses(folder):
        u = allowed.get(folder, set())
        return sorted(set(allowed) - {folder}) if "*" in u else sorted(u - {folder})

    state = {}  # folder -> 1 on the path, 2 done

    def visit(folder, path):
        state[folder] = 1
        for used in uses(folder):
            if state.get(used) == 1:
                return path[path.index(used):] + [used]
            if used in allowed and used not in state:
                found = visit(used, path + [used])
                if found:
                    return found
        state[folder] = 2
        return None

    for folder in sorted(allowed):
        if folder not in state:
            found = visit(folder, [folder])
            if found:
                return found
    return None


def owner(folder, allowed):
    """The folder whose line rules `folder`: itself or its nearest parent."""
    while folder:
        if folder in allowed:
            return folder
        folder = os.path.dirname(folder)
    return None


def resolve(name, including_dir, src):
    """The included file as a path relative to src, or None if outside it."""
    for base in (including_dir, src):
        candidate = os.path.normpath(os.path.join(base, name))
        if os.path.isfile(candidate):
            rel = os.path.relpath(candidate, src)
            return None if rel.startswith("..") else rel
    return None


def check(src, rules):
    problems = list(rules.problems)
    used_exceptions = set()
    src = os.path.abspath(src)
    for dirpath, dirnames, filenames in os.walk(src):
        dirnames.sort()
        folder = os.path.relpath(dirpath, src)
        sources = sorted(f for f in filenames if f.endswith(SOURCE_SUFFIXES))
        if folder == "." or not sources:
            if folder == "." and sources:
                problems.append(f"src/{sources[0]}: a file outside every folder of src/")
            continue
        mine = owner(folder, rules.allowed)
        if mine is None:
            problems.append(f"src/{folder}/: no line in the rules (which folders may it use?)")
            continue
        may = rules.allowed[mine]
        for name in sources:
            shown = f"src/{folder}/{name}"
            with open(os.path.join(dirpath, name), encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    target = resolve(m.group(1), dirpath, src)
                    if target is None:
                        continue  # a library's header, or one the compiler will not find
                    theirs = owner(os.path.dirname(target), rules.allowed)
                    if theirs is None or theirs == mine or "*" in may or theirs in may:
                        continue  # a folder without a line is reported above
                    if (shown, target) in rules.exceptions:
                        used_exceptions.add((shown, target))
                        continue
                    problems.append(f"{shown}:{number}: includes \"{m.group(1)}\", "
                                    f"but {mine} may not use {theirs}")
    for key, number in sorted(rules.exceptions.items(), key=lambda kv: kv[1]):
        if key not in used_exceptions:
            problems.append(f"exception at line {number} of the rules is no longer needed "
                            f"({key[0]} does not include {key[1]}): delete it")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--src", default=os.path.join(HERE, "..", "..", "src"))
    parser.add_argument("--rules", default=os.path.join(HERE, "layers.rules"))
    args = parser.parse_args()
    problems = check(args.src, read_rules(args.rules))
    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} broken layer rule(s); the rules: {os.path.relpath(args.rules)}")
        return 1
    print("every include keeps to the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
