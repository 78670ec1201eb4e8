#!/usr/bin/env bash
# Runs two builds of quarvex-cli over the same inputs and compares every output byte for byte:
# the report (default options, every structure option, the pre-scan trace), the JSON, the
# REGEDIT4 export, the subcommands' outputs (check as text and JSON, ls -R -v, stats, facts,
# recover, timeline, summary) and each one's exit status. The inputs are the generator's shapes, the bundled
# sample, the real user.dat, the fuzz seeds and regression inputs, and one-byte mutants of a
# generated hive. Used to show that a change of the engine's shape changed no output.
#   tools/compare-builds.sh OLD_CLI NEW_CLI HIVEGEN [WORKDIR]
# NEW_OPTIONS (words) go to the new build only: an option that pins a default a change moved
# to the old default, e.g. NEW_OPTIONS="--codepage 932 --export-root HKEY_UNKNOWN" against a
# build from before the code page was detected and the export's root told by the content.
set -euo pipefail
cd "$(dirname "$0")/.."
old=$1 new=$2 hivegen=$3
work=${4:-$(mktemp -d)}
mkdir -p "$work/in" "$work/old" "$work/new"

for kind in user system; do
  for keys in 20 150 800 5000; do
    for seed in 1 1998; do
      "$hivegen" --kind "$kind" --keys "$keys" --seed "$seed" -o "$work/in/$kind-$keys-$seed.dat"
    done
  done
done
cp samples/USER-SAMPLE.DAT "$work/in/sample.dat"
[ -f tests/data/USER.DAT ] && cp tests/data/USER.DAT "$work/in/real-user.dat"
for f in fuzz/corpus/job/* fuzz/corpus/export/* fuzz/regressions/*/*; do
  cp "$f" "$work/in/$(basename "$(dirname "$f")")-$(basename "$f")"
done
# One-byte mutants: every 97th byte of the first 4 KiB and a spread over the rest.
python3 - "$work/in/user-150-1.dat" "$work/in" <<'EOF'
import sys, os
src, out = sys.argv[1], sys.argv[2]
data = open(src, 'rb').read()
offsets = list(range(0, min(len(data), 4096), 97)) + list(range(4096, len(data), len(data) // 40 or 1))
for at in offsets:
    for value in (0x00, 0xFF):
        m = bytearray(data)
        if m[at] == value:
            continue
        m[at] = value
        open(os.path.join(out, f"mutant-{at:06x}-{value:02x}.dat"), 'wb').write(m)
EOF

run() {
  local cli=$1 dir=$2 input=$3 name
  name=$(basename "$input")
  local common=(--now 2026-12-07T10:00:00)
  [ "$dir" = "$work/new" ] && [ -n "${NEW_OPTIONS:-}" ] && read -r -a extra <<< "$NEW_OPTIONS" && common+=("${extra[@]}")
  set +e
  "$cli" "${common[@]}" -o "$dir/$name.report" --partial "$input" 2> "$dir/$name.report.err"
  echo $? > "$dir/$name.report.rc"
  "$cli" "${common[@]}" -o "$dir/$name.all" --all --prescan --partial "$input" 2> /dev/null
  echo $? > "$dir/$name.all.rc"
  "$cli" "${common[@]}" -o "$dir/$name.json-report" --json "$dir/$name.json" "$input" 2> /dev/null
  echo $? > "$dir/$name.json.rc"
  "$cli" "${common[@]}" --export "$dir/$name.reg" --partial "$input" 2> "$dir/$name.reg.err"
  echo $? > "$dir/$name.reg.rc"
  "$cli" "${common[@]}" --export "$dir/$name.utf8.reg" --encoding utf-8 --partial "$input" 2> /dev/null
  echo $? > "$dir/$name.utf8.reg.rc"
  # The subcommands read no clock (no --now); each output is what it writes to standard output.
  sub "$cli" "$dir/$name.check.json" check --json - "$input"
  sub "$cli" "$dir/$name.check" check "$input"
  sub "$cli" "$dir/$name.ls" ls -R -v --json "$input"
  sub "$cli" "$dir/$name.stats" stats --json "$input"
  sub "$cli" "$dir/$name.facts" facts --json - "$input"
  sub "$cli" "$dir/$name.recover" recover --json - "$input"
  sub "$cli" "$dir/$name.timeline" timeline --json - "$input"
  sub "$cli" "$dir/$name.summary" summary "$input"
  set -e
}

# One subcommand's standard output into OUT and its exit status into OUT.rc (stderr left out).
sub() {
  local cli=$1 out=$2
  shift 2
  "$cli" "$@" > "$out" 2> /dev/null
  echo $? > "$out.rc"
}

count=0
for input in "$work"/in/*; do
  run "$old" "$work/old" "$input"
  run "$new" "$work/new" "$input"
  count=$((count + 1))
done
# The stderr of a failed job may say more than before (the finding); the outputs may not differ.
if diff -r -q -x '*.err' "$work/old" "$work/new"; then
  echo "compare-builds: $count inputs, every report, JSON, export, subcommand output and exit status identical"
else
  echo "compare-builds: outputs differ (see $work)" >&2
  exit 1
fi
