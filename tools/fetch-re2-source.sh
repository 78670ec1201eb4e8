#!/usr/bin/env bash
# Fetches and unpacks Debian's re2 source package for the cross builds. find matches with RE2,
# and a native build links Debian's libre2-dev; but Debian has no mingw-w64 (or WebAssembly)
# build of RE2, so those builds compile it from the same source Debian builds its package from
# (cmake/quarvex_re2.cmake, QUARVEX_RE2_SOURCE_DIR). The version is the one of the installed
# libre2-dev, so that the native and the cross builds match with the same RE2; without the
# package, QUARVEX_RE2_VERSION names a source version (e.g. 20220601+dfsg-1).
#
# apt-get fetches the package with a list of sources of its own, kept in DEST_DIR/apt: the
# machine's apt configuration is neither needed nor changed. apt checks the files against the
# signed archive index, and dpkg-source -x checks them against the .dsc again while it unpacks
# (and applies Debian's patches).
#
# Debian's repacked source (+dfsg) leaves out the three generated tables (Perl classes, Unicode
# case folding and groups); Debian's build makes them again (REBUILD_TABLES=1 in debian/rules)
# from the Unicode data of the unicode-data package, and so does this script, with the same
# commands. It needs perl, python3, python3-six and unicode-data.
#
# Usage: tools/fetch-re2-source.sh DEST_DIR
#   Prints the unpacked source folder (DEST_DIR/re2-UPSTREAM_VERSION) on stdout, the only line
#   there. When DEST_DIR already holds that version unpacked, it fetches nothing.
set -euo pipefail
dest=${1:?usage: tools/fetch-re2-source.sh DEST_DIR}

version=${QUARVEX_RE2_VERSION:-}
if [ -z "$version" ]; then
  # The source version, without a binary-only rebuild's +bN of the binary package's own.
  version=$(dpkg-query -W -f='${source:Version}' libre2-dev 2>/dev/null || true)
  [ -n "$version" ] || {
    echo "fetch-re2-source: libre2-dev is not installed; install it or set QUARVEX_RE2_VERSION" >&2
    exit 1
  }
fi
upstream=${version#*:}    # no epoch in file names
upstream=${upstream%-*}   # nor the Debian revision in the folder's name
mkdir -p "$dest"
dest=$(realpath "$dest")
source_dir=$dest/re2-$upstream
stamp=$source_dir/.quarvex-re2-version

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ]; then
  echo "$source_dir"
  exit 0
fi

missing=()
for tool in apt-get dpkg-source perl python3; do
  command -v "$tool" > /dev/null || missing+=("$tool")
done
python3 -c 'import six' 2> /dev/null || missing+=(python3-six)
[ -f /usr/share/unicode/UnicodeData.txt ] || missing+=(unicode-data)
[ ${#missing[@]} -eq 0 ] || { echo "fetch-re2-source: missing: ${missing[*]}" >&2; exit 1; }
# Debian's libre2 names the unicode-data it was built with; other data gives other \p{...} tables.
built_with=$(dpkg-query -W -f='${Built-Using}' libre2-dev 2>/dev/null | sed -n 's/.*unicode-data (= \([^)]*\)).*/\1/p')
have=$(dpkg-query -W -f='${Version}' unicode-data 2>/dev/null || true)
if [ -n "$built_with" ] && [ "$built_with" != "$have" ]; then
  echo "fetch-re2-source: warning: libre2-dev was built with unicode-data $built_with, this is ${have:-none}" >&2
fi

# The files land in a fresh working folder, so that nothing of an earlier try is reused.
work=$(mktemp -d "$dest/fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/debian-source.sh"
debian_source_unpack re2 "$version" "$dest" "$work"
unpacked=$work/re2
# The tables, as the Makefile's REBUILD_TABLES rules make them.
perl "$unpacked/re2/make_perl_groups.pl" > "$unpacked/re2/perl_groups.cc"
python3 "$unpacked/re2/make_unicode_casefold.py" > "$unpacked/re2/unicode_casefold.cc"
python3 "$unpacked/re2/make_unicode_groups.py" > "$unpacked/re2/unicode_groups.cc"
echo "$version" > "$unpacked/.quarvex-re2-version"
rm -rf "$source_dir"
mv "$unpacked" "$source_dir"
echo "$source_dir"
