#!/usr/bin/env bash
# Pictures of the desktop window's four pages after a job on the bundled sample, of the
# window maximised on a generated 21-block system.dat and zoomed in on the real user.dat, and of
# the browser on the real user.dat, taken under Xvfb and written to docs/window-*.png and
# docs/browser-*.png.   Usage: tools/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-screenshots}"
command -v xvfb-run > /dev/null || { echo "needs xvfb-run (apt-get install xvfb)" >&2; exit 1; }
cmake -S . -B "$build" -G Ninja -DQUARVEX_BUILD_BENCH=OFF > /dev/null
cmake --build "$build" --target quarvex_gui_tests -- -j2
QUARVEX_PICTURES_DIR="$PWD/docs" LC_ALL=C TZ=UTC QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$build/ui/quarvex_gui_tests" --gtest_filter='WindowPictures.*:BrowserPictures.*'
ls -l docs/window-*.png docs/browser-*.png
