#!/usr/bin/env bash
# Hives read straight from disk images, built here with Debian's tools (never copied from a real
# machine): a FAT32 volume in a DOS partition (sfdisk, mkfs.fat, mtools) holding live hives, the
# setup copy, a Windows 95 backup, a cabinet backup (gcab) and a deleted hive (mdel); the same
# disk converted to VMDK and VHD (qemu-img) and acquired as E01 in 1 MiB segments (ewfacquire); a
# FAT16 volume with no partition table; a small FAT12 disk cut into 8 KiB pieces (split -b), opened
# by its first piece; a disk whose extended partition holds two logical FAT16 partitions. For each:
# `hives` lists every file with its kind, and the report, check and ls through IMAGE::PATH equal
# those of the same file on disk byte for byte, but for the report's file name line.
#
# Usage: images_test.sh QUARVEX_CLI QUARVEX_HIVEGEN USER_DAT WORK_DIR
# Exit 77 (skipped) when a tool is missing; ./test.sh installs them all.
set -euo pipefail
cli=$1 hivegen=$2 userdat=$3 work=$4
for tool in sfdisk mkfs.fat mcopy mmd mdel gcab qemu-img ewfacquire split; do
  command -v "$tool" > /dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
rm -rf "$work" && mkdir -p "$work" && cd "$work"
export MTOOLS_SKIP_CHECK=1 LC_ALL=C TZ=UTC
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The files, with fixed times so that the listing's dates are known.
"$hivegen" --kind system --keys 300 --seed 7 -o SYSTEM.DAT
"$hivegen" --kind system --keys 120 --seed 8 -o OLDSYS.DAT
"$hivegen" --kind user --keys 80 --seed 9 -o OLDUSER.DAT
cp "$userdat" USER.DAT
cp SYSTEM.DAT SYSTEM.1ST
touch -d '2001-06-15 10:20:30' SYSTEM.DAT USER.DAT SYSTEM.1ST OLDSYS.DAT OLDUSER.DAT
# A backup cabinet names its members as Windows does: the older SYSTEM.DAT and USER.DAT.
mkdir -p old && cp OLDSYS.DAT old/SYSTEM.DAT && touch -d '2001-06-10 09:00:00' old/SYSTEM.DAT
gcab -c -z -n RB001.CAB old/SYSTEM.DAT USER.DAT > /dev/null
touch -d '2001-06-14 08:00:00' RB001.CAB

# Places the files on the FAT volume that mtools addresses as $1 (an image file with its offset).
fill() {
  local at=$1
  mmd -i "$at" ::WINDOWS ::WINDOWS/SYSBCKUP ::TEMP
  mcopy -m -i "$at" SYSTEM.DAT USER.DAT ::WINDOWS/
  mcopy -m -i "$at" SYSTEM.1ST ::/
  mcopy -m -i "$at" OLDSYS.DAT ::WINDOWS/SYSTEM.DA0
  mcopy -m -i "$at" RB001.CAB ::WINDOWS/SYSBCKUP/
  mcopy -m -i "$at" OLDUSER.DAT ::TEMP/USER.DAT
  mdel -i "$at" ::TEMP/USER.DAT
}

# FAT32 in the first partition of a DOS partition table.
truncate -s 64M disk.img
echo 'start=2048, type=c' | sfdisk -q disk.img
mkfs.fat -F 32 -s 1 -n WIN98 --offset=2048 disk.img $(((64 * 2048 - 2048) / 2)) > /dev/null
fill disk.img@@1M
qemu-img convert -f raw -O vmdk disk.img disk.vmdk
qemu-img convert -f raw -O vpc -o subformat=fixed disk.img disk.vhd
# E01 in segments of 1 MiB, uncompressed, so that the files lie in later segments (disk.E03 ...):
# The Sleuth Kit is given the first segment and finds the others.
ewfacquire -u -q -t disk -f encase6 -c none -S 1MiB -m fixed -M physical -C case -D disk -e examiner \
           -E evidence -N notes disk.img > ewfacquire.log 2>&1 || { cat ewfacquire.log; fail "ewfacquire failed"; }
[ -f disk.E02 ] || fail "ewfacquire wrote a single segment: the E01 check would not span segments"
# FAT16 with no partition table.
truncate -s 32M fat16.img
mkfs.fat -F 16 -n WIN95 fat16.img > /dev/null
fill fat16.img
# Split raw: a small FAT12 disk in pieces of 8 KiB (small.img.001 ... small.img.512), so that every
# hive spans several pieces; opened by its first piece.
truncate -s 4M small.img
echo 'start=64, type=1' | sfdisk -q small.img
mkfs.fat -F 12 -n SMALL --offset=64 small.img $(((4 * 2048 - 64) / 2)) > /dev/null
fill small.img@@32K
split -b 8K -d -a 3 --numeric-suffixes=1 small.img small.img.
rm small.img
[ -f small.img.400 ] || fail "split wrote fewer pieces than expected"

