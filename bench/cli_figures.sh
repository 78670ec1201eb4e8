#!/usr/bin/env bash
# Whole-process figures of quarvex-cli beside `cat` of the same file, all in one sitting: wall
# time, CPU time (user + system) and peak memory, the median of RUNS runs of each (one warm-up
# run first, so every file is in the page cache), and the ratios the performance goals are
# stated in (the job to `cat`, check and recover to the default job, the --all report's output
# rate). Never asserted anywhere: this prints a Markdown table.
#   bench/cli_figures.sh [BUILD_DIR] [RUNS] [HIVE]
# Without HIVE, a generated system.dat-style hive of 13.7 MB and 100,000 keys (seed 12).
set -euo pipefail
build="${1:-build-rel}"
runs="${2:-7}"
cli="$build/cli/quarvex-cli"
[ -x /usr/bin/time ] || { echo "needs GNU time (apt-get install time)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
hive="${3:-}"
if [ -z "$hive" ]; then
  hive="$work/big.dat"
  "$build/tools/quarvex-hivegen" --kind system --keys 100000 --seed 12 -o "$hive"
fi

# NAME, then the command's words, tab-separated; bench/run_figures.py runs each (one warm-up,
# then RUNS runs) and prints the medians: wall time, CPU time (user + system, the child's own,
# to the microsecond) and peak memory. CPU time is the figure to compare on a machine that
# others share; wall time there includes waiting for a core.
tab=$'\t'
# The machine's own speed for the full report: its text copied into a new file by cat, the
# same number of bytes written through the same file system.
"$cli" --all -o "$work/written.txt" "$hive"
# The least any reader that holds the file must spend: dd reading it with one read into a buffer of
# the file's size (fresh memory, which the kernel clears before the copy).
bytes=$(stat -c %s "$hive")
{
  echo "cat${tab}cat${tab}$hive"
  echo "read-whole${tab}dd${tab}if=$hive${tab}of=/dev/null${tab}bs=$bytes${tab}count=1${tab}status=none"
  echo "version${tab}$cli${tab}--version"
  echo "load+index${tab}$cli${tab}--no-analysis${tab}-o${tab}$work/r0.txt${tab}$hive"
  echo "default${tab}$cli${tab}-o${tab}$work/r1.txt${tab}$hive"
  echo "default-932${tab}$cli${tab}--codepage${tab}932${tab}-o${tab}$work/r2.txt${tab}$hive"
  echo "all${tab}$cli${tab}--all${tab}-o${tab}$work/r3.txt${tab}$hive"
  echo "cat-report${tab}sh${tab}-c${tab}cat '$work/written.txt' > '$work/copy.txt'"
  echo "check${tab}$cli${tab}check${tab}$hive"
  echo "recover${tab}$cli${tab}recover${tab}$hive"
  echo "ls-R-v${tab}$cli${tab}ls${tab}-R${tab}-v${tab}$hive"
} | python3 "$(dirname "$0")/run_figures.py" "$runs" > "$work/figures"

"$cli" --all -o "$work/r3.txt" "$hive"
awk -v file="$(stat -c %s "$hive")" -v report="$(stat -c %s "$work/r3.txt")" -v runs="$runs" '
  { wall[$1] = $2; cpu[$1] = $3; peak[$1] = $4; order[NR] = $1 }
  END {
    printf "hive: %.1f MB; median of %d runs\n\n", file / 1e6, runs
    print "| work | wall (s) | CPU (s) | peak (MiB) | wall ÷ cat | CPU ÷ cat | CPU ÷ default job |"
    print "|---|---:|---:|---:|---:|---:|---:|"
    for (i = 1; i <= NR; ++i) {
      m = order[i]
      printf "| %s | %.4f | %.4f | %.1f | %.1f | %.1f | %.2f |\n", m, wall[m], cpu[m], peak[m] / 1024,
             wall[m] / wall["cat"], cpu[m] / cpu["cat"], cpu[m] / cpu["default"]
    }
    printf "\n--all report: %.1f MB of text; %.0f MB/s of output by wall time, %.0f MB/s by CPU time (whole process)\n",
           report / 1e6, report / 1e6 / wall["all"], report / 1e6 / cpu["all"]
    printf "the same text copied into a new file by cat: %.0f MB/s by wall time, %.0f MB/s by CPU time\n",
           report / 1e6 / wall["cat-report"], report / 1e6 / cpu["cat-report"]
    printf "peak memory of the default job: %.2f x the file; of the process before it reads anything (--version): %.1f MiB\n",
           peak["default"] * 1024 / file, peak["version"] / 1024
  }' "$work/figures"
