#!/bin/sh
# The same system.dat through its copies in a disk image: two backup cabinets (gcab) of older
# states and the live file, on a FAT16 volume made here (mkfs.fat, mtools). `history IMAGE`
# takes them oldest first by their members' dates, says when the cabinets were written, and
# names at each step what `diff` names between the same two files; `facts IMAGE` reads the same
# copies and marks the older ones. Skipped (77) without the tools.
#   history_image_test.sh QUARVEX_CLI QUARVEX_HIVEGEN WORKDIR
set -u
cli=$1 hivegen=$2 work=$3
for tool in mkfs.fat mmd mcopy gcab; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
export MTOOLS_SKIP_CHECK=1 LC_ALL=C TZ=UTC
fail() { echo "FAIL: $*"; exit 1; }

# The oldest state has 120 keys; a day later 10 were deleted; today 5 were added again.
mkdir -p rb1 rb2
"$hivegen" --kind system --keys 120 --seed 5 -o rb1/SYSTEM.DAT &&
"$hivegen" --kind system --keys 110 --seed 5 -o rb2/SYSTEM.DAT &&
"$hivegen" --kind system --keys 115 --seed 5 -o SYSTEM.DAT || fail "hivegen"
touch -d '2001-06-10 09:00:00' rb1/SYSTEM.DAT
touch -d '2001-06-12 09:30:00' rb2/SYSTEM.DAT
touch -d '2001-06-15 10:20:30' SYSTEM.DAT
(cd rb1 && gcab -c -n ../RB001.CAB SYSTEM.DAT >/dev/null) && (cd rb2 && gcab -c -n ../RB002.CAB SYSTEM.DAT >/dev/null) ||
  fail "gcab"
touch -d '2001-06-11 08:00:00' RB001.CAB
touch -d '2001-06-13 08:00:00' RB002.CAB
mkfs.fat -C -F 16 disk.img 16384 >/dev/null && mmd -i disk.img ::WINDOWS ::WINDOWS/SYSBCKUP &&
  mcopy -m -i disk.img SYSTEM.DAT ::WINDOWS/ && mcopy -m -i disk.img RB002.CAB RB001.CAB ::WINDOWS/SYSBCKUP/ ||
  fail "mtools"

"$cli" history disk.img >out 2>err || { cat err; fail "history disk.img"; }
copies=$(grep '^  \[' out)
# Each copy is named by its size and digests, those of the same bytes on disk.
grep -qxF "      $(wc -c <rb1/SYSTEM.DAT) bytes, SHA-256 $(sha256sum <rb1/SYSTEM.DAT | cut -d' ' -f1), MD5 $(md5sum <rb1/SYSTEM.DAT | cut -d' ' -f1)" out ||
  fail "the first copy's digests are not those of its bytes"
expected="  [1] disk.img::WINDOWS/SYSBCKUP/RB001.CAB::SYSTEM.DAT  2001-06-10 09:00:00 (cabinet member)  (the cabinet was written 2001-06-11 08:00:00)
  [2] disk.img::WINDOWS/SYSBCKUP/RB002.CAB::SYSTEM.DAT  2001-06-12 09:30:00 (cabinet member)  (the cabinet was written 2001-06-13 08:00:00)
  [3] disk.img::WINDOWS/SYSTEM.DAT  2001-06-15 10:20:30 (written)"
[ "$copies" = "$expected" ] || { echo "$copies"; fail "the copies are not listed oldest first with their dates"; }
# Each step names what diff names between the same two files.
for step in "1 2 rb1/SYSTEM.DAT rb2/SYSTEM.DAT" "2 3 rb2/SYSTEM.DAT SYSTEM.DAT"; do
  set -- $step
  "$cli" diff "$3" "$4" >want
  count=$(wc -l <want)
  [ "$count" -gt 0 ] || fail "the copies $3 and $4 do not differ"
  awk -v h="== [$1] -> [$2]: " 'index($0, h) == 1 { on = 1; next } /^== / { on = 0 } on && NF' out >got
  grep -qxF "== [$1] -> [$2]: $count changes" out || fail "step $1 -> $2 does not count $count changes"
  cmp -s want got || { diff want got | head; fail "step $1 -> $2 differs from diff"; }
done
grep -q '^- ' out && grep -q '^+ ' out || fail "no key removed or added is named"
# One copy named alone has the same history: its image's copies.
"$cli" history disk.img::WINDOWS/SYSTEM.DAT >alone 2>err || { cat err; fail "history of one copy"; }
[ "$(grep '^  \[' alone)" = "$expected" ] || { cat alone; fail "one copy named alone does not give its image's copies"; }

# facts IMAGE reads every copy, and tells the older ones as such: the newest first.
"$cli" facts --no-recovered disk.img >facts 2>err || { cat err; fail "facts disk.img"; }
heads=$(grep '^  \[[0-9]\] disk.img' facts)
expected="  [1] disk.img::WINDOWS/SYSTEM.DAT: system hive, the newest of 3 copies (2001-06-15 10:20:30, written)
  [2] disk.img::WINDOWS/SYSBCKUP/RB002.CAB::SYSTEM.DAT: system hive, older copy of [1] (2001-06-12 09:30:00, cabinet member)
  [3] disk.img::WINDOWS/SYSBCKUP/RB001.CAB::SYSTEM.DAT: system hive, older copy of [1] (2001-06-10 09:00:00, cabinet member)"
[ "$heads" = "$expected" ] || { echo "$heads"; fail "facts disk.img does not tell the copies apart"; }
# Two copies named: the same marks.
"$cli" facts --no-recovered disk.img::WINDOWS/SYSBCKUP/RB001.CAB::SYSTEM.DAT disk.img::WINDOWS/SYSTEM.DAT >named 2>err ||
  { cat err; fail "facts of two copies"; }
grep -qxF "  [1] disk.img::WINDOWS/SYSBCKUP/RB001.CAB::SYSTEM.DAT: system hive, older copy of [2] (2001-06-10 09:00:00, cabinet member)" named ||
  { head -8 named; fail "the older copy named first is not marked"; }
echo "history of disk.img: 3 copies oldest first, each step as diff names it; facts marks the older copies"
