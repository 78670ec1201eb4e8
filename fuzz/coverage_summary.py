#!/usr/bin/env python3
"""Sums libFuzzer's -print_coverage=1 report per source folder: edges covered of all edges
of the functions in the files under each folder named, and the uncovered lines of one of them.

usage: TARGET -runs=0 -print_coverage=1 CORPUS 2>&1 | coverage_summary.py FOLDER... [--lines FOLDER]
"""
import re
import sys

args = sys.argv[1:]
show = args[args.index("--lines") + 1] if "--lines" in args else None
folders = [a for a in args if a != "--lines" and a != show] + ([show] if show else [])
totals = {f: [0, 0] for f in folders}
uncovered = []
current = None
for line in sys.stdin:
    m = re.match(r"(UN)?COVERED_FUNC: hits: \d+ edges: (\d+)/(\d+) .* (\S+):\d+$", line.strip())
    if m:
        current = next((f for f in folders if "/" + f + "/" in m.group(4)), None)
        if current:
            totals[current][0] += int(m.group(2))
            totals[current][1] += int(m.group(3))
        continue
    m = re.match(r"\s*UNCOVERED_PC: (\S+)", line)
    if m and show and current == show:
        uncovered.append(m.group(1).split("/" + show + "/")[-1])
for folder, (hit, total) in totals.items():
    print(f"{folder}/: {hit} of {total} edges ({100.0 * hit / max(total, 1):.1f} %)")
if show:
    print(f"uncovered in {show}/: " + ", ".join(sorted(set(uncovered))))