cli_hives() { "$cli" hives "$1"; }
# expect_listed IMAGE KIND ADDRESS: a listing line of that kind ending in that address.
expect_listed() {
  grep -Eq "^$2 +[0-9]+ .* $(printf '%s' "$1::$3" | sed 's/[.[\*^$]/\\&/g')\$" hives.txt || fail "$1: no '$2' line for $3"
}
# same_report ADDRESS FILE: the reports equal but for the file name line (15).
same_report() {
  "$cli" --now 2026-01-01T00:00:00 "$1" > through-image.txt
  "$cli" --now 2026-01-01T00:00:00 "$2" > on-disk.txt
  sed 15d through-image.txt > a.txt
  sed 15d on-disk.txt > b.txt
  cmp -s a.txt b.txt || fail "report of $1 differs from that of $2"
  grep -q "FileName: $1" through-image.txt || fail "report of $1 does not name it"
  "$cli" check "$1" | sed "s|^$1|X|" > a.txt || true
  "$cli" check "$2" | sed "s|^$2|X|" > b.txt || true
  cmp -s a.txt b.txt || fail "check of $1 differs from that of $2"
  "$cli" ls -R "$1" > a.txt 2> /dev/null
  "$cli" ls -R "$2" > b.txt 2> /dev/null
  cmp -s a.txt b.txt || fail "ls of $1 differs from that of $2"
}

for image in disk.img disk.vmdk disk.vhd disk.E01 fat16.img small.img.001; do
  "$cli" hives --deleted "$image" > hives.txt || fail "$image: hives failed"
  expect_listed "$image" "live" WINDOWS/SYSTEM.DAT
  expect_listed "$image" "live" WINDOWS/USER.DAT
  expect_listed "$image" "setup copy" SYSTEM.1ST
  expect_listed "$image" "Windows 95 backup" WINDOWS/SYSTEM.DA0
  expect_listed "$image" "cabinet backup" WINDOWS/SYSBCKUP/RB001.CAB
  expect_listed "$image" "in cabinet backup" WINDOWS/SYSBCKUP/RB001.CAB::SYSTEM.DAT
  expect_listed "$image" "in cabinet backup" WINDOWS/SYSBCKUP/RB001.CAB::USER.DAT
  expect_listed "$image" "deleted live" TEMP/_SER.DAT
  grep -q "2001-06-15 10:20:30" hives.txt || fail "$image: the FAT write date is not shown"
  grep -q "2001-06-10 09:00:00" hives.txt || fail "$image: the cabinet member's date is not shown"
  "$cli" hives "$image" | grep -q "deleted" && fail "$image: deleted files listed without --deleted"
  same_report "$image::WINDOWS/SYSTEM.DAT" SYSTEM.DAT
  same_report "$image::windows/user.dat" USER.DAT
  same_report "$image::SYSTEM.1ST" SYSTEM.1ST
  same_report "$image::WINDOWS/SYSTEM.DA0" OLDSYS.DAT
  same_report "$image::WINDOWS/SYSBCKUP/RB001.CAB::SYSTEM.DAT" OLDSYS.DAT
  same_report "$image::TEMP/_SER.DAT" OLDUSER.DAT
done
cat hives.txt

grep -q "disk.E01: ewf, 67108864 bytes, partition table dos" <(cli_hives disk.E01) || fail "E01 not read as ewf"
grep -q "small.img.001: raw, 4194304 bytes, partition table dos" <(cli_hives small.img.001) ||
  fail "the split image is not read whole from its first piece"

# A later piece names the first; a missing piece is noted and what lies in it cannot be read.
expect_hives_error() {
  local text status=0
  text=$("$cli" hives "$1" 2>&1) || status=$?
  [ "$status" -eq 1 ] || fail "hives $1: exit status $status"
  grep -qF "$2" <<< "$text" || fail "hives $1: '$text' does not say '$2'"
}
expect_hives_error small.img.002 "this is a later piece of a split image: name its first piece, small.img.001"
mkdir -p cut && cp small.img.00? small.img.01? cut/
"$cli" hives cut/small.img.001 > cut.txt || fail "hives on a split image missing pieces failed"
grep -q "note: file system 1 ends at byte 4194304, past the image's end at byte 155648" cut.txt ||
  fail "a split image missing pieces is not noted: $(cat cut.txt)"

# Extended partitions: a primary FAT16, then an extended partition with two logical FAT16 ones;
# the registry files in the logical ones, numbered as file systems 2 and 3.
truncate -s 48M ext.img
printf 'label: dos\nstart=2048, size=16384, type=6\nstart=18432, type=5\nstart=20480, size=16384, type=6\nstart=38912, type=e\n' |
  sfdisk -q ext.img
