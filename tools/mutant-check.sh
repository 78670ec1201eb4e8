#!/usr/bin/env bash
# How well `quarvex-cli check` finds damage: every one-field mutant of a sound hive
# (fuzz/one_field_mutants.py) is reported as the job reports it, and checked. A mutant whose
# report differs from the sound hive's, or whose job fails, is damaged in a way the report
# shows; the share of those that `check` flags with at least one damage finding (exit 4, or
# 1 when the file is no hive at all) is the figure. The ones that slip are listed with the
# check's warnings for them.
#   tools/mutant-check.sh [CLI] [HIVE] [STRIDE] [WORKDIR]
# CLI defaults to build-x/cli/quarvex-cli, HIVE to tests/data/USER.DAT; STRIDE N keeps every
# Nth mutant only (1: all of them, about 100,000 for the real user.dat). JOBS sets how many
# run at once (default 2). Mutants are made in memory and written to one file per worker,
# under the sound hive's own name: the report names the file.
set -euo pipefail
cd "$(dirname "$0")/.."
cli=$(realpath "${1:-build-x/cli/quarvex-cli}")
hive=$(realpath "${2:-tests/data/USER.DAT}")
stride=${3:-1}
work=${4:-$(mktemp -d)}
mkdir -p "$work"
exec python3 - "$cli" "$hive" "$stride" "$work" "${JOBS:-2}" <<'PY'
import concurrent.futures, os, subprocess, sys, threading
sys.path.insert(0, "fuzz")
from one_field_mutants import mutants

cli, hive_path, stride, work, jobs = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4], int(sys.argv[5])
name = os.path.basename(hive_path)
sound = open(hive_path, "rb").read()
NOW = ["--now", "2026-12-07T10:00:00"]

def report_of(folder):
    """The job's report of folder/name, or None when the job fails."""
    run = subprocess.run([cli, *NOW, "-o", "report.txt", name], cwd=folder, capture_output=True)
    if run.returncode != 0:
        return None
    with open(os.path.join(folder, "report.txt"), "rb") as f:
        return f.read()

def slot():
    local = threading.local()
    def get():
        if not hasattr(local, "dir"):
            local.dir = os.path.join(work, f"slot-{threading.get_ident()}")
            os.makedirs(local.dir, exist_ok=True)
        return local.dir
    return get
slot_dir = slot()

os.makedirs(os.path.join(work, "sound"), exist_ok=True)
with open(os.path.join(work, "sound", name), "wb") as f:
    f.write(sound)
reference = report_of(os.path.join(work, "sound"))
if reference is None:
    sys.exit("the sound hive's job fails: no reference report")
sound_lines = set(subprocess.run([cli, "check", name], cwd=os.path.join(work, "sound"), capture_output=True,
                                 text=True, errors="replace").stdout.splitlines())

def one(item):
    at, size, value, mutant = item
    folder = slot_dir()
    with open(os.path.join(folder, name), "wb") as f:
        f.write(mutant)
    report = report_of(folder)
    shown = "fails" if report is None else ("same" if report == reference else "differs")
    check = subprocess.run([cli, "check", name], cwd=folder, capture_output=True, text=True, errors="replace")
    # What check says of the mutant beyond what it says of the sound hive.
    warnings = [l.split(": ", 1)[1] for l in check.stdout.splitlines()
                if (": warning: " in l or ": note: " in l) and l not in sound_lines]
    return f"{at:06x}-{size}-{value:x}", shown, check.returncode, warnings

picked = (m for i, m in enumerate(mutants(sound)) if i % stride == 0)
total = shows = found = quiet = 0
slips = []
with open(os.path.join(work, "results.tsv"), "w") as out, concurrent.futures.ThreadPoolExecutor(jobs) as pool:
    # map() takes its whole input at once: feed it a batch at a time, so that only a batch of
    # mutants is ever held in memory.
    def results():
        batch = []
        for m in picked:
            batch.append(m)
            if len(batch) == 256:
                yield from pool.map(one, batch)
                batch = []
        yield from pool.map(one, batch)
    for label, shown, status, warnings in results():
        total += 1
        out.write(f"{label}\t{shown}\t{status}\n")
        flagged = status in (1, 4)
        if shown != "same":
            shows += 1
            found += flagged
            if not flagged:
                slips.append((label, shown, status, warnings))
        elif flagged:
            quiet += 1
share = 100.0 * found / shows if shows else 100.0
print(f"{total} mutants of {name}" + (f" (every {stride}th)" if stride > 1 else "") +
      f"; {shows} change or fail the report; {found} of those get a damage finding from check ({share:.2f}%)")
print(f"{quiet} mutants leave the report as it was and are still flagged as damage")
for label, shown, status, warnings in slips:
    print(f"slip: {label}: report {shown}, check exit {status}: " + ("; ".join(warnings) or "nothing found"))
print(f"results: {work}/results.tsv")
PY
