#!/usr/bin/env bash
# The Windows build, checked. Cross-compiles the engine, quarvex-cli and quarvex-host-check with
# Debian's mingw-w64 for 64-bit Windows and runs them under wine64, headless:
#   - quarvex-host-check probes the running system (version, registry, Windows directory,
#     version resources, time stamps, code pages) and checks that every fact comes back;
#   - quarvex-cli analyses the bundled sample; its report must equal the native one but for
#     the 17-line header, which shows the facts probed under Windows;
#   - quarvex-cli find --regex finds what the native one finds, and refuses a pattern that is
#     not a regular expression (exit status 2);
#   - quarvex-cli refuses `hives` and IMAGE::PATH addresses (this build reads no disk images);
#   - facts names a hive by the SHA-256 and MD5 sha256sum and md5sum give (from bcrypt).
# The 32-bit target (i686) is compiled and linked only. Installs what it needs with apt-get;
# when wine cannot be installed, the programs are built but not run, and it says so.
#
# Debian has no mingw-w64 build of RE2: both targets compile it from Debian's re2 source package,
# the version of the native build's libre2-dev, which tools/fetch-re2-source.sh fetches once into
# build-win-re2/ (cmake/quarvex_re2.cmake).
#
# Usage: tools/windows-check.sh NATIVE_BUILD_DIR
#   NATIVE_BUILD_DIR: a native build holding cli/quarvex-cli and testkit/quarvex-windir-fixture.
#   QUARVEX_WEB_DIST (environment): the web page's folder, for the zip to carry as web/.
set -euo pipefail
cd "$(dirname "$0")/.."
native=${1:?usage: tools/windows-check.sh NATIVE_BUILD_DIR}
jobs=${QUARVEX_JOBS:-2}

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
install() {
  local missing=()
  for package in "$@"; do installed "$package" || missing+=("$package"); done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq && $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" > /dev/null
}

install g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
# What fetch-re2-source.sh needs to unpack RE2's source and make its Unicode tables.
install dpkg-dev python3 python3-six unicode-data
re2_source=$(tools/fetch-re2-source.sh build-win-re2)
wine_ok=1
install wine64 || wine_ok=0
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine || true)
[ -n "$wine" ] && [ -x "$wine" ] || wine_ok=0

# Configures and builds one target architecture. nlohmann/json is header-only: its Debian
# package is staged so that only its own headers join the cross build's include path.
build() {
  local arch=$1 dir=$2
  local stage=$dir/host-json
  mkdir -p "$stage/share/cmake" "$stage/include"
  cp -r /usr/share/cmake/nlohmann_json "$stage/share/cmake/"
  ln -sfn /usr/include/nlohmann "$stage/include/nlohmann"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-w64-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DQUARVEX_BUILD_GUI=OFF -DQUARVEX_BUILD_BENCH=OFF -DQUARVEX_BUILD_TESTS=OFF \
        -Dnlohmann_json_DIR="$PWD/$stage/share/cmake/nlohmann_json" -DQUARVEX_RE2_SOURCE_DIR="$re2_source" \
        "-DQUARVEX_WEB_DIST=${QUARVEX_WEB_DIST:-}" > /dev/null
  cmake --build "$dir" -j "$jobs" --target quarvex-cli quarvex-host-check
}

echo "== Windows build, 64-bit (x86_64-w64-mingw32)"
build x86_64 build-win64
# The zip for Windows users: quarvex-cli.exe with the README and the licence, made by cpack from
# the 64-bit build (packaging/CMakeLists.txt), its contents checked here and its program run
# from the unpacked folder under wine below.
echo "== Windows zip (cpack -G ZIP)"
rm -rf build-win64/package
(cd build-win64 && cpack -G ZIP -B "$PWD/package" > package.log 2>&1) || { cat build-win64/package.log >&2; exit 1; }
zip=$(ls build-win64/package/quarvex-cli-*-win64.zip)
folder=$(basename "$zip" .zip)
listed=$(cmake -E tar tf "$zip")
wanted=("$folder/quarvex-cli.exe" "$folder/README.md")
[ -f LICENSE ] && wanted+=("$folder/LICENSE")
[ -n "${QUARVEX_WEB_DIST:-}" ] && wanted+=("$folder/web/index.html" "$folder/web/quarvex-worker.js")
for entry in "${wanted[@]}"; do
  grep -qx "$entry" <<< "$listed" || { echo "FAIL: $zip lacks $entry" >&2; exit 1; }
