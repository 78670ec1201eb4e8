#!/usr/bin/env bash
# The Debian package, checked end to end on this machine:
#   - cpack makes it from an already-built tree (nothing is compiled again);
#   - its Depends were computed (dpkg-shlibdeps) and it holds the programs, manual pages,
#     bash completion, desktop entry and icon;
#   - apt-get installs it, which also proves those dependencies can be met;
#   - the installed quarvex-cli gives its version, the same report as the build tree's program,
#     a summary of two hives, a hive inside a cabinet (through the image reader module) and (with the window) the chart pictures through the installed
#     quarvex-charts; Debian's python3 imports the installed module quarvex (built with
#     QUARVEX_BUILD_PYTHON) and its tests pass against it; the manual pages open, the completion loads;
#     the web page, when the tree carries one (QUARVEX_WEB_DIST), is installed as it was built;
#   - apt-get removes it again, and nothing of it is left.
# The package is removed and the work folder deleted however the check ends. Runs as root, or
# through sudo.
#
# Usage: tools/deb-check.sh BUILD_DIR
#   BUILD_DIR: a native build with all its targets built (./test.sh's build-test).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: tools/deb-check.sh BUILD_DIR}
build=$(realpath "$build")
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
is_installed() { dpkg-query -W -f='${Status}' quarvex 2> /dev/null | grep -q "install ok installed"; }

# Never take away a quarvex someone installed: this check removes only its own.
is_installed && fail "a quarvex package is installed already; remove it first"

work=$(mktemp -d)
chmod 755 "$work"  # apt reads the package as its own unprivileged user
tried_install=0
cleanup() {
  if [ "$tried_install" -eq 1 ] && is_installed; then
    $sudo apt-get remove --purge -y -qq quarvex > /dev/null 2>&1 || echo "could not remove the package quarvex" >&2
  fi
  rm -rf "$work"
}
trap cleanup EXIT

echo "-- cpack -G DEB from $build"
(cd "$build" && cpack -G DEB -B "$work" > "$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack"; }
debs=("$work"/quarvex_*.deb)
[ -f "${debs[0]}" ] || fail "cpack made no quarvex_*.deb"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
depends=$(dpkg-deb -f "$deb" Depends)
echo "ok   ${deb##*/} ($(stat -c %s "$deb") bytes), Depends: $depends"
grep -q 'libc6 (>=' <<< "$depends" || fail "Depends was not computed from the binaries: '$depends'"

window=0
[ -x "$build/ui/quarvex" ] && window=1
wanted=(usr/bin/quarvex-cli usr/share/man/man1/quarvex-cli.1.gz
        usr/share/bash-completion/completions/quarvex-cli usr/share/doc/quarvex/README.md
        usr/share/doc/quarvex/LICENSE usr/share/doc/quarvex/copyright)
[ $window -eq 1 ] && wanted+=(usr/bin/quarvex usr/bin/quarvex-charts usr/share/man/man1/quarvex.1.gz
                              usr/share/applications/quarvex.desktop
                              usr/share/icons/hicolor/scalable/apps/quarvex.svg)
images=0
[ -f "$build/lib/quarvex/quarvex-images.so" ] && images=1
[ $images -eq 1 ] && wanted+=(usr/lib/quarvex/quarvex-images.so)
# The Python module, when the tree was built with QUARVEX_BUILD_PYTHON.
python_package=usr/lib/python3/dist-packages/quarvex
python=0
compgen -G "$build/python/quarvex/_quarvex*.so" > /dev/null && python=1
[ $python -eq 1 ] && wanted+=("$python_package/__init__.py" "$python_package/__init__.pyi" "$python_package/py.typed"
                              "$python_package/pycreg_compat.py")
# The web page, when the tree was configured with the folder its build made.
web_dist=$(sed -n 's/^QUARVEX_WEB_DIST:PATH=//p' "$build/CMakeCache.txt")
[ -n "$web_dist" ] && wanted+=(usr/share/quarvex/web/index.html usr/share/quarvex/web/quarvex-worker.js
                               usr/share/quarvex/web/app.js usr/share/quarvex/web/style.css)
grep -q 'libtsk' <<< "$depends" || [ $images -eq 0 ] || fail "the image reader's libraries (The Sleuth Kit) are not in Depends"
grep -q 'libqt6widgets6' <<< "$depends" || [ $window -eq 0 ] || fail "the window's Qt libraries are not in Depends"
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in "${wanted[@]}"; do
  grep -qx "./$path" <<< "$contents" || fail "the package lacks /$path"
done
echo "ok   the package holds ${#wanted[@]} files where they belong"

echo "-- apt-get install ./${deb##*/}"
tried_install=1
$sudo apt-get install -y -qq --no-install-recommends "$deb" > "$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt-get install"; }
is_installed || fail "apt-get did not install quarvex"
[ "$(command -v quarvex-cli)" = /usr/bin/quarvex-cli ] || fail "quarvex-cli is not /usr/bin/quarvex-cli on the PATH"

said=$(/usr/bin/quarvex-cli --version | head -n 1)
[ "$said" = "quarvex-cli $version" ] || fail "installed quarvex-cli --version said '$said', expected 'quarvex-cli $version'"
echo "ok   $said"

