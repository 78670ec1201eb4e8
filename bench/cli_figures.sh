#!/usr/bin/env bash
# Whole-process wall time and peak memory of quarvex-cli on a generated 12 MB / 100,000-key
# hive: median of five runs per mode. Usage: bench/cli_figures.sh [BUILD_DIR]
set -euo pipefail
build="${1:-build-rel}"
[ -x /usr/bin/time ] || { echo "needs GNU time (apt-get install time)" >&2; exit 2; }
hive=$(mktemp --suffix=.dat)
report=$(mktemp --suffix=.txt)
trap 'rm -f "$hive" "$report"' EXIT
"$build/tools/quarvex-hivegen" --kind system --keys 100000 --seed 12 -o "$hive"
printf '%-32s %10s %12s %12s\n' mode "wall (s)" "peak (MiB)" "report (MiB)"
for mode in "--no-analysis" "" "--all"; do
  runs=()
  for _ in 1 2 3 4 5; do
    runs+=("$(/usr/bin/time -f '%e %M' "$build/app/quarvex-cli" $mode -o "$report" "$hive" 2>&1 >/dev/null | tail -n 1)")
  done
  median=$(printf '%s\n' "${runs[@]}" | sort -n | sed -n 3p)
  read -r wall kib <<< "$median"
  awk -v m="load+index ${mode:-(default: analysis)}" -v w="$wall" -v k="$kib" -v r="$(stat -c %s "$report")" \
      'BEGIN { printf "%-32s %10s %12.1f %12.1f\n", m, w, k / 1024, r / 1048576 }'
done
