#!/usr/bin/env python3
"""Opening and walking a hive from Python against quarvex-cli ls -R -v of the same hive.

    PYTHONPATH=build-py/python /usr/bin/python3 bench/python_walk.py [--cli build-py/cli/quarvex-cli]
        [--hivegen build-py/tools/quarvex-hivegen] [--runs 5] [HIVE]

Without HIVE, the 13 MB generated system hive (quarvex-hivegen --kind system --keys 100000
--seed 12) is made in a temporary folder. The walk reads what ls -R -v prints: every key's
name, every value's name, type and data as text. Prints the median wall-clock time of each and
their ratio; it measures, it asserts nothing.
"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

import quarvex


def walk(path):
    hive = quarvex.open(path)
    n = 0
    for key in hive.walk():
        key.name
        for value in key.values:
            value.name, value.type, value.display
            n += 1
    return n


def median_seconds(run, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", default="build-py/cli/quarvex-cli")
    parser.add_argument("--hivegen", default="build-py/tools/quarvex-hivegen")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("hive", nargs="?")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as work:
        path = args.hive
        if not path:
            path = os.path.join(work, "BIG.DAT")
            subprocess.run([args.hivegen, "--kind", "system", "--keys", "100000", "--seed", "12", "-o", path], check=True,
                           capture_output=True)
        values = walk(path)
        python = median_seconds(lambda: walk(path), args.runs)
        with open(os.devnull, "wb") as null:
            cli = median_seconds(lambda: subprocess.run([args.cli, "ls", "-R", "-v", path], stdout=null, check=True),
                                 args.runs)
        print(f"{path}: {os.path.getsize(path):,} bytes, {values:,} values; median of {args.runs} runs")
        print(f"python open + walk: {python:.3f} s")
        print(f"quarvex-cli ls -R -v: {cli:.3f} s")
        print(f"ratio: {python / cli:.2f}x")


if __name__ == "__main__":
    sys.exit(main())