for sector in 2048 20480; do mkfs.fat -F 16 -s 1 --offset=$sector ext.img 8192 > /dev/null 2>&1; done
mkfs.fat -F 16 -s 1 --offset=38912 ext.img $(((98304 - 38912) / 2)) > /dev/null 2>&1
fill ext.img@@$((20480 * 512))
mcopy -m -i ext.img@@$((38912 * 512)) SYSTEM.1ST ::/
"$cli" hives ext.img > hives.txt || fail "ext.img: hives failed"
for line in "file system 1: FAT16 at byte 1048576, 8388608 bytes" "file system 2: FAT16 at byte 10485760, 8388608 bytes" \
            "file system 3: FAT16 at byte 19922944, 30408704 bytes"; do
  grep -qF "$line" hives.txt || fail "ext.img: no '$line'"
done
expect_listed ext.img "live" 2:WINDOWS/SYSTEM.DAT
expect_listed ext.img "in cabinet backup" 2:WINDOWS/SYSBCKUP/RB001.CAB::USER.DAT
expect_listed ext.img "setup copy" 2:SYSTEM.1ST
expect_listed ext.img "setup copy" 3:SYSTEM.1ST
same_report "ext.img::2:WINDOWS/SYSTEM.DAT" SYSTEM.DAT
same_report "ext.img::WINDOWS/USER.DAT" USER.DAT
same_report "ext.img::3:SYSTEM.1ST" SYSTEM.1ST
same_report "ext.img::2:WINDOWS/SYSBCKUP/RB001.CAB::SYSTEM.DAT" OLDSYS.DAT

# A cabinet on disk, the partition number, the diff of live against backup in one command.
same_report RB001.CAB::USER.DAT USER.DAT
same_report "disk.img::1:WINDOWS/SYSTEM.DAT" SYSTEM.DAT
"$cli" diff "disk.img::WINDOWS/SYSTEM.DAT" "disk.img::WINDOWS/SYSBCKUP/RB001.CAB::SYSTEM.DAT" > a.txt 2> /dev/null || true
"$cli" diff SYSTEM.DAT OLDSYS.DAT > b.txt 2> /dev/null || true
cmp -s a.txt b.txt || fail "diff through the image differs from the diff on disk"

# Failures name what is wrong and leave the image as it was.
sum=$(md5sum < disk.img)
expect_error() {
  local text status=0
  text=$("$cli" check "$1" 2>&1) || status=$?
  [ "$status" -ne 0 ] || fail "check $1 succeeded"
  grep -q "$2" <<< "$text" || fail "check $1: '$text' does not say '$2'"
}
expect_error "disk.img::WINDOWS/NOPE.DAT" "no file WINDOWS/NOPE.DAT in the image"
expect_error "disk.img::2:WINDOWS/SYSTEM.DAT" "file system 2 is not in the image"
expect_error "disk.img::WINDOWS/SYSBCKUP/RB001.CAB::NOPE.DAT" "no member NOPE.DAT in the cabinet"
expect_error "SYSTEM.DAT::X" "neither a partition table nor a FAT file system"
expect_error "missing.img::WINDOWS/SYSTEM.DAT" "missing.img"
expect_error "cut/small.img.001::SYSTEM.1ST" "Offset missing in partial image"
same_report "cut/small.img.001::WINDOWS/SYSTEM.DAT" SYSTEM.DAT
head -c 3000 RB001.CAB > cut.cab
expect_error "cut.cab::USER.DAT" "cut.cab"
"$cli" -o disk.img "disk.img::WINDOWS/SYSTEM.DAT" 2> /dev/null && fail "-o the image itself was accepted"
[ "$(md5sum < disk.img)" = "$sum" ] || fail "the image was changed"

# The readers are a module loaded from ../lib/quarvex/ beside the program, on the first image or
# cabinet a run opens: a program without it still reads hive files, and says what is missing
# when it is asked for an image.
mkdir -p alone/bin && cp "$cli" alone/bin/
alone/bin/quarvex-cli -o alone.txt SYSTEM.DAT || fail "without the image module a hive file cannot be read"
cmp -s alone.txt <("$cli" -o /dev/stdout SYSTEM.DAT) || fail "without the image module the report differs"
expect_error_of() {
  local program=$1 text status=0
  shift 1
  text=$("$program" check "$1" 2>&1) || status=$?
  [ "$status" -ne 0 ] || fail "check $1 without the module succeeded"
  grep -qF "$2" <<< "$text" || fail "check $1 without the module: '$text' does not say '$2'"
}
module_missing="the image reader $work/alone/lib/quarvex/quarvex-images.so cannot be loaded"
expect_error_of alone/bin/quarvex-cli "disk.img::WINDOWS/SYSTEM.DAT" "$module_missing"
expect_error_of alone/bin/quarvex-cli "RB001.CAB::USER.DAT" "$module_missing"
mkdir -p alone/lib/quarvex && printf 'not a module' > alone/lib/quarvex/quarvex-images.so
expect_error_of alone/bin/quarvex-cli "RB001.CAB::USER.DAT" "$module_missing"

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all image checks passed"
