#!/usr/bin/env bash
# Registry files carved from disk images built here with Debian's tools (mkfs.fat, mtools, dd,
# qemu-img), where no directory entry names them any more: a hive copied in and deleted, its
# directory entry then wiped (also read through a VMDK of the image); the same with a third of
# its clusters overwritten by random bytes; two hives back to back in free clusters; a hive in
# two pieces far apart; an image of zeros and one of random bytes. `hives --carve` must list
# each whole hive with an address that every command reads (byte-identical to the file
# written), and of a broken one only keys and values the original holds, each with its path
# where the key-node block survives.
#
# Usage: carve_images_test.sh QUARVEX_CLI QUARVEX_HIVEGEN WORK_DIR
# Exit 77 (skipped) when a tool is missing; ./test.sh installs them all.
set -euo pipefail
cli=$1 hivegen=$2 work=$3
for tool in mkfs.fat mcopy mdel dd python3 truncate qemu-img; do
  command -v "$tool" > /dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
rm -rf "$work" && mkdir -p "$work" && cd "$work"
export MTOOLS_SKIP_CHECK=1 LC_ALL=C TZ=UTC
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$hivegen" --kind system --keys 5000 --seed 11 -o A.DAT
"$hivegen" --kind user --keys 2500 --seed 12 -o B.DAT
"$hivegen" --kind system --keys 300 --seed 13 -o LIVE.DAT
size_a=$(stat -c %s A.DAT) size_b=$(stat -c %s B.DAT)
sectors() { echo $((($1 + 511) / 512)); }

# fresh IMAGE: a 64 MiB FAT16 volume with a live SYSTEM.DAT (the file system names it: never carved).
fresh() {
  rm -f "$1" && truncate -s 64M "$1" && mkfs.fat -F 16 -n CARVE "$1" > /dev/null
  mcopy -i "$1" LIVE.DAT ::/SYSTEM.DAT
}
# extract IMAGE OFFSET SIZE: the bytes there.
extract() { python3 -c "import sys; f=open(sys.argv[1],'rb'); f.seek(int(sys.argv[2])); sys.stdout.buffer.write(f.read(int(sys.argv[3])))" "$@"; }
# same_as ADDRESS FILE: check, ls -Rv and the bytes read through the address equal the file's.
same_as() {
  "$cli" check "$1" | sed "s|^$1|X|" > a.txt || true
  "$cli" check "$2" | sed "s|^$2|X|" > b.txt || true
  cmp -s a.txt b.txt || fail "check of $1 differs from that of $2"
  "$cli" ls -Rv "$1" > a.txt 2> /dev/null
  "$cli" ls -Rv "$2" > b.txt 2> /dev/null
  cmp -s a.txt b.txt || fail "ls -Rv of $1 differs from that of $2"
}
# only_original CARVE_JSON ORIGINAL: every key a fragment lists is in the original (its path and
# each value's name, type and data; a key with no path by its name), and at least MIN of them.
only_original() {
  "$cli" ls -Rv --json "$2" > original.json
  python3 - "$1" original.json "$3" <<'PY' || fail "$1: a fragment lists what $2 does not hold"
import json, re, sys
carve = json.load(open(sys.argv[1]))
# A part of a path whose key's name is lost shows as "{key node 0x...}": it matches any name
# (names may hold a backslash). The key is in the original when one key the path matches holds
# every value listed.
def known(path, values, keys):
    if path in keys:
        return values <= keys[path]
    pattern = "^" + "\\\\".join(".+" if re.fullmatch(r"\{key node 0x[0-9A-F]+\}", p) else re.escape(p)
                                   for p in path.split("\\")) + "$"
    return any(re.match(pattern, k) and values <= v for k, v in keys.items())
keys = {}
for line in open(sys.argv[2]):
    k = json.loads(line)
    keys[k["path"]] = {(v["name"], v["type"], v["data"]) for v in k["values"]}
listed = 0
for f in carve["fragments"]:
    for k in f["keys"]:
        listed += 1
        values = {(v["name"], v["type"], v["data"]) for v in k["values"]}
        if k["pathKnown"]:
            if not known(k["path"], values, keys):
                sys.exit("key %r with values %r is not in the original" % (k["path"], values))
        elif k["path"] != "orphan" and not any((p == k["path"] or p.endswith("\\" + k["path"])) and values <= v
                                               for p, v in keys.items()):
            sys.exit("key name %r with values %r is not in the original" % (k["path"], values))
if listed < int(sys.argv[3]):
    sys.exit("only %d keys listed, expected at least %s" % (listed, sys.argv[3]))
print("%d keys listed, all in the original" % listed)
PY
}