done
echo "ok   $zip ($(stat -c %s "$zip") bytes): $(tr '\n' ' ' <<< "$listed")"
[ -f LICENSE ] || echo "NOTE: the source tree has no LICENSE file, so the zip holds none"

echo "== Windows build, 32-bit (i686-w64-mingw32): compiled and linked only"
build i686 build-win32

if [ "$wine_ok" -eq 0 ]; then
  echo "SKIPPED: wine64 cannot be installed here, so the Windows programs were built but not run."
  exit 0
fi

echo "== Under wine64"
export WINEPREFIX=$PWD/build-win64/wineprefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
rm -rf "$WINEPREFIX"
"$wine" wineboot -u > /dev/null 2>&1
# The probe reads advapi32.dll and krnl386.exe below C:\windows\system, as on Windows 9x: give
# it the system's own advapi32.dll and a 16-bit krnl386.exe made here, and the machine's values.
windows=$WINEPREFIX/drive_c/windows
mkdir -p "$windows/system"
cp -p "$windows/system32/advapi32.dll" "$windows/system/advapi32.dll"
rm -rf build-win64/fixture-windows
"$native/testkit/quarvex-windir-fixture" build-win64/fixture-windows
cp -p build-win64/fixture-windows/SYSTEM/Krnl386.Exe "$windows/system/krnl386.exe"
"$wine" reg add 'HKLM\Enum\Root\*PNP0C01\0000' /v SetupMachineType /t REG_SZ /d 'IBM PC/AT' /f > /dev/null 2>&1
"$wine" reg add 'HKLM\Enum\Root\*PNP0C01\0000' /v ComputerName /t REG_SZ /d RETRO /f > /dev/null 2>&1

"$wine" build-win64/host/quarvex-host-check.exe --machine-type 'IBM PC/AT' --computer-name RETRO

windows_path() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

