#!/bin/sh
# tools/layers_check.sh on a small tree with one include of each kind it forbids: the format
# including the windows, a reader including Qt, a face including from tests/. Each is named.
#   layers_check_test.sh LAYERS_CHECK
set -u
check=$1
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/hive" "$work/salvage" "$work/cli" "$work/ui"
echo '#include "ui/analyser/main_window.h"' > "$work/hive/climbs.h"
echo '#include <QString>' > "$work/salvage/qt.cpp"
echo '#include "tests/support/test_support.h"' > "$work/cli/uses_tests.cpp"
echo '#include <QWidget>' > "$work/ui/fine.cpp"
status=0
sh "$check" "$work" > "$work/out" || status=$?
[ "$status" -eq 1 ] || { echo "FAIL: exit status $status, not 1"; cat "$work/out"; exit 1; }
for file in hive/climbs.h salvage/qt.cpp cli/uses_tests.cpp; do
  grep -q "^FAIL: ./$file " "$work/out" || { echo "FAIL: $file is not named"; cat "$work/out"; exit 1; }
done
! grep -q "ui/fine.cpp" "$work/out" || { echo "FAIL: Qt in ui/ was named"; exit 1; }
echo "the layers check names each include that climbs, and only those"
