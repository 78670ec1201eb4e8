#!/usr/bin/env bash
# Builds the web page (web/) with Debian's emscripten into BUILD_DIR (default build-wasm); the
# page is then BUILD_DIR/web/dist/. Nothing is fetched but Debian's re2 source package, once
# (tools/fetch-re2-source.sh, into RE2_DIR, default build-win-re2, shared with the Windows build),
# Debian's nettle source package for the digests (tools/fetch-nettle-source.sh, into
# BUILD_DIR/nettle) and Debian's libmspack source package for the registry backup cabinets
# (tools/fetch-mspack-source.sh, into BUILD_DIR/mspack). Disk images are not read there.
#
# Debian's emscripten brings its system libraries prebuilt (libc, libc++ with and without
# exceptions) in a frozen cache under /usr/share/emscripten/cache: nothing is compiled into
# it or written outside the build directory. nlohmann/json is header-only: its Debian package
# is staged so that only its own headers join the build's include path.
#
# Exit status 77 when emscripten or node is missing (the callers skip the page then).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-wasm}
re2_dir=${2:-build-win-re2}

for tool in emcmake emcc node; do
  command -v "$tool" > /dev/null || { echo "web-build: $tool not found (Debian's emscripten and nodejs)" >&2; exit 77; }
done

re2_source=$(tools/fetch-re2-source.sh "$re2_dir")
mkdir -p "$dir"
nettle_source=$(tools/fetch-nettle-source.sh "$dir/nettle")
mspack_source=$(tools/fetch-mspack-source.sh "$dir/mspack")
stage=$(realpath "$dir")/host-json
mkdir -p "$stage/share/cmake" "$stage/include"
cp -r /usr/share/cmake/nlohmann_json "$stage/share/cmake/"
ln -sfn /usr/include/nlohmann "$stage/include/nlohmann"
emcmake cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O2 \
        -DQUARVEX_BUILD_WEB=ON -DQUARVEX_BUILD_TESTS=OFF -DQUARVEX_BUILD_GUI=OFF -DQUARVEX_BUILD_BENCH=OFF \
        -Dnlohmann_json_DIR="$stage/share/cmake/nlohmann_json" -DQUARVEX_RE2_SOURCE_DIR="$re2_source" \
        -DQUARVEX_NETTLE_SOURCE_DIR="$nettle_source" -DQUARVEX_MSPACK_SOURCE_DIR="$mspack_source" > /dev/null
cmake --build "$dir" -j "${QUARVEX_JOBS:-2}"
