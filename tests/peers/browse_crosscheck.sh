#!/usr/bin/env bash
# quarvex-cli ls -R, find and diff against Parse::Win32Registry's regtree.pl, regfind.pl and
# regdiff.pl (its examples folder) on the generated cross-check shapes and the real user.dat;
# browse_crosscheck.py compares them after normalising the formats. find is compared on key
# and value names (regfind.pl -k -v) with regular expressions, and on value data
# (regfind.pl -d) with words in the case they are stored in, where both read texts and the
# text inside binary data alike (browse_crosscheck.py says where they differ). Exit 77
# (skipped) when the peer is not installed.
#   browse_crosscheck.sh QUARVEX_CLI PEER_SHAPES [REAL_USER_DAT]
set -uo pipefail
cli=$1 shapes=$2 real=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
examples=/usr/share/doc/libparse-win32registry-perl/examples
if [ ! -f "$examples/regtree.pl" ] || ! command -v python3 > /dev/null; then
  echo "SKIPPED: regtree.pl (libparse-win32registry-perl) or python3 missing"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$shapes" "$work" > /dev/null || exit 1
[ -n "$real" ] && [ -f "$real" ] && cp "$real" "$work/real-user.dat"

check=$here/browse_crosscheck.py
failed=0
for hive in "$work"/*.dat; do
  shape=$(basename "$hive" .dat)
  echo "== $shape"
  python3 "$check" tree "$cli" "$hive" "$examples/regtree.pl" || failed=1
  for pattern in 'o.t' '^Name[0-9]$' 'Vendor00[0-4]'; do
    python3 "$check" find "$cli" "$hive" "$pattern" "$examples/regfind.pl" || failed=1
  done
  for word in Microsoft NOTEPAD example WINDOWS DISPLAY ZZZZ; do
    python3 "$check" find-data "$cli" "$hive" "$word" "$examples/regfind.pl" || failed=1
  done
done
for pair in "user-60 value-forms" "user-60 system-3000" "user-1500 user-60" "user-1500 system-3000"; do
  read -r a b <<< "$pair"
  echo "== diff $a $b"
  python3 "$check" diff "$cli" "$work/$a.dat" "$work/$b.dat" "$examples/regdiff.pl" || failed=1
done
[ $failed -eq 0 ] && echo "ls -R, find and diff agree with the peer on every shape, known peer differences apart"
exit $failed