sample=samples/USER-SAMPLE.DAT
now=2026-12-07T10:00:00
/usr/bin/quarvex-cli --now "$now" -o "$work/installed.txt" "$sample"
"$build/cli/quarvex-cli" --now "$now" -o "$work/built.txt" "$sample"
cmp -s "$work/installed.txt" "$work/built.txt" || fail "the installed program's report differs from the build tree's"
echo "ok   the installed quarvex-cli's report equals the build tree's ($(wc -l < "$work/installed.txt") lines)"

/usr/bin/quarvex-cli summary "$sample" tests/data/USER.DAT > "$work/summary.tsv" || fail "summary of two sound hives exited $?"
[ "$(wc -l < "$work/summary.tsv")" -eq 3 ] || fail "summary wrote $(wc -l < "$work/summary.tsv") lines, expected 3"
echo "ok   summary: $(cut -f1,4,15 "$work/summary.tsv" | tail -n 2 | tr '\t\n' ' ')"
if [ $images -eq 1 ] && command -v gcab > /dev/null; then
  # A hive inside a cabinet backup: read through the installed image reader module.
  mkdir "$work/cab"
  cp "$sample" "$work/cab/USER.DAT"
  (cd "$work/cab" && gcab -c -n "$work/RB000.CAB" USER.DAT)
  /usr/bin/quarvex-cli --now "$now" -o "$work/cab-installed.txt" "$work/RB000.CAB::USER.DAT" ||
    fail "the installed quarvex-cli could not read a hive from a cabinet"
  "$build/cli/quarvex-cli" --now "$now" -o "$work/cab-built.txt" "$work/RB000.CAB::USER.DAT"
  cmp -s "$work/cab-installed.txt" "$work/cab-built.txt" ||
    fail "the installed program's report of a hive in a cabinet differs from the build tree's"
  echo "ok   the installed quarvex-cli reads a hive from a cabinet through /usr/lib/quarvex/quarvex-images.so"
fi

if [ -n "$web_dist" ]; then
  # The installed page is the page that was built (and tested in a browser).
  diff -r "$web_dist" /usr/share/quarvex/web > /dev/null || fail "the installed web page differs from $web_dist"
  echo "ok   the web page is in /usr/share/quarvex/web, as built"
fi

if [ $window -eq 1 ]; then
  QT_QPA_PLATFORM=offscreen /usr/bin/quarvex-cli --charts "$work/charts" -o "$work/charts-report.txt" "$sample" 2> "$work/charts.log" ||
    { cat "$work/charts.log" >&2; fail "quarvex-cli --charts through the installed quarvex-charts"; }
  [ "$(ls "$work/charts"/*.png | wc -l)" -eq 6 ] || fail "the installed quarvex-charts did not paint six views"
  echo "ok   --charts runs the installed quarvex-charts: 6 pictures"
  if command -v desktop-file-validate > /dev/null; then
    desktop-file-validate /usr/share/applications/quarvex.desktop || fail "the installed desktop entry is not valid"
  fi
fi
if [ $python -eq 1 ]; then
  top=$PWD
  export PYTHONDONTWRITEBYTECODE=1  # no __pycache__ left in the package's folder or the source tree
  # Debian's Python imports the installed module (from a folder holding no build tree) and reads
  # the sample; then the module's tests run against it, with the installed quarvex-cli to compare.
  said=$(cd "$work" && /usr/bin/python3 -c 'import quarvex, sys
h = quarvex.open(sys.argv[1])
print(quarvex.__file__, h.kind, sum(1 for _ in h.walk()), len(h.check()))' "$top/$sample") ||
    fail "Debian's python3 cannot import the installed module quarvex"
  [ "$said" = "/$python_package/__init__.py user 500 4" ] || fail "the installed module read the sample as: $said"
  (cd "$work" && env -u PYTHONPATH QUARVEX_CLI=/usr/bin/quarvex-cli QUARVEX_HIVEGEN="$build/tools/quarvex-hivegen" \
       QUARVEX_EXPECT_MODULE="/$python_package" /usr/bin/python3 -m pytest -q -p no:cacheprovider \
       "$top/python/tests" > "$work/pytest.log" 2>&1) || { cat "$work/pytest.log" >&2; fail "the Python tests against the installed module"; }
  echo "ok   the installed Python module: $(tail -n 1 "$work/pytest.log")"
fi
for page in quarvex-cli $([ $window -eq 1 ] && echo quarvex); do
  zcat "/usr/share/man/man1/$page.1.gz" | grep -q '^\.TH' || fail "$page(1) is not a manual page"
  if command -v man > /dev/null; then
    [ "$(man -w "$page")" = "/usr/share/man/man1/$page.1.gz" ] || fail "man does not find $page(1)"
  fi
done
zcat /usr/share/man/man1/quarvex-cli.1.gz | grep -q '^\.SS summary' || fail "quarvex-cli(1) lacks the summary subcommand"
bash -c 'source /usr/share/bash-completion/completions/quarvex-cli && complete -p quarvex-cli' > /dev/null ||
  fail "the installed completion does not load"
echo "ok   manual pages and completion in place"

echo "-- apt-get remove quarvex"
$sudo apt-get remove --purge -y -qq quarvex > "$work/remove.log" 2>&1 || { cat "$work/remove.log" >&2; fail "apt-get remove"; }
is_installed && fail "quarvex is still installed"
for path in "${wanted[@]}"; do
  [ ! -e "/$path" ] || fail "/$path is left after removing the package"
done
echo "ok   removed; none of its files is left"
echo "Debian package check passed"
