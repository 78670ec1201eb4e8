#!/usr/bin/env bash
# find over a large hive: whole-process wall time, CPU time and peak memory of each kind of
# pattern, the median of RUNS runs (one warm-up first), beside the salvage reader's own load
# (ls of the top keys) and `cat`. The hive is a generated system.dat-style one of 100,000 keys
# (seed 12) with LARGE values of nearly 64 KiB of binary data each, the values where a
# backtracking regular expression engine crashed or stalled. Never asserted: prints a
# Markdown table.
#   bench/find_figures.sh [BUILD_DIR] [RUNS] [LARGE]
set -euo pipefail
build="${1:-build-rel}"
runs="${2:-7}"
large="${3:-4}"
cli="$build/cli/quarvex-cli"
[ -x /usr/bin/time ] || { echo "needs GNU time (apt-get install time)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
hive="$work/big.dat"
"$build/tools/quarvex-hivegen" --kind system --keys 100000 --seed 12 --large-binaries "$large" -o "$hive"

tab=$'\t'
{
  echo "cat${tab}cat${tab}$hive"
  echo "ls (load and salvage)${tab}$cli${tab}ls${tab}$hive"
  echo "find text${tab}$cli${tab}find${tab}$hive${tab}vendor"
  echo "find --data text (inside binary too)${tab}$cli${tab}find${tab}--data${tab}$hive${tab}cache00042"
  echo "find --regex '.*'${tab}$cli${tab}find${tab}--regex${tab}$hive${tab}.*"
  echo "find --data --regex '(a*)*b'${tab}$cli${tab}find${tab}--data${tab}--regex${tab}$hive${tab}(a*)*b"
  echo "find --data --regex '(x+x+)+y'${tab}$cli${tab}find${tab}--data${tab}--regex${tab}$hive${tab}(x+x+)+y"
  echo "find --hex '4D 5A ?? 00'${tab}$cli${tab}find${tab}--hex${tab}$hive${tab}4D 5A ?? 00"
  echo "find --hex, 70 bytes${tab}$cli${tab}find${tab}--hex${tab}$hive${tab}$(printf '00 %.0s' $(seq 69))01"
} | python3 "$(dirname "$0")/run_figures.py" "$runs" > "$work/figures"

hits() { "$cli" find "${@:1:$#-1}" "$hive" "${!#}" 2> /dev/null | wc -l; }  # options, then the pattern
printf "hive: %.1f MB, 100,000 keys, %d values of 65,000 bytes; median of %d runs\n\n" \
       "$(echo "$(stat -c %s "$hive") / 1000000" | bc -l)" "$large" "$runs"
echo "| work | wall (s) | CPU (s) | peak (MiB) |"
echo "|---|---:|---:|---:|"
while IFS=' ' read -r -a fields; do
  n=${#fields[@]}
  name="${fields[*]:0:n-3}"
  printf "| %s | %.3f | %.3f | %.1f |\n" "$name" "${fields[n-3]}" "${fields[n-2]}" "$(echo "${fields[n-1]} / 1024" | bc -l)"
done < "$work/figures"
echo
echo "hits: '.*' $(hits --regex '.*'), '(a*)*b' $(hits --data --regex '(a*)*b'), '4D 5A ?? 00' $(hits --hex '4D 5A ?? 00'), cache00042 $(hits --data cache00042)"