# 1. Copied in, deleted, and its directory entry wiped: only the clusters are left.
fresh deleted.img
mcopy -i deleted.img A.DAT ::/SYSTEM.1ST
first_cluster=$(python3 - deleted.img <<'PY'
import struct, sys
b = open(sys.argv[1], 'rb').read(1 << 20)
bps, spc, reserved, fats, roots = struct.unpack_from('<HBHBH', b, 11)
fatsz = struct.unpack_from('<H', b, 22)[0]
root = (reserved + fats * fatsz) * bps
data = root + roots * 32
for i in range(roots):
    e = b[root + 32 * i: root + 32 * i + 32]
    if e[:11] == b'SYSTEM  1ST':
        print(data + (struct.unpack_from('<H', e, 26)[0] - 2) * spc * bps, root + 32 * i)
PY
)
read -r hive_at entry_at <<< "$first_cluster"
mdel -i deleted.img ::/SYSTEM.1ST
dd if=/dev/zero of=deleted.img bs=1 seek="$entry_at" count=32 conv=notrunc status=none
"$cli" hives --deleted deleted.img | grep -q "1ST" && fail "the wiped entry is still listed by --deleted"
"$cli" hives --carve deleted.img > carve.txt || fail "hives --carve deleted.img failed"
address=$(printf 'deleted.img::@0x%08X' "$hive_at")
grep -Eq "^carved +$size_a +$address\$" carve.txt || fail "deleted.img: no carved line for $address: $(cat carve.txt)"
grep -q "SYSTEM.DAT\|fragment" carve.txt && fail "deleted.img: the live file or a fragment was listed: $(cat carve.txt)"
same_as "$address" A.DAT
cmp -s <(extract deleted.img "$hive_at" "$size_a") A.DAT || fail "the carved bytes differ from the file written"
"$cli" --now 2026-01-01T00:00:00 "$address" | grep -q "FileName: $address" || fail "the report of $address does not name it"

# The same through a VMDK of the image: carved at the same offset, read through its address.
qemu-img convert -f raw -O vmdk deleted.img deleted.vmdk
"$cli" hives --carve deleted.vmdk | grep -Eq "^carved +$size_a +deleted.vmdk::@${address#*@}\$" || fail "deleted.vmdk: not carved"
same_as "deleted.vmdk::@${address#*@}" A.DAT

# The same file with its directory entry left (deleted, listed by --deleted): not carved again.
fresh listed.img
mcopy -i listed.img A.DAT ::/SYSTEM.1ST && mdel -i listed.img ::/SYSTEM.1ST
"$cli" hives --deleted listed.img | grep -q "_YSTEM.1ST" || fail "listed.img: the deleted entry is not listed"
"$cli" hives --carve listed.img > carve.txt
grep -q "no registry file and no fragment of one found" carve.txt || fail "listed.img: a file the directory names was carved: $(cat carve.txt)"
# --carve-all reads allocated clusters too, but not those of the files the directories name.
"$cli" hives --carve-all listed.img | grep -q "no registry file and no fragment" || fail "listed.img: --carve-all listed a named file"

# 2. A third of its clusters overwritten (reused by another file, here random bytes).
cp deleted.img reused.img
third=$((size_a / 3 / 2048 * 2048))
dd if=/dev/urandom of=reused.img bs=2048 seek=$(((hive_at + third) / 2048)) count=$((third / 2048)) conv=notrunc status=none
"$cli" hives --carve reused.img > carve.txt || fail "hives --carve reused.img failed"
"$cli" hives --carve --json carve.json reused.img > /dev/null
grep -q "^carved" carve.txt && fail "reused.img: a damaged hive was carved whole"
grep -Eq "^fragment +[0-9]+ +at $(printf '0x%08X' "$hive_at"): file header, key-node block, data blocks" carve.txt ||
  fail "reused.img: no fragment at the header: $(head -5 carve.txt)"
grep -q "^  missing: data block" carve.txt || fail "reused.img: what is missing is not said"
only_original carve.json A.DAT 2000
"$cli" check "reused.img::@$(printf '0x%08X' "$hive_at")" > err.txt 2>&1 && fail "a broken hive was read through its address"
grep -q "no whole registry file at $(printf '0x%08X' "$hive_at")" err.txt || fail "the broken address's error: $(cat err.txt)"

