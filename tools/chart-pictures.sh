#!/usr/bin/env bash
# Pictures of the six chart views of a generated 21-block system.dat-style hive, painted on
# the xcb platform under Xvfb as a desktop draws them, written to docs/chart-real-*.png.
#   Usage: tools/chart-pictures.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-screenshots}"
command -v xvfb-run > /dev/null || { echo "needs xvfb-run (apt-get install xvfb)" >&2; exit 1; }
[ -x "$build/cli/quarvex-charts" ] && [ -x "$build/tools/quarvex-hivegen" ] || {
  cmake -S . -B "$build" -G Ninja -DQUARVEX_BUILD_BENCH=OFF > /dev/null
  cmake --build "$build" --target quarvex-charts quarvex-hivegen -- -j2
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# 5,200 keys with the generator's seed 1998 make 21 data blocks (22 bars with "KN").
"$build/tools/quarvex-hivegen" --kind system --keys 5200 --seed 1998 -o "$work/system.dat" > /dev/null
QUARVEX_CHARTS_PLATFORM=xcb LC_ALL=C TZ=UTC \
  xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$build/cli/quarvex-charts" --quiet "$work/pictures" "$work/system.dat"
for f in "$work"/pictures/chart-*.png; do
  cp "$f" "docs/$(basename "$f" | sed 's/^chart-/chart-real-/')"
done
ls -l docs/chart-real-*.png
