#!/usr/bin/env bash
# Sets everything up and runs every test: the whole suite as built normally, the Debian package
# installed and removed, short fuzz runs, the Windows cross build (and its zip) under wine, the
# web page in headless Chromium, the threaded code under ThreadSanitizer, and the whole suite
# again under AddressSanitizer + UndefinedBehaviorSanitizer (last, so that its summary closes
# the output).
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh all
export QT_QPA_PLATFORM=offscreen LC_ALL=C TZ=UTC
# Optimised, but at -O1 and without debug information: the suite is built twice per run, and
# this halves the compile time on a two-core machine.
# Each step's heading says how long the run has taken so far, to see where the time goes.
step() { printf '== %s  [%dm%02ds]\n' "$1" $((SECONDS / 60)) $((SECONDS % 60)); }
config=(-G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O1")

step "Build and test"
# build-test also builds the Python module (its engine position-independent), which the suite
# and the package check test against Debian's python3.
cmake -S . -B build-test "${config[@]}" -DQUARVEX_BUILD_PYTHON=ON -DPython3_EXECUTABLE=/usr/bin/python3 > /dev/null
cmake --build build-test
(cd build-test && ctest --output-on-failure -j2)

step "The web page: the engine in WebAssembly (Debian's emscripten), opened from disk in headless Chromium and on backup cabinets under node, compared with quarvex-cli"
# Skipped (77) when emscripten or Chromium is missing; RE2's source is the Windows build's.
web=0
tools/web-build.sh build-wasm build-win-re2 || web=$?
if [ "$web" -eq 0 ]; then
  node tests/web/page_test.mjs --hivegen build-test/tools/quarvex-hivegen build-wasm/web/dist build-test/cli/quarvex-cli \
       build-wasm/page-test samples/USER-SAMPLE.DAT tests/data/USER.DAT fuzz/corpus/job/* fuzz/corpus/salvage/* \
       fuzz/regressions/export/* fuzz/regressions/salvage/* || web=$?
  # The engine alone under node on backup cabinets (gcab), against quarvex-cli; needs no Chromium.
  cabinets=0
  node tests/web/cabinet_engine_test.mjs build-wasm/web/quarvex-engine.js build-test/cli/quarvex-cli \
       build-test/tools/quarvex-hivegen build-wasm/cabinet-test || cabinets=$?
  [ "$cabinets" -eq 0 ] || [ "$cabinets" -eq 77 ] || exit "$cabinets"
fi
[ "$web" -eq 0 ] || [ "$web" -eq 77 ] || exit "$web"
# The packages below carry the page that was just built and tested (packaging/CMakeLists.txt).
web_dist=""
[ "$web" -eq 0 ] && web_dist=$PWD/build-wasm/web/dist
cmake -S . -B build-test "-DQUARVEX_WEB_DIST=$web_dist" > /dev/null
export QUARVEX_WEB_DIST=$web_dist

step "The Debian package: made by cpack from build-test, installed with apt-get, run, removed"
tools/deb-check.sh build-test

step "Short fuzz runs of the whole job, the REGEDIT4 export, the salvage reader, recovery, code page detection, the facts report, the image path, find's patterns, the carver and the web build's code page tables (clang, libFuzzer, ASan + UBSan)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz "${config[@]}" -DQUARVEX_FUZZ=ON -DQUARVEX_SANITIZE=ON \
      -DQUARVEX_BUILD_GUI=OFF -DQUARVEX_BUILD_TESTS=OFF -DQUARVEX_BUILD_BENCH=OFF > /dev/null
cmake --build build-fuzz --target quarvex_fuzz_job quarvex_fuzz_export quarvex_fuzz_salvage quarvex_fuzz_recover \
      quarvex_fuzz_detect quarvex_fuzz_facts quarvex_fuzz_image quarvex_fuzz_find quarvex_fuzz_carve \
      quarvex_fuzz_codepage_tables
for run in job:20 export:10 salvage:10 recover:10 detect:8 facts:8 image:10 find:10 carve:8 codepage_tables:5; do
  target=${run%%:*}
  corpus=$(mktemp -d)
  cp fuzz/corpus/"$target"/* "$corpus"/
  build-fuzz/fuzz/quarvex_fuzz_"$target" "$corpus" -max_total_time="${run##*:}" -max_len=65536 -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 2>&1 | tail -n 3
  rm -rf "$corpus"
done

step "Windows: cross-built with mingw-w64, run under wine64"
tools/windows-check.sh build-test

step "ThreadSanitizer over what runs on several threads: the session's kept work, summary's workers, the job's progress and stop"
cmake -S . -B build-tsan "${config[@]}" "-DCMAKE_CXX_FLAGS=-fsanitize=thread -g1" "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread" \
      -DQUARVEX_BUILD_GUI=OFF -DQUARVEX_BUILD_BENCH=OFF > /dev/null
cmake --build build-tsan --target quarvex_tests
TSAN_OPTIONS="halt_on_error=1 abort_on_error=1" build-tsan/tests/quarvex_tests --gtest_brief=1 \
  --gtest_filter='HiveAddress.*:OpenedHive.*:Summary*:OrderedParallel*:*Progress*:Job*:*Cancel*:Counts.*'

step "Build and test under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan "${config[@]}" -DQUARVEX_SANITIZE=ON -DQUARVEX_BUILD_BENCH=OFF > /dev/null
cmake --build build-asan
(cd build-asan && ctest --output-on-failure -j2)