# 3. Two hives back to back in free clusters, the second at the sector after the first.
fresh two.img
at_a=$((20 << 20)) && at_b=$((at_a + $(sectors "$size_a") * 512))
dd if=A.DAT of=two.img bs=512 seek=$((at_a / 512)) conv=notrunc status=none
dd if=B.DAT of=two.img bs=512 seek=$((at_b / 512)) conv=notrunc status=none
"$cli" hives --carve two.img > carve.txt
[ "$(grep -c '^carved' carve.txt)" -eq 2 ] || fail "two.img: not two carved hives: $(cat carve.txt)"
same_as "$(printf 'two.img::@0x%08X' "$at_a")" A.DAT
same_as "$(printf 'two.img::@0x%08X' "$at_b")" B.DAT

# 4. One hive in two pieces far apart (its clusters not contiguous): split at a cluster.
fresh split.img
half=$((size_b / 2 / 2048 * 2048))
head -c "$half" B.DAT > first.part && tail -c +$((half + 1)) B.DAT > second.part
dd if=first.part of=split.img bs=512 seek=$(((12 << 20) / 512)) conv=notrunc status=none
dd if=second.part of=split.img bs=512 seek=$(((40 << 20) / 512)) conv=notrunc status=none
"$cli" hives --carve --json carve.json split.img > carve.txt
grep -q "^carved" carve.txt && fail "split.img: a split hive was carved whole"
grep -Eq "^fragment +[0-9]+ +at 0x00C00000: file header, key-node block, data blocks" carve.txt ||
  fail "split.img: the first piece is not a fragment: $(head -5 carve.txt)"
only_original carve.json B.DAT 1500
python3 -c "
import json, sys
d = json.load(open('carve.json'))
later = [k for f in d['fragments'] for k in f['keys'] if k['offset'] >= (40 << 20)]
sys.exit(0 if later and all(k['pathKnown'] for k in later[:50]) else 1)" ||
  fail "split.img: the second piece's keys are not listed with their paths"

# 5. Zeros and random bytes, no file system: nothing found (--carve-all), and --carve says why not.
truncate -s 64M zeros.img
head -c $((16 << 20)) /dev/urandom > random.img
for image in zeros.img random.img; do
  "$cli" hives --carve-all "$image" > carve.txt || fail "hives --carve-all $image failed"
  grep -q "no registry file and no fragment of one found" carve.txt || fail "$image: something was found: $(cat carve.txt)"
  status=0
  "$cli" hives --carve "$image" > /dev/null 2> err.txt || status=$?
  [ "$status" -eq 1 ] && grep -q -- "--carve-all searches every byte" err.txt || fail "hives --carve $image: $status $(cat err.txt)"
done
# A hive in a raw file with no file system: carved by --carve-all, read by its address.
cat zeros.img A.DAT > raw.bin
"$cli" hives --carve-all raw.bin | grep -Eq "^carved +$size_a +raw.bin::@0x04000000\$" || fail "raw.bin: not carved"
same_as "raw.bin::@0x04000000" A.DAT

# Usage errors and a bad offset name what is wrong.
expect_usage() {
  local status=0
  "$cli" hives "$@" > /dev/null 2> err.txt || status=$?
  [ "$status" -eq 2 ] || fail "hives $*: exit status $status, expected 2"
}
expect_usage --carve --carve-all two.img
expect_usage --carve --deleted two.img
expect_usage --json - two.img
expect_usage --carve --json two.img two.img
"$cli" hives --carve missing.img > /dev/null 2> err.txt && fail "a missing image was carved"
grep -q "missing.img: no such file" err.txt || fail "missing image: $(cat err.txt)"
"$cli" check "two.img::@0xZZ" > err.txt 2>&1 && fail "a bad offset was read"
grep -q "'@0xZZ' is not a carved hive's offset" err.txt || fail "bad offset: $(cat err.txt)"
"$cli" check "two.img::@0x7FFFFFFFFF" > err.txt 2>&1 && fail "an offset past the image was read"
grep -q "no whole registry file at 0x7FFFFFFFFF (file header at 0x7FFFFFFFFF: past the end of the image" err.txt || fail "offset past the end: $(cat err.txt)"

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all carving checks passed"
