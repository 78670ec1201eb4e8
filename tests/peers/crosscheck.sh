#!/usr/bin/env bash
# Exports every cross-check shape (and the real user.dat when it is there) with quarvex-cli,
# cregexport (libcreg) and regexport.pl (Parse::Win32Registry), and compares the three with
# crosscheck.py. Exit 77 (skipped) when a peer is not installed.
#   crosscheck.sh QUARVEX_CLI PEER_SHAPES [REAL_USER_DAT]
set -uo pipefail
cli=$1 shapes=$2 real=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
regexport=/usr/share/doc/libparse-win32registry-perl/examples/regexport.pl
if ! command -v cregexport > /dev/null || [ ! -f "$regexport" ] || ! command -v python3 > /dev/null; then
  echo "SKIPPED: cregexport (libcreg-utils), regexport.pl (libparse-win32registry-perl) or python3 missing"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$shapes" "$work" || exit 1

# Shape, then the known rules expected of cregexport and of regexport.pl (see crosscheck.py).
expectations=(
  "user-60               -                         -"
  "user-1500             -                         lost-1252"
  "system-3000           -                         lost-1252"
  "value-forms           -                         short-dword"
  "double-byte-names     -                         lost-1252"
  "keys-without-records  unnamed-key,stops-record-missing  unnamed-key"
  "value-runs-past-record stops-value-past-record  -"
  "type-high-word        type-high-word            type-high-word"
  "key-node-at-block-end stops-rgkn-end            -"
  "free-record-smaller-than-header stops-small-free-record -"
)
if [ -n "$real" ] && [ -f "$real" ]; then
  cp "$real" "$work/real-user.dat"
  expectations+=("real-user             -                         -")
else
  echo "note: the real user.dat is not here; its check is left out"
fi

failed=0
for row in "${expectations[@]}"; do
  read -r shape creg perl <<< "$row"
  [ "$creg" = "-" ] && creg=""
  [ "$perl" = "-" ] && perl=""
  hive=$work/$shape.dat
  # Our export goes to standard output; its findings (standard error) are comments in it too.
  "$cli" --export - --encoding native --codepage 932 "$hive" > "$work/$shape.reg" 2> /dev/null
  cregexport -c windows-932 "$hive" > "$work/$shape.creg" 2> "$work/$shape.creg.err"
  perl "$regexport" "$hive" -r > "$work/$shape.pl" 2> "$work/$shape.pl.err"
  python3 "$here/crosscheck.py" "$shape" "$work/$shape.reg" "$work/$shape.creg" "$work/$shape.creg.err" \
          "$work/$shape.pl" "$work/$shape.pl.err" "$creg" "$perl" || failed=1
done
[ $failed -eq 0 ] && echo "the three exports agree on every shape, known peer faults apart"
exit $failed
