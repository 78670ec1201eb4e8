#!/usr/bin/env python3
"""Runs commands as whole processes and prints the median wall time, CPU time (user + system)
and peak resident memory of each over several runs, after one warm-up run. Each run is reaped
with wait4, which gives its CPU times to the microsecond whatever else the machine runs; the
peak memory comes from GNU time, which the command runs under (a process forked from this
one would count this interpreter's memory as its own until it starts the command).

Input on standard input, one command a line: NAME<TAB>ARG<TAB>ARG...
Output: NAME WALL CPU PEAK_KIB per line.
    bench/run_figures.py RUNS < commands
"""
import os
import statistics
import sys
import tempfile
import time

PEAK_FILE = tempfile.NamedTemporaryFile(prefix="run-figures-", delete=False).name


def run_once(argv):
    start = time.perf_counter()
    pid = os.fork()
    if pid == 0:
        try:
            devnull = os.open(os.devnull, os.O_RDWR)
            os.dup2(devnull, 1)
            os.dup2(devnull, 2)
            os.execv("/usr/bin/time", ["/usr/bin/time", "-f", "%M", "-o", PEAK_FILE] + argv)
        finally:
            os._exit(127)
    _, _, usage = os.wait4(pid, 0)
    wall = time.perf_counter() - start
    with open(PEAK_FILE) as f:
        peak = int(f.read().split()[-1])
    return wall, usage.ru_utime + usage.ru_stime, peak


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 7
    for line in sys.stdin:
        line = line.rstrip("\n")
        if not line:
            continue
        name, *argv = line.split("\t")
        run_once(argv)  # warm-up: the files in the page cache
        results = [run_once(argv) for _ in range(runs)]
        print(name, f"{statistics.median(r[0] for r in results):.4f}",
              f"{statistics.median(r[1] for r in results):.4f}",
              int(statistics.median(r[2] for r in results)))


if __name__ == "__main__":
    try:
        main()
    finally:
        os.unlink(PEAK_FILE)
