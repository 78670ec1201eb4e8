#!/usr/bin/env bash
# quarvex-cli side by side with the two other readers of the format that Debian packages,
# cregexport (libcreg) and regexport.pl (Parse::Win32Registry), on the same generated hives:
# whole-process wall time and peak memory (GNU time), the median of RUNS runs of each, all in
# one sitting; ratios against quarvex-cli's REGEDIT4 export. Prints a Markdown table.
# The hives come from quarvex-peer-shapes --bench, with every free record of under 20 bytes
# turned into slack, since cregexport stops reading a block at one.
#   bench/peers.sh [BUILD_DIR (built with tests, Release)] [RUNS]
set -euo pipefail
build=${1:-build-rel}
runs=${2:-5}
regexport=/usr/share/doc/libparse-win32registry-perl/examples/regexport.pl
[ -x /usr/bin/time ] || { echo "needs GNU time (apt-get install time)" >&2; exit 2; }
command -v cregexport > /dev/null && [ -f "$regexport" ] ||
  { echo "needs libcreg-utils and libparse-win32registry-perl (tools/install-deps.sh all)" >&2; exit 2; }
cli=$build/cli/quarvex-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tests/peers/quarvex-peer-shapes" --bench "$work"

# measure COMMAND...: the median wall time (seconds, from the clock in nanoseconds, since GNU
# time counts only hundredths) and the median peak memory (KiB, GNU time) of $runs runs.
measure() {
  local walls=() peaks=() start end
  for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    /usr/bin/time -f '%M' -o "$work/time" "$@" > "$work/out" 2> /dev/null || true
    end=$(date +%s%N)
    walls+=("$(awk -v n=$((end - start)) 'BEGIN { printf "%.4f", n / 1e9 }')")
    peaks+=("$(tail -n 1 "$work/time")")
  done
  local middle=$(( (runs + 1) / 2 ))
  echo "$(printf '%s\n' "${walls[@]}" | sort -g | sed -n "${middle}p") $(printf '%s\n' "${peaks[@]}" | sort -n | sed -n "${middle}p")"
}

echo "| hive | reader, mode | wall (s) | peak (MiB) | wall ÷ export | peak ÷ export |"
echo "|---|---|---:|---:|---:|---:|"
for hive in "$work"/bench-*.dat; do
  name=$(basename "$hive" .dat)
  name=${name#bench-?-}
  size=$(awk -v b="$(stat -c %s "$hive")" 'BEGIN { if (b >= 1048576) printf "%.1f MB", b / 1048576; else printf "%.0f KB", b / 1024 }')
  declare -A wall=() peak=()
  modes=("quarvex-cli REGEDIT4 export" "quarvex-cli analysis" "quarvex-cli analysis + --all report"
         "cregexport -c windows-932" "regexport.pl -r")
  read -r wall[0] peak[0] <<< "$(measure "$cli" --export "$work/out.reg" "$hive")"
  read -r wall[1] peak[1] <<< "$(measure "$cli" -o "$work/report.txt" "$hive")"
  read -r wall[2] peak[2] <<< "$(measure "$cli" --all -o "$work/report.txt" "$hive")"
  read -r wall[3] peak[3] <<< "$(measure cregexport -c windows-932 "$hive")"
  read -r wall[4] peak[4] <<< "$(measure perl "$regexport" "$hive" -r)"
  for i in 0 1 2 3 4; do
    awk -v h="$name ($size)" -v m="${modes[$i]}" -v w="${wall[$i]}" -v k="${peak[$i]}" -v w0="${wall[0]}" -v k0="${peak[0]}" \
        'BEGIN { printf "| %s | %s | %.3f | %.1f | %.1f | %.1f |\n", h, m, w, k / 1024, w / w0, k / k0 }'
  done
done
