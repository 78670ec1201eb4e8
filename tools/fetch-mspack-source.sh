#!/usr/bin/env bash
# Fetches and unpacks Debian's libmspack source package for the web build. The registry backups
# of Windows 98 and Me (RBnnn.CAB) are read with libmspack: natively from Debian's libmspack0,
# loaded with the image module; but Debian has no WebAssembly build of it, so the web build
# compiles its cabinet decompressor (a handful of C files under mspack/, no configure needed)
# from the source Debian builds its package from, at the version of the installed libmspack-dev
# (QUARVEX_MSPACK_VERSION names another), fetched as tools/debian-source.sh says.
#
# Usage: tools/fetch-mspack-source.sh DEST_DIR
#   Prints the unpacked source folder (DEST_DIR/libmspack-UPSTREAM_VERSION) on stdout, the only
#   line there. When DEST_DIR already holds that version unpacked, it fetches nothing.
set -euo pipefail
dest=${1:?usage: tools/fetch-mspack-source.sh DEST_DIR}
. "$(dirname "$0")/debian-source.sh"
debian_source_fetch libmspack libmspack-dev "${QUARVEX_MSPACK_VERSION:-}" "$dest" mspack/cabd.c
