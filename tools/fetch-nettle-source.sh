#!/usr/bin/env bash
# Fetches and unpacks Debian's nettle source package for the web build. The SHA-256 and MD5
# every hive is named by come from a library Debian ships: OpenSSL's libcrypto natively, the
# system's bcrypt on Windows; but Debian has no WebAssembly build of either, so the web build
# compiles nettle's own SHA-256 and MD5 (six C files, no configure needed) from the source Debian
# builds its package from, at the version of the installed nettle-dev (QUARVEX_NETTLE_VERSION
# names another), fetched as tools/debian-source.sh says.
#
# Usage: tools/fetch-nettle-source.sh DEST_DIR
#   Prints the unpacked source folder (DEST_DIR/nettle-UPSTREAM_VERSION) on stdout, the only
#   line there. When DEST_DIR already holds that version unpacked, it fetches nothing.
set -euo pipefail
dest=${1:?usage: tools/fetch-nettle-source.sh DEST_DIR}

version=${QUARVEX_NETTLE_VERSION:-}
if [ -z "$version" ]; then
  version=$(dpkg-query -W -f='${source:Version}' nettle-dev 2>/dev/null || true)
  [ -n "$version" ] || {
    echo "fetch-nettle-source: nettle-dev is not installed; install it or set QUARVEX_NETTLE_VERSION" >&2
    exit 1
  }
fi
upstream=${version#*:}
upstream=${upstream%-*}
mkdir -p "$dest"
dest=$(realpath "$dest")
source_dir=$dest/nettle-$upstream
stamp=$source_dir/.quarvex-nettle-version
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ]; then
  echo "$source_dir"
  exit 0
fi
for tool in apt-get dpkg-source; do
  command -v "$tool" > /dev/null || { echo "fetch-nettle-source: missing: $tool" >&2; exit 1; }
done

work=$(mktemp -d "$dest/fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/debian-source.sh"
debian_source_unpack nettle "$version" "$dest" "$work"
unpacked=$work/nettle
echo "$version" > "$unpacked/.quarvex-nettle-version"
rm -rf "$source_dir"
mv "$unpacked" "$source_dir"
echo "$source_dir"
