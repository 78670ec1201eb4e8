#!/bin/sh
# quarvex-cli timeline --bodyfile read by mactime of The Sleuth Kit (Debian's sleuthkit): every
# line is taken without a complaint, and the last run of rundll32.exe that the real user.dat's
# UserAssist holds comes out at its time as an mtime. Skipped (77) without mactime.
#   timeline_mactime_test.sh QUARVEX_CLI USER.DAT WORKDIR
set -u
cli=$1 hive=$2 work=$3
if ! command -v mactime >/dev/null 2>&1; then
  echo "mactime is not installed (Debian package sleuthkit): skipped"
  exit 77
fi
rm -rf "$work" && mkdir -p "$work" || exit 1
"$cli" timeline --bodyfile "$work/body" "$hive" >"$work/text" || { echo "timeline failed"; exit 1; }
# Only the times set: from 1990 on (the other fields of each line are 0, "no time").
mactime -b "$work/body" -z UTC -d 1990-01-01 >"$work/out" 2>"$work/err"
status=$?
if [ $status -ne 0 ] || [ -s "$work/err" ]; then
  echo "mactime failed ($status):"; cat "$work/err"; exit 1
fi
lines=$(grep -c '' "$work/body")
listed=$(($(grep -c '' "$work/out") - 1))  # less the header
if [ "$lines" -ne "$listed" ]; then
  echo "the body file has $lines lines, mactime listed $listed"; exit 1
fi
expected='Sun May 24 2015 22:44:32,0,m...,r/rrwxrwxrwx,0,0,0,"'
grep -F "$expected" "$work/out" | grep -qF 'rundll32.exe; count 16)' || {
  echo "no line of rundll32.exe's last run:"; cat "$work/out"; exit 1
}
echo "mactime read $lines events"
