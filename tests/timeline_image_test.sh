#!/bin/sh
# The dates of a hive's own FAT directory entry join its timeline when the hive is read as
# IMAGE::PATH: a FAT16 volume made here (mkfs.fat, mtools) holds the real user.dat written
# 2001-06-15 10:20:30; without a system.dat naming the zone, its created and written times are
# listed among the local times, with the entry they come from; a hive read from a backup
# cabinet has its member's date and the cabinet's entry instead. The digests named with the hive
# are sha256sum's and md5sum's of its bytes, read loose, from the image and from a cabinet.
# Skipped (77) without the tools.
#   timeline_image_test.sh QUARVEX_CLI USER.DAT WORKDIR
set -u
cli=$1 userdat=$2 work=$3
for tool in mkfs.fat mmd mcopy; do
  command -v "$tool" >/dev/null 2>&1 || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
export MTOOLS_SKIP_CHECK=1 LC_ALL=C TZ=UTC
cp "$userdat" USER.DAT && touch -d '2001-06-15 10:20:30' USER.DAT
mkfs.fat -C -F 16 disk.img 16384 >/dev/null && mmd -i disk.img ::WINDOWS && mcopy -m -i disk.img USER.DAT ::WINDOWS/ || exit 1
"$cli" timeline disk.img::WINDOWS/USER.DAT >out 2>err || { echo "timeline failed:"; cat err; exit 1; }
expected='2001-06-15 10:20:30 local  hive file last written  [1] (the file itself)  FAT entry of WINDOWS/USER.DAT in file system 1 of disk.img  (DOS date and time)'
grep -qxF "$expected" out || { echo "no line of the entry's write time:"; cat out; exit 1; }
# The same hive as a loose file has no such line (nor the image's digests), and the same events otherwise.
"$cli" timeline USER.DAT >loose || exit 1
grep -v 'hive file\|^  \[1\]\|events:\|^Local times\|read out of\|^$' out >a
grep -v '^  \[1\]\|events:\|^$' loose >b
cmp -s a b || { echo "the timelines differ beyond the file's own dates:"; diff a b; exit 1; }
# The digests named with each hive are sha256sum's and md5sum's of the same bytes: a loose file,
# a file inside the image and, with gcab, a member of a cabinet backup.
want_sha=$(sha256sum USER.DAT | cut -d' ' -f1) want_md5=$(md5sum USER.DAT | cut -d' ' -f1)
inputs="USER.DAT disk.img::WINDOWS/USER.DAT"
if command -v gcab >/dev/null 2>&1; then
  gcab -c -n RB001.CAB USER.DAT >/dev/null && inputs="$inputs RB001.CAB::USER.DAT"
fi
for input in $inputs; do
  "$cli" timeline --json - "$input" >json || { echo "timeline --json $input failed"; exit 1; }
  grep -qF "\"sha256\": \"$want_sha\", \"md5\": \"$want_md5\"" json || {
    echo "$input: the digests differ from sha256sum's and md5sum's:"; head -c 400 json; exit 1; }
  "$cli" facts "$input" | grep -qxF "      $(wc -c <USER.DAT) bytes, SHA-256 $want_sha, MD5 $want_md5" || {
    echo "$input: facts does not name the digests"; exit 1; }
done
# A hive read from a backup cabinet: the member's own date (when it was packed), and in an image
# the cabinet's FAT entry.
if command -v gcab >/dev/null 2>&1; then
  packed='2001-06-15 10:20:30 local  hive packed into a backup cabinet  [1] (the file itself)  the date of member USER.DAT of'
  "$cli" timeline RB001.CAB::USER.DAT | grep -qxF "$packed RB001.CAB  (DOS date and time)" || {
    echo "no line of the member's date"; "$cli" timeline RB001.CAB::USER.DAT | head; exit 1; }
  touch -d '2001-06-16 08:00:00' RB001.CAB
  mmd -i disk.img ::WINDOWS/SYSBCKUP && mcopy -m -i disk.img RB001.CAB ::WINDOWS/SYSBCKUP/ || exit 1
  "$cli" timeline disk.img::WINDOWS/SYSBCKUP/RB001.CAB::USER.DAT >cab || exit 1
  grep -qxF "$packed WINDOWS/SYSBCKUP/RB001.CAB  (DOS date and time)" cab &&
    grep -qxF '2001-06-16 08:00:00 local  backup cabinet last written  [1] (the file itself)  FAT entry of WINDOWS/SYSBCKUP/RB001.CAB in file system 1 of disk.img  (DOS date and time)' cab || {
    echo "the member's date or the cabinet's entry is missing:"; cat cab; exit 1; }
fi
echo "the FAT entry's dates are in the timeline, and a cabinet member's; the digests are sha256sum's and md5sum's for $inputs"
