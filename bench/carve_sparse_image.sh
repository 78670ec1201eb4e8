#!/usr/bin/env bash
# Benchmark: `quarvex-cli hives --carve` on a 2 GB sparse FAT32 image (truncate + mkfs.fat) with
# one 5,000-key hive written into its free clusters (no directory entry), run five times; prints
# each run's wall time and the rate over the bytes searched. Every unallocated cluster is read
# (nearly the whole 2 GB); a sparse file's holes come from the page cache, so this measures the
# carver and The Sleuth Kit's reads, not the disk.
# Usage: bench/carve_sparse_image.sh QUARVEX_CLI QUARVEX_HIVEGEN [WORK_DIR]
set -euo pipefail
cli=$1 hivegen=$2 work=${3:-$(mktemp -d)}
mkdir -p "$work" && cd "$work"
"$hivegen" --kind system --keys 5000 --seed 1 -o SYSTEM.DAT
rm -f big.img && truncate -s 2G big.img && mkfs.fat -F 32 big.img > /dev/null
dd if=SYSTEM.DAT of=big.img bs=512 seek=$(((1536 << 20) / 512)) conv=notrunc status=none
for run in 1 2 3 4 5; do
  start=$(date +%s.%N)
  "$cli" hives --carve big.img > carve.txt
  end=$(date +%s.%N)
  searched=$(sed -n 's/.*, \([0-9]*\) bytes$/\1/p' carve.txt | head -1)
  grep -q "^carved .*big.img::@0x60000000$" carve.txt || { echo "the hive was not carved"; cat carve.txt; exit 1; }
  echo "run $run: $(echo "$end - $start" | bc) s, $(echo "$searched / ($end - $start) / 1048576" | bc) MiB/s over $searched bytes"
done
# What reading the image alone takes, for comparison.
start=$(date +%s.%N) && cat big.img > /dev/null && end=$(date +%s.%N)
echo "cat big.img: $(echo "$end - $start" | bc) s"
/usr/bin/time -f "peak memory: %M KiB" "$cli" hives --carve big.img > /dev/null
rm -f big.img