# The zip's program runs from its unpacked folder alone: no DLL it needs is missing.
rm -rf build-win64/unzipped && mkdir build-win64/unzipped
(cd build-win64/unzipped && cmake -E tar xf "../package/$folder.zip")
said=$("$wine" "build-win64/unzipped/$folder/quarvex-cli.exe" --version | tr -d '\r' | head -n 1)
version=$(sed -n 's/^project(Quarvex VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$said" = "quarvex-cli $version" ] ||
  { echo "FAIL: the zip's quarvex-cli.exe --version said '$said'" >&2; exit 1; }
echo "ok   the unpacked zip's quarvex-cli.exe runs: $said"
# summary's threads on Windows: the sample and the real user.dat on two at once.
lines=$("$wine" "build-win64/unzipped/$folder/quarvex-cli.exe" summary -j 2 "$(windows_path samples/USER-SAMPLE.DAT)" \
        "$(windows_path tests/data/USER.DAT)" | tr -d '\r' | cut -f 4,15 | tail -n +2 | tr '\t\n' '  ')
[ "$lines" = "500 healthy 787 healthy " ] || { echo "FAIL: summary under wine said '$lines'" >&2; exit 1; }
echo "ok   summary -j 2 under wine: $lines"

# The digests facts names each hive by come from Windows' own bcrypt there: equal to sha256sum's
# and md5sum's of the same bytes.
said=$("$wine" "build-win64/unzipped/$folder/quarvex-cli.exe" facts "$(windows_path tests/data/USER.DAT)" |
       tr -d '\r' | sed -n 's/.*SHA-256 \([0-9a-f]*\), MD5 \([0-9a-f]*\).*/\1 \2/p' | head -n 1)
wanted="$(sha256sum < tests/data/USER.DAT | cut -d' ' -f1) $(md5sum < tests/data/USER.DAT | cut -d' ' -f1)"
[ "$said" = "$wanted" ] || { echo "FAIL: facts under wine named the digests '$said', not '$wanted'" >&2; exit 1; }
echo "ok   facts under wine names the real user.dat's SHA-256 and MD5 as sha256sum and md5sum give them"

# The same job natively and under Windows: equal reports but for the header.
sample=samples/USER-SAMPLE.DAT
now=2026-12-07T10:00:00
"$native/cli/quarvex-cli" --now "$now" --all -o build-win64/native-report.txt "$sample"
rm -f build-win64/windows-report.txt
"$wine" build-win64/cli/quarvex-cli.exe --now "$now" --all -o "$(windows_path build-win64/windows-report.txt)" \
        "$(windows_path "$sample")"
echo "-- The report header of quarvex-cli under wine"
head -n 17 build-win64/windows-report.txt | tr -d '\r'
if ! cmp <(tail -n +18 build-win64/native-report.txt) <(tail -n +18 build-win64/windows-report.txt); then
  echo "FAIL: the report under Windows differs from the native one after the header" >&2
  diff <(tail -n +18 build-win64/native-report.txt) <(tail -n +18 build-win64/windows-report.txt) | head -20 >&2
  exit 1
fi
echo "ok   the report under Windows equals the native one after the header ($(wc -l < build-win64/native-report.txt) lines)"

# find --regex runs RE2 as built here: the hits of a pattern using Unicode scripts (the tables
# made from Debian's Unicode data), -i folding, alternation and anchors equal the native ones, and
# a pattern that is not a regular expression is trouble (exit status 2) with the native message.
pattern='\p{Katakana}{3}|wall ?paper|screen\s*save|^[0-9a-f]{8}$'
status=0
native_hits=$("$native/cli/quarvex-cli" find "$sample" --regex "$pattern") || status=$?
hits=$(grep -c . <<< "$native_hits" || true)
if [ "$status" -ne 0 ] || [ "$hits" -lt 2 ]; then
  echo "FAIL: the native find --regex '$pattern' found too little to compare (exit status $status)" >&2
  exit 1
fi
status=0
windows_hits=$("$wine" build-win64/cli/quarvex-cli.exe find "$(windows_path "$sample")" --regex "$pattern") || status=$?
windows_hits=${windows_hits//$'\r'/}
if [ "$status" -ne 0 ] || [ "$windows_hits" != "$native_hits" ]; then
  echo "FAIL: find --regex '$pattern' under Windows (exit status $status) differs from the native one" >&2
  diff <(echo "$native_hits") <(echo "$windows_hits") | head -20 >&2
  exit 1
fi
echo "ok   find --regex '$pattern' under Windows equals the native one ($hits hits)"
native_status=0
native_said=$("$native/cli/quarvex-cli" find "$sample" --regex '(' 2>&1) || native_status=$?
status=0
said=$("$wine" build-win64/cli/quarvex-cli.exe find "$(windows_path "$sample")" --regex '(' 2>&1) || status=$?
said=${said//$'\r'/}
if [ "$native_status" -ne 2 ] || [ "$status" -ne 2 ] || [ "$said" != "$native_said" ]; then
  echo "FAIL: find --regex '(': natively exit status $native_status, '$native_said';" \
       "under Windows $status, '$said'" >&2
  exit 1
fi
echo "ok   find --regex '(' under Windows is refused as natively (exit status 2): $said"

# This build reads no disk images (no mingw build of The Sleuth Kit or libmspack): `hives` and an
# IMAGE::PATH address end at once with a line saying so and exit status 2.
cp "$sample" build-win64/no-images.img
image=$(windows_path build-win64/no-images.img)
for args in "hives $image" "check $image::WINDOWS/SYSTEM.DAT" "--now $now $image::WINDOWS/SYSTEM.DAT"; do
  status=0
  # shellcheck disable=SC2086  # the words of args are the arguments
  said=$("$wine" build-win64/cli/quarvex-cli.exe $args 2>&1) || status=$?
  if [ "$status" -ne 2 ] || ! grep -q "reads no disk images or cabinets" <<< "$said"; then
    echo "FAIL: quarvex-cli $args under Windows: exit status $status, '$said'" >&2
    exit 1
  fi
done
echo "ok   the Windows build says it reads no disk images (exit status 2)"
"${wine%/*}/wineserver" -w 2> /dev/null || true
echo "Windows check passed"
