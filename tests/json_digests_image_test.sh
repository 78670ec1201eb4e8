#!/bin/sh
# Every JSON output that names a hive's file names the digests of the bytes read beside it, and,
# for a hive read out of a disk image or cabinet, the digests of what it was read out of (as the
# text headers of facts, timeline and history do): each equal to sha256sum's and md5sum's of the
# same bytes. A FAT16 volume made here (mkfs.fat,
# mtools) holds the real user.dat loose and, with gcab, inside a backup cabinet.
# Skipped (77) without the tools.
#   json_digests_image_test.sh QUARVEX_CLI USER.DAT WORKDIR
set -u
cli=$1 userdat=$2 work=$3
for tool in mkfs.fat mmd mcopy python3; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
export MTOOLS_SKIP_CHECK=1 LC_ALL=C
cp "$userdat" USER.DAT
mkfs.fat -C -F 16 disk.img 16384 >/dev/null && mmd -i disk.img ::WINDOWS && mcopy -i disk.img USER.DAT ::WINDOWS/ || exit 1
sums() { echo "$(wc -c <"$1") $(sha256sum <"$1" | cut -d' ' -f1) $(md5sum <"$1" | cut -d' ' -f1)"; }
hive=$(sums USER.DAT) image=$(sums disk.img)
# What each JSON object names, one line per object that names a file:
# "FILE SIZE? SHA256 MD5 | CONTAINER SIZE SHA256 MD5 | ...".
cat >named.py <<'PY'
import json, sys
def walk(o):
    if isinstance(o, dict):
        if "file" in o and "sha256" in o:
            line = [o["file"], o["sha256"], o["md5"]]
            for c in o.get("containers", []):
                line += ["|", c["file"], str(c["size"]), c["sha256"], c["md5"]]
            print(" ".join(line))
        for v in o.values(): walk(v)
    elif isinstance(o, list):
        for v in o: walk(v)
text = sys.stdin.read()
try:
    walk(json.loads(text))  # one document
except ValueError:
    for line in text.splitlines():  # or one object a line
        if line.strip(): walk(json.loads(line))
PY
run() { "$cli" "$@" >out 2>err; }  # the status is check's or recover's own; the JSON is what counts
check_named() {  # WHAT EXPECTED-LINE: the JSON in the file out names EXPECTED-LINE
  python3 named.py <out >named || { echo "$1: not JSON"; exit 1; }
  grep -qxF "$2" named || { echo "$1: expected the digests \"$2\", got:"; cat named; exit 1; }
}
h=$(echo "$hive" | cut -d' ' -f2-) i="$image"
for input in USER.DAT disk.img::WINDOWS/USER.DAT; do
  want="$input $h"
  [ "$input" = USER.DAT ] || want="$want | disk.img $i"
  run check --json - "$input"
  check_named "check $input" "$want"
  run stats --json "$input"
  check_named "stats $input" "$want"
  run recover --json - "$input"
  check_named "recover $input" "$want"
  # facts, timeline and history name each hive with its digests, and what it was read out of.
  run facts --json - "$input"
  check_named "facts $input" "$want"
  run timeline --json - "$input"
  check_named "timeline $input" "$want"
  run history --json - "$input"
  check_named "history $input" "$want"
  if [ "$input" != USER.DAT ]; then
    set -- $image
    for command in facts timeline history; do
      "$cli" $command "$input" 2>/dev/null | grep -qxF "      read out of disk.img: $1 bytes, SHA-256 $2, MD5 $3" || {
        echo "$command $input: no line naming the image's digests"; "$cli" $command "$input" | head -12; exit 1; }
    done
  fi
  # Lines of several files name their file, and the digests beside it.
  run ls --json "$input" USER.DAT
  check_named "ls $input" "$input $h"
  run get --json "$input" USER.DAT '.DEFAULT\Control Panel\Desktop'
  check_named "get $input" "$input $h"
  run find --json "$input" USER.DAT Wallpaper
  check_named "find $input" "$input $h"
done
if command -v gcab >/dev/null 2>&1; then
  gcab -c -n RB001.CAB USER.DAT >/dev/null && mmd -i disk.img ::WINDOWS/SYSBCKUP &&
    mcopy -i disk.img RB001.CAB ::WINDOWS/SYSBCKUP/ || exit 1
  image=$(sums disk.img) cabinet=$(sums RB001.CAB)
  input=disk.img::WINDOWS/SYSBCKUP/RB001.CAB::USER.DAT
  run check --json - "$input"
  check_named "check $input" "$input $h | disk.img $image | disk.img::WINDOWS/SYSBCKUP/RB001.CAB $cabinet"
  run check --json - RB001.CAB::USER.DAT
  check_named "check RB001.CAB::USER.DAT" "RB001.CAB::USER.DAT $h | RB001.CAB $cabinet"
fi
echo "every JSON output names the hive's digests, and its image's and cabinet's, as sha256sum and md5sum give them"
