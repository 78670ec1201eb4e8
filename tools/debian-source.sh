# Sourced by the scripts that build a library from Debian's own source package where Debian ships
# no build of it for a target (tools/fetch-re2-source.sh, tools/fetch-nettle-source.sh,
# tools/fetch-mspack-source.sh).
#
# debian_source_unpack PACKAGE VERSION DEST_DIR WORK_DIR
#   Fetches the source package PACKAGE=VERSION with a list of sources of its own, kept in
#   DEST_DIR/apt (the release this machine runs, with its updates and security suites: the
#   machine's apt configuration is neither needed nor changed), into WORK_DIR, and unpacks it to
#   WORK_DIR/PACKAGE, applying Debian's patches. dpkg-source checks the size and checksums of
#   every file the .dsc lists; it cannot check the .dsc's signature without Debian's keyring, but
#   apt has vouched for the files against the signed archive index.
debian_source_unpack() {
  local package=$1 version=$2 dest=$3 work=$4
  local codename
  codename=$(sed -n 's/^VERSION_CODENAME=//p' /etc/os-release)
  [ -n "$codename" ] || { echo "$package source: no VERSION_CODENAME in /etc/os-release" >&2; return 1; }
  local apt_dir=$dest/apt
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/archives/partial"
  cat > "$apt_dir/sources.list" << LIST
deb-src http://deb.debian.org/debian $codename main
deb-src http://deb.debian.org/debian $codename-updates main
deb-src http://deb.debian.org/debian-security $codename-security main
LIST
  local apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
                     -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache::Archives=$apt_dir/archives"
                     -o Debug::NoLocking=1)
  # As root, apt downloads as its user _apt, who may not write to these folders; it says so and
  # downloads as root. Saying so first keeps the log quiet.
  [ "$(id -u)" -ne 0 ] || apt_options+=(-o APT::Sandbox::User=root)
  echo "$package source: fetching Debian's $package $version source package" >&2
  apt-get "${apt_options[@]}" update -qq >&2
  (cd "$work" && apt-get "${apt_options[@]}" source --download-only -qq "$package=$version" >&2)
  dpkg-source --no-copy -x "$(ls "$work/${package}_"*.dsc)" "$work/$package" >&2
}

# debian_source_fetch PACKAGE DEV_PACKAGE VERSION DEST_DIR EXPECTED_FILE
#   The source of PACKAGE at VERSION (empty: the source version of the installed DEV_PACKAGE,
#   so that the build compiles what the native build links), unpacked to
#   DEST_DIR/PACKAGE-UPSTREAM_VERSION and printed on stdout, the only line there; nothing is
#   fetched when that folder already holds that version. EXPECTED_FILE (relative to the source)
#   must be in it.
debian_source_fetch() {
  local package=$1 dev_package=$2 version=$3 dest=$4 expected=$5
  if [ -z "$version" ]; then
    version=$(dpkg-query -W -f='${source:Version}' "$dev_package" 2>/dev/null || true)
    [ -n "$version" ] || { echo "$package source: $dev_package is not installed; install it or name a version" >&2; return 1; }
  fi
  local upstream=${version#*:}  # no epoch in file names
  upstream=${upstream%-*}       # nor the Debian revision in the folder's name
  mkdir -p "$dest"
  dest=$(realpath "$dest")
  local source_dir=$dest/$package-$upstream
  local stamp=$source_dir/.quarvex-$package-version
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ]; then
    echo "$source_dir"
    return 0
  fi
  local tool
  for tool in apt-get dpkg-source; do
    command -v "$tool" > /dev/null || { echo "$package source: missing: $tool" >&2; return 1; }
  done
  local work
  work=$(mktemp -d "$dest/fetch.XXXXXX")
  ( trap 'rm -rf "$work"' EXIT
    debian_source_unpack "$package" "$version" "$dest" "$work" || exit 1
    [ -f "$work/$package/$expected" ] || { echo "$package source: no $expected in Debian's $package source" >&2; exit 1; }
    echo "$version" > "$work/$package/.quarvex-$package-version"
    rm -rf "$source_dir"
    mv "$work/$package" "$source_dir" ) || return 1
  echo "$source_dir"
}
