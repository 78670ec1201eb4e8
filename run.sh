#!/usr/bin/env bash
# Sets everything up and runs the main job: quarvex-cli on the bundled sample hive (or on
# the hive named as the first argument), writing the report to REPORT.TXT.
#   ./run.sh                 the synthetic sample in samples/
#   ./run.sh FILE [OPTIONS]  another hive; further options go to quarvex-cli
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh cli
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARVEX_BUILD_TESTS=OFF \
      -DQUARVEX_BUILD_BENCH=OFF -DQUARVEX_BUILD_GUI=OFF > /dev/null
cmake --build build-run --target quarvex-cli

hive="${1:-samples/USER-SAMPLE.DAT}"
[ $# -gt 0 ] && shift
build-run/cli/quarvex-cli -o REPORT.TXT "$@" "$hive"
echo "Report of $hive written to REPORT.TXT"
