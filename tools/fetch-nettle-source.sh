#!/usr/bin/env bash
# Fetches and unpacks Debian's nettle source package for the web build. The SHA-256 and MD5
# every hive is named by come from a library Debian ships: OpenSSL's libcrypto natively, the
# system's bcrypt on Windows; but Debian has no WebAssembly build of either, so the web build
# compiles nettle's own SHA-256 and MD5 (six C files, no configure needed) from the source Debian
# builds its package from, at the version of the installed nettle-dev (QUARVEX_NETTLE_VERSION
# names another). apt-get fetches it with a list of sources of its own, kept in DEST_DIR/apt,
# as tools/fetch-re2-source.sh does; dpkg-source checks every file against the .dsc.
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

codename=$(sed -n 's/^VERSION_CODENAME=//p' /etc/os-release)
[ -n "$codename" ] || { echo "fetch-nettle-source: no VERSION_CODENAME in /etc/os-release" >&2; exit 1; }
apt_dir=$dest/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/archives/partial"
cat > "$apt_dir/sources.list" << LIST
deb-src http://deb.debian.org/debian $codename main
deb-src http://deb.debian.org/debian $codename-updates main
deb-src http://deb.debian.org/debian-security $codename-security main
LIST
apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
             -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache::Archives=$apt_dir/archives"
             -o Debug::NoLocking=1)
[ "$(id -u)" -ne 0 ] || apt_options+=(-o APT::Sandbox::User=root)
echo "fetch-nettle-source: fetching Debian's nettle $version source package" >&2
apt-get "${apt_options[@]}" update -qq >&2
work=$(mktemp -d "$dest/fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get "${apt_options[@]}" source --download-only -qq "nettle=$version" >&2)
dsc=$(ls "$work"/nettle_*.dsc)
unpacked=$work/nettle-$upstream
dpkg-source --no-copy -x "$dsc" "$unpacked" >&2
echo "$version" > "$unpacked/.quarvex-nettle-version"
rm -rf "$source_dir"
mv "$unpacked" "$source_dir"
echo "$source_dir"
