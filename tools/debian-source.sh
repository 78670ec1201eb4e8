# Sourced by the scripts that build a library from Debian's own source package where Debian ships
# no build of it for a target (tools/fetch-re2-source.sh, tools/fetch-nettle-source.sh).
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
