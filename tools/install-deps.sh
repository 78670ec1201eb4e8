#!/usr/bin/env bash
# Installs the Debian packages a build needs, when they are missing. Usage:
#   tools/install-deps.sh cli     the engine and quarvex-cli
#   tools/install-deps.sh all     everything: the window, the tests, benchmarks, fuzzing, the
#                                 man page, the Debian package and the web page (emscripten,
#                                 and Chromium to test it)
set -euo pipefail

cli=(cmake ninja-build g++ pkg-config nlohmann-json3-dev libtsk-dev libmspack-dev libre2-dev libssl-dev)
all=("${cli[@]}" libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev qt6-charts-dev
     libqt6opengl6-dev libgl-dev fonts-ipafont-gothic fonts-ipafont-mincho clang clang-format libclang-rt-dev
     libcreg-utils libparse-win32registry-perl python3 python3-jsonschema
     pybind11-dev python3-dev python3-pytest python3-dfwinreg time xvfb xauth
     dosfstools mtools gcab qemu-utils fdisk ewf-tools sleuthkit
     help2man dpkg-dev desktop-file-utils
     emscripten chromium nettle-dev)

case "${1:-all}" in
  cli) wanted=("${cli[@]}") ;;
  all) wanted=("${all[@]}") ;;
  *) echo "usage: $0 [cli|all]" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
