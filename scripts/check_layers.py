#!/usr/bin/env python3
"""Fails when a folder of src/ includes a header of a folder above it, or of a folder beside it.

The folders are the layers of the program, lowest first; a layer may include its own headers and
those of any layer below it. Run from anywhere: python3 scripts/check_layers.py
"""
import os
import re
import sys

# Lowest first; folders on one row know nothing of each other.
LAYERS = [
    ["platform"],
    ["content", "settings"],
    ["character"],
    ["speech"],
    ["practice"],
    ["view"],
    ["app"],
]

INCLUDE = re.compile(r'^\s*#\s*include\s*"([a-z_]+)/')


def rank_of(folder):
    for rank, row in enumerate(LAYERS):
        if folder in row:
            return rank
    return None


def violations(src):
    found = []
    for root, _, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.join(root, name)
            folder = os.path.relpath(path, src).split(os.sep)[0]
            here = rank_of(folder)
            if here is None:
                found.append(f"{path}: folder '{folder}' is in no layer")
                continue
            with open(path, encoding="utf-8") as text:
                for number, line in enumerate(text, 1):
                    match = INCLUDE.match(line)
                    if not match or match.group(1) == folder:
                        continue
                    there = rank_of(match.group(1))
                    if there is None or there >= here:
                        found.append(f"{path}:{number}: {folder} includes {match.group(1)}")
    return found


def main():
    src = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
    found = violations(os.path.normpath(src))
    for line in found:
        print(line, file=sys.stderr)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
