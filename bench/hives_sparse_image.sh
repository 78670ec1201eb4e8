#!/usr/bin/env bash
# Benchmark: `quarvex-cli hives --deleted` on a 2 GB sparse FAT32 image (truncate + mkfs.fat)
# holding SYSTEM.DAT, USER.DAT and a cabinet backup, run five times; prints each wall time.
# Opening the image and walking its directories reads a few FAT sectors, not the 2 GB.
# Usage: bench/hives_sparse_image.sh QUARVEX_CLI QUARVEX_HIVEGEN [WORK_DIR]
set -euo pipefail
cli=$1 hivegen=$2 work=${3:-$(mktemp -d)}
mkdir -p "$work" && cd "$work"
export MTOOLS_SKIP_CHECK=1
"$hivegen" --kind system --keys 2000 --seed 1 -o SYSTEM.DAT
"$hivegen" --kind user --keys 2000 --seed 2 -o USER.DAT
gcab -c -z -n RB000.CAB SYSTEM.DAT USER.DAT > /dev/null
rm -f big.img && truncate -s 2G big.img && mkfs.fat -F 32 big.img > /dev/null
mmd -i big.img ::WINDOWS ::WINDOWS/SYSBCKUP
mcopy -i big.img SYSTEM.DAT USER.DAT ::WINDOWS/
mcopy -i big.img RB000.CAB ::WINDOWS/SYSBCKUP/
for run in 1 2 3 4 5; do
  start=$(date +%s.%N)
  "$cli" hives --deleted big.img > /dev/null
  end=$(date +%s.%N)
  echo "run $run: $(echo "$end - $start" | bc) s"
done
rm -f big.img
