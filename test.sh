#!/usr/bin/env bash
# Sets everything up and runs every test: the whole suite as built normally, then the same
# suite again under AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh all
export QT_QPA_PLATFORM=offscreen LC_ALL=C TZ=UTC

echo "== Build and test (RelWithDebInfo)"
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build-test
(cd build-test && ctest --output-on-failure -j2)

echo "== Build and test under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVEX_SANITIZE=ON \
      -DQUARVEX_BUILD_BENCH=OFF > /dev/null
cmake --build build-asan
(cd build-asan && ctest --output-on-failure -j2)
