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
. "$(dirname "$0")/debian-source.sh"
debian_source_fetch nettle nettle-dev "${QUARVEX_NETTLE_VERSION:-}" "$dest" sha256.c
